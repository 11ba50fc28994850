#include "app/Screenshot.h"

#include "app/StatusBarWidget.h"
#include "app/TableMainWindow.h"

#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <cstdio>

void takeScreenshotWhenLoaded(TableMainWindow* window, const QString& fileName)
{
    auto* timer = new QTimer(qApp);
    QPointer<TableMainWindow> guarded(window);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, guarded, fileName, waited] {
        // Loading and the auto-sizing after it take a moment.
        const bool ready = guarded && !guarded->showsSheet() && guarded->collection().totalCount() > 0;
        if (!ready && ++*waited < 300)
            return;
        timer->stop();
        timer->deleteLater();
        if (!guarded) {
            std::fprintf(stderr, "screenshot: the window went away\n");
            QApplication::exit(1);
            return;
        }
        QTimer::singleShot(400, qApp, [guarded, fileName] {
            if (!guarded)
                return;
            TableViewController& controller = guarded->controller();
            QZTagLibTableSelection& selection = controller.selection();
            const int rows = controller.grid().rowCount();
            const int columns = controller.grid().columnCount();
            // Three rows in the middle, two columns; the clamping keeps it
            // inside small tables.
            const int first = std::max(0, rows / 2 - 1);
            if (rows > 0 && columns > 2)
                selection.setupSelectionSafeWithStartRow(first, first + 2, 2, 3, first + 1, 2);
            // One edited cell, in memory only, shows how changes look.
            const int genre = controller.grid().columnWithIdentifier(QStringLiteral("genre"));
            if (genre >= 1 && rows > first + 1)
                controller.commitEdit(first + 1, genre, QStringLiteral("Edited"), false);
            QApplication::processEvents();
            const bool saved = guarded->grab().save(fileName, "PNG");
            std::fprintf(stderr, "screenshot: %s %s\n", saved ? "wrote" : "could not write",
                         qPrintable(fileName));
            QApplication::exit(saved ? 0 : 1);
        });
    });
    timer->start(100);
}
