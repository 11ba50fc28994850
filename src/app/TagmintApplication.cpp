#include "app/TagmintApplication.h"

#include "app/PreferencesWindow.h"
#include "app/TableMainWindow.h"
#include "collection/WindowClosing.h"
#include "settings/QZTagLibTableSettings.h"

#include <QCoreApplication>
#include <QFileOpenEvent>

TagmintApplication::TagmintApplication(SettingsStore& store, QObject* parent)
    : QObject(parent),
      m_store(store),
      m_router(m_registry, [this]() -> TableWindow* { return newWindow(); }),
      m_terminate([] { QCoreApplication::quit(); })
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TagmintApplication::~TagmintApplication()
{
    for (TableMainWindow* window : windows()) {
        m_registry.unregisterWindow(window);
        window->disconnect(this);
        delete window;
    }
    delete m_preferences;
}

void TagmintApplication::openFiles(const QStringList& paths) { m_router.openFiles(paths); }

TableMainWindow* TagmintApplication::finishLaunching()
{
    return static_cast<TableMainWindow*>(m_router.applicationDidFinishLaunching());
}

TableMainWindow* TagmintApplication::newWindow()
{
    auto* window = new TableMainWindow(*this, m_store);
    m_registry.registerWindow(window);
    connect(window, &TableMainWindow::closed, this, &TagmintApplication::windowClosed);
    // Each window a little lower and to the right of the one before.
    const int offset = int(m_registry.windows().size() - 1) % 8 * 24;
    window->move(window->pos() + QPoint(offset, offset));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QList<TableMainWindow*> TagmintApplication::windows() const
{
    QList<TableMainWindow*> result;
    for (TableWindow* window : m_registry.windows())
        result.append(static_cast<TableMainWindow*>(window));
    return result;
}

void TagmintApplication::showPreferences()
{
    if (!m_preferences)
        m_preferences = new PreferencesWindow(m_store);
    m_preferences->readSettings();
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

bool TagmintApplication::quit()
{
    QZTagLibTableSettings settings(m_store);
    const QuitPlan plan = closeWindowsWithPrompt(m_registry, settings);
    for (TableWindow* window : plan.restore) {
        auto* table = static_cast<TableMainWindow*>(window);
        table->showNormal();
        table->raise();
        table->activateWindow();
    }
    for (const auto& [window, prompt] : plan.prompts)
        static_cast<TableMainWindow*>(window)->showClosePrompt(prompt);
    for (TableWindow* window : plan.close)
        static_cast<TableMainWindow*>(window)->close();
    if (plan.terminate && m_registry.hasControllers()) {
        // Nothing kept a window open; end even if one refused its close.
        if (m_terminate)
            m_terminate();
    }
    return plan.terminate;
}

void TagmintApplication::windowClosed(TableMainWindow* window)
{
    m_registry.unregisterWindow(window);
    if (m_registry.hasControllers())
        return;
    // The last window closed: the program ends.
    if (m_preferences)
        m_preferences->close();
    if (m_terminate)
        m_terminate();
}

bool TagmintApplication::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FileOpen && watched == QCoreApplication::instance()) {
        const QString path = static_cast<QFileOpenEvent*>(event)->file();
        if (!path.isEmpty())
            openFiles({path});
        return true;
    }
    return QObject::eventFilter(watched, event);
}
