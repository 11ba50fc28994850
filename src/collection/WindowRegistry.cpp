#include "collection/WindowRegistry.h"

#include "collection/QZTagLibRecordDataArrayController.h"

#include <utility>

void WindowRegistry::registerWindow(TableWindow* window)
{
    if (window && !m_windows.contains(window))
        m_windows.append(window);
}

void WindowRegistry::unregisterWindow(TableWindow* window)
{
    m_windows.removeAll(window);
}

TableWindow* WindowRegistry::emptyWindowForIncomingFiles() const
{
    for (TableWindow* window : m_windows) {
        if (window->collection().totalCount() == 0 && !window->showsSheet())
            return window;
    }
    return nullptr;
}

OpenFilesRouter::OpenFilesRouter(WindowRegistry& registry, WindowFactory factory)
    : m_registry(registry), m_factory(std::move(factory))
{
}

void OpenFilesRouter::openFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    // Several events may arrive while starting; each adds to the list.
    if (!m_launched && !m_registry.hasControllers()) {
        m_pending.append(paths);
        return;
    }
    TableWindow* window = m_registry.emptyWindowForIncomingFiles();
    if (!window)
        window = m_factory();
    if (window)
        window->loadFiles(paths);
}

TableWindow* OpenFilesRouter::applicationDidFinishLaunching()
{
    m_launched = true;
    TableWindow* window = m_factory();
    if (window && !m_pending.isEmpty()) {
        const QStringList pending = std::exchange(m_pending, {});
        window->loadFiles(pending);
    }
    return window;
}
