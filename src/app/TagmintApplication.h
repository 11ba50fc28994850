#pragma once
// The application delegate: the registry of table windows in creation
// order, where files from the system go (a pending list while starting),
// the preferences window, quitting, and the end of the program when the
// last window closes.

#include "app/PreferencesWindow.h"
#include "collection/WindowRegistry.h"

#include <QObject>
#include <QPointer>
#include <functional>

class SettingsStore;
class TableMainWindow;

class TagmintApplication : public QObject {
    Q_OBJECT
public:
    explicit TagmintApplication(SettingsStore& store, QObject* parent = nullptr);
    ~TagmintApplication() override;

    static QString applicationName() { return QStringLiteral("Tagmint"); }

    // Open-file events and the command line's paths.
    void openFiles(const QStringList& paths);
    // Creates the first window and hands it what arrived meanwhile.
    TableMainWindow* finishLaunching();
    // Creates, registers and shows a window.
    TableMainWindow* newWindow();

    const WindowRegistry& registry() const { return m_registry; }
    QList<TableMainWindow*> windows() const;
    const QStringList& pendingFiles() const { return m_router.pendingFiles(); }

    void showPreferences();
    PreferencesWindow* preferencesWindow() const { return m_preferences; }

    // Quit: windows that may close now close; the others keep or show their
    // question and the program goes on. True when it terminates.
    bool quit();
    // What ends the program (QCoreApplication::quit unless replaced).
    void setTerminateHandler(std::function<void()> handler) { m_terminate = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowClosed(TableMainWindow* window);

    SettingsStore& m_store;
    WindowRegistry m_registry;
    OpenFilesRouter m_router;
    QPointer<PreferencesWindow> m_preferences;
    std::function<void()> m_terminate;
};
