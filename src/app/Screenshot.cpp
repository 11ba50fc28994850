#include "app/Screenshot.h"

#include "app/TableMainWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

void fail(const char* message)
{
    std::fprintf(stderr, "screenshot: %s\n", message);
    QApplication::exit(1);
}

// Waits for the loading and the auto-sizing after it, selects three rows
// of two columns and edits one cell, then calls then.
void whenSceneIsSet(TableMainWindow* window, std::function<void(TableMainWindow*)> then)
{
    auto* timer = new QTimer(qApp);
    QPointer<TableMainWindow> guarded(window);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, guarded, waited, then] {
        const bool ready = guarded && !guarded->showsSheet() && guarded->collection().totalCount() > 0;
        if (!ready && ++*waited < 300)
            return;
        timer->stop();
        timer->deleteLater();
        if (!guarded) {
            fail("the window went away");
            return;
        }
        QTimer::singleShot(400, qApp, [guarded, then] {
            if (!guarded)
                return;
            TableViewController& controller = guarded->controller();
            QZTagLibTableSelection& selection = controller.selection();
            const int rows = controller.grid().rowCount();
            const int columns = controller.grid().columnCount();
            // The clamping keeps the range inside small tables.
            const int first = std::max(0, rows / 2 - 1);
            if (rows > 0 && columns > 2)
                selection.setupSelectionSafeWithStartRow(first, first + 2, 2, 3, first + 1, 2);
            // How a change looks before it is saved.
            const int genre = controller.grid().columnWithIdentifier(QStringLiteral("genre"));
            if (genre >= 1 && rows > first + 1)
                controller.commitEdit(first + 1, genre, QStringLiteral("Edited"), false);
            QApplication::processEvents();
            then(guarded);
        });
    });
    timer->start(100);
}

} // namespace

void takeScreenshotWhenLoaded(TableMainWindow* window, const QString& fileName)
{
    whenSceneIsSet(window, [fileName](TableMainWindow* shown) {
        const bool saved = shown->grab().save(fileName, "PNG");
        std::fprintf(stderr, "screenshot: %s %s\n", saved ? "wrote" : "could not write", qPrintable(fileName));
        QApplication::exit(saved ? 0 : 1);
    });
}

void announceScreenshotWhenLoaded(TableMainWindow* window, const QString& markerFile)
{
    whenSceneIsSet(window, [markerFile](TableMainWindow* shown) {
        shown->raise();
        shown->activateWindow();
        shown->repaint();
        // The window server needs a moment to show what was just drawn.
        QTimer::singleShot(500, qApp, [markerFile, guarded = QPointer<TableMainWindow>(shown)] {
            if (!guarded) {
                fail("the window went away");
                return;
            }
            const QRect frame = guarded->frameGeometry();
            // Written whole or not at all: the script reads it as soon as it appears.
            QSaveFile marker(markerFile);
            if (!marker.open(QIODevice::WriteOnly)) {
                fail("cannot write the marker file");
                return;
            }
            marker.write(QStringLiteral("%1 %2 %3 %4\n")
                             .arg(frame.x())
                             .arg(frame.y())
                             .arg(frame.width())
                             .arg(frame.height())
                             .toUtf8());
            if (!marker.commit()) {
                fail("cannot write the marker file");
                return;
            }
            // The capture is done once the script removes the marker.
            auto* poll = new QTimer(qApp);
            auto polls = std::make_shared<int>(0);
            QObject::connect(poll, &QTimer::timeout, qApp, [poll, polls, markerFile] {
                if (QFileInfo::exists(markerFile) && ++*polls < 600)
                    return;
                poll->stop();
                QApplication::exit(QFileInfo::exists(markerFile) ? 1 : 0);
            });
            poll->start(100);
        });
    });
}
