#include "app/DesktopPortal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>

namespace tagmint::app {

namespace {

QStringList splitPathList(const QByteArray& value)
{
    return QString::fromLocal8Bit(value).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

bool anyHas(const QStringList& dirs, const QString& relativePath)
{
    for (const QString& dir : dirs) {
        if (QFileInfo::exists(QDir(dir).filePath(relativePath)))
            return true;
    }
    return false;
}

// A backend (GNOME, KDE, GTK, ...) lists the portals it implements in a
// ".portal" file; without a file chooser among them the dialog would fail.
bool hasFileChooserBackend(const QStringList& dataDirs)
{
    for (const QString& dir : dataDirs) {
        const QDir portals(QDir(dir).filePath(QStringLiteral("xdg-desktop-portal/portals")));
        for (const QString& name : portals.entryList({QStringLiteral("*.portal")}, QDir::Files)) {
            QFile description(portals.filePath(name));
            if (!description.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            // "Interfaces=a;b;c", a key-file list QSettings would cut at ";".
            static const QByteArray key = "Interfaces=";
            while (!description.atEnd()) {
                const QByteArray line = description.readLine().trimmed();
                if (line.startsWith(key)
                    && line.mid(key.size()).split(';').contains("org.freedesktop.impl.portal.FileChooser"))
                    return true;
            }
        }
    }
    return false;
}

} // namespace

PortalEnvironment PortalEnvironment::current()
{
    PortalEnvironment environment;
    environment.platformTheme = qEnvironmentVariable("QT_QPA_PLATFORMTHEME");
    environment.platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    // libdbus falls back to the user bus socket when no address is given.
    environment.hasSessionBus =
        !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        || (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
            && QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")));
    environment.dataDirs = splitPathList(qgetenv("XDG_DATA_DIRS"));
    if (environment.dataDirs.isEmpty())
        environment.dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    environment.pluginDirs = splitPathList(qgetenv("QT_PLUGIN_PATH"));
    environment.pluginDirs.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    return environment;
}

bool shouldUseDesktopPortal(const PortalEnvironment& environment)
{
    if (!environment.platformTheme.isEmpty() || !environment.hasSessionBus)
        return false;
    // Tests and screenshots run without a desktop.
    if (environment.platform.startsWith(QLatin1String("offscreen"))
        || environment.platform.startsWith(QLatin1String("minimal")))
        return false;
    return anyHas(environment.dataDirs, QStringLiteral("dbus-1/services/org.freedesktop.portal.Desktop.service"))
           && hasFileChooserBackend(environment.dataDirs)
           && anyHas(environment.pluginDirs, QStringLiteral("platformthemes/libqxdgdesktopportal.so"));
}

} // namespace tagmint::app
