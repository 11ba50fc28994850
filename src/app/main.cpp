// Tagmint, the windowed program: raises the open-file limit, sets up the
// application, opens the first window and hands it the paths it was given.

#include "app/ApplicationIcon.h"
#include "app/DesktopPortal.h"
#include "app/Screenshot.h"
#include "app/SingleInstance.h"
#include "app/TagmintApplication.h"
#include "collection/ApplicationIdentity.h"
#include "collection/OpenFileLimit.h"
#include "settings/SettingsStore.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QApplication>
#include <QDir>
#include <optional>

int main(int argc, char** argv)
{
    // A window holds up to 50,000 files and jobs open them in parallel.
    tagmint::collection::raiseOpenFileLimit();
    // The desktop's own file dialogs, through the portal where one answers.
    if (tagmint::app::shouldUseDesktopPortal(tagmint::app::PortalEnvironment::current()))
        qputenv("QT_QPA_PLATFORMTHEME", tagmint::app::kPortalPlatformTheme);

    QApplication app(argc, argv);
    QApplication::setApplicationName(TagmintApplication::applicationName());
    QApplication::setOrganizationName(QStringLiteral("tagmint"));
    QApplication::setApplicationVersion(QStringLiteral(TAGMINT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tagmint"));
    QApplication::setWindowIcon(applicationIcon());
    tagmint::collection::setApplicationIdentity(
        tagmint::collection::tagmintIdentity(QStringLiteral(TAGMINT_VERSION)));

    QStringList arguments = tagmint::text::commandLineArguments(argc, argv);
    // A process-serial-number argument some launchers put first is no path.
    if (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("-psn")))
        arguments.removeFirst();
    // scripts/screenshot's options (see Screenshot.h).
    QString screenshotFile;
    QString screenshotMarker;
    const auto option = [](const QString& argument, const char* name) -> std::optional<QString> {
        if (!argument.startsWith(QLatin1String(name)))
            return std::nullopt;
        return argument.mid(int(qstrlen(name)));
    };
    for (auto it = arguments.begin(); it != arguments.end();) {
        if (const auto file = option(*it, "--screenshot=")) {
            screenshotFile = *file;
            it = arguments.erase(it);
        } else if (const auto marker = option(*it, "--screenshot-ready=")) {
            screenshotMarker = *marker;
            it = arguments.erase(it);
        } else {
            ++it;
        }
    }
    const bool screenshot = !screenshotFile.isEmpty() || !screenshotMarker.isEmpty();

    QStringList paths;
    for (const QString& argument : arguments)
        paths.append(tagmint::fs::absolutePath(argument));

    // Already running: the paths go there (a start without paths asks for a
    // new window there).
    SingleInstance instance;
    if (!screenshot && instance.forwardToRunningInstance(paths))
        return 0;

    SettingsStore store;
    TagmintApplication tagmint(store);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!screenshot) {
        instance.listen([&tagmint](const QStringList& forwarded) {
            if (forwarded.isEmpty())
                tagmint.newWindow();
            else
                tagmint.openFiles(forwarded);
        });
    }
    // The command line's paths arrive like the system's open-file events.
    tagmint.openFiles(paths);
    TableMainWindow* first = tagmint.finishLaunching();
    if (!screenshotFile.isEmpty())
        takeScreenshotWhenLoaded(first, screenshotFile);
    else if (!screenshotMarker.isEmpty())
        announceScreenshotWhenLoaded(first, QDir::current().absoluteFilePath(screenshotMarker));
    return QApplication::exec();
}
