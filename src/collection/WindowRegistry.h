#pragma once
// The table windows of the application in creation order, and where files
// the system asks to open go: to a pending list before the first window
// exists, else to the first empty window that shows no sheet, else to a
// new window.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QZTagLibRecordDataArrayController;
class WindowCloseState;

// What the window logic needs of a table window; the window controller of
// the application implements it.
class TableWindow {
public:
    virtual ~TableWindow() = default;
    virtual QZTagLibRecordDataArrayController& collection() = 0;
    virtual WindowCloseState& closeState() = 0;
    virtual bool showsSheet() const = 0;
    virtual bool isMinimized() const = 0;
    virtual QString title() const = 0;
    virtual void loadFiles(const QStringList& paths) = 0;
};

class WindowRegistry {
public:
    void registerWindow(TableWindow* window);
    void unregisterWindow(TableWindow* window);
    const QList<TableWindow*>& windows() const { return m_windows; }
    bool hasControllers() const { return !m_windows.isEmpty(); }

    // The first window, in creation order, whose collection holds no record
    // at all and that shows no sheet; nullptr when there is none.
    TableWindow* emptyWindowForIncomingFiles() const;

private:
    QList<TableWindow*> m_windows;
};

// The application delegate's handling of open-file events.
class OpenFilesRouter {
public:
    // Creates, registers and shows a new window.
    using WindowFactory = std::function<TableWindow*()>;

    OpenFilesRouter(WindowRegistry& registry, WindowFactory factory);

    // Routes paths from the system (open-file events, the command line).
    void openFiles(const QStringList& paths);
    // Creates the first window and hands it what arrived while starting.
    TableWindow* applicationDidFinishLaunching();

    const QStringList& pendingFiles() const { return m_pending; }

private:
    WindowRegistry& m_registry;
    WindowFactory m_factory;
    QStringList m_pending;
    bool m_launched = false;
};
