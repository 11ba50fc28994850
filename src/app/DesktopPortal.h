#pragma once
// Whether Qt should use its XDG desktop portal theme, decided before Qt
// starts: then every file dialog is the desktop's own, shown by the portal.
// Qt's portal theme answers "native" for file dialogs even where no portal
// runs, so it is chosen only where one can answer.

#include <QString>
#include <QStringList>

namespace tagmint::app {

// What the choice looks at, read from the process and Qt's installation.
struct PortalEnvironment {
    QString platformTheme;   // QT_QPA_PLATFORMTHEME: the user's own choice wins
    QString platform;        // QT_QPA_PLATFORM
    bool hasSessionBus = false;
    QStringList dataDirs;    // where D-Bus services and portal backends are listed
    QStringList pluginDirs;  // where Qt looks for plugins

    static PortalEnvironment current();
};

// The Qt platform theme name, set as QT_QPA_PLATFORMTHEME before the
// application object exists.
inline constexpr char kPortalPlatformTheme[] = "xdgdesktopportal";

// True when the user named no theme, the program runs on a display, the
// session has a bus, the portal service and a file-chooser backend are
// installed, and Qt's portal theme plugin is there.
bool shouldUseDesktopPortal(const PortalEnvironment& environment);

} // namespace tagmint::app
