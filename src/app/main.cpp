// Tagmint, the windowed program: raises the open-file limit, sets up the
// application, opens the first window and hands it the paths it was given.

#include "app/ApplicationIcon.h"
#include "app/Screenshot.h"
#include "app/SingleInstance.h"
#include "app/TagmintApplication.h"
#include "collection/ApplicationIdentity.h"
#include "collection/OpenFileLimit.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv)
{
    // A window holds up to 50,000 files and jobs open them in parallel.
    tagmint::collection::raiseOpenFileLimit();

    QApplication app(argc, argv);
    QApplication::setApplicationName(TagmintApplication::applicationName());
    QApplication::setOrganizationName(QStringLiteral("tagmint"));
    QApplication::setApplicationVersion(QStringLiteral(TAGMINT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tagmint"));
    QApplication::setWindowIcon(applicationIcon());
    tagmint::collection::setApplicationIdentity(
        tagmint::collection::tagmintIdentity(QStringLiteral(TAGMINT_VERSION)));

    QStringList arguments = app.arguments().mid(1);
    // A process-serial-number argument some launchers put first is no path.
    if (!arguments.isEmpty() && arguments.first().startsWith(QLatin1String("-psn")))
        arguments.removeFirst();
    QString screenshotFile;
    for (auto it = arguments.begin(); it != arguments.end();) {
        if (it->startsWith(QLatin1String("--screenshot="))) {
            screenshotFile = it->mid(int(qstrlen("--screenshot=")));
            it = arguments.erase(it);
        } else {
            ++it;
        }
    }

    QStringList paths;
    for (const QString& argument : arguments)
        paths.append(QDir::current().absoluteFilePath(argument));

    // Already running: the paths go there (a start without paths asks for a
    // new window there).
    SingleInstance instance;
    if (screenshotFile.isEmpty() && instance.forwardToRunningInstance(paths))
        return 0;

    SettingsStore store;
    TagmintApplication tagmint(store);
    QApplication::setQuitOnLastWindowClosed(false);
    if (screenshotFile.isEmpty()) {
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
    return QApplication::exec();
}
