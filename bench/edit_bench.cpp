// The editing commands of a table window with 50,000 rows, offscreen
// (records made from one small MP3 fixture, tags only): pasting a
// 50,000-line, 6-column block into one selected cell, clearing and
// reverting the whole Title column, copying every cell, undoing the paste,
// and the heap while 10,000 single-cell edits fill the undo history.
// Yardstick: a plain loop setting the same 300,000 values on the records.
//
// Targets: paste, clear, revert and copy each under 1 s; the heap stays
// flat over the 10,000 edits (the history keeps its last 100 steps).

#include "BenchSupport.h"

#include "app/TableMainWindow.h"
#include "app/TagmintApplication.h"
#include "record/QZTagLibRecord.h"
#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"
#include "table/TableClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <functional>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int kRows = 50000;
constexpr int kDefaultEdits = 10000;
const QStringList kPasted = {"title", "artist", "album", "genre", "comment", "filename"};

double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

// The processor time of this thread: wall times suffer on a busy machine.
double cpuMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Runs the work and the events it posts.
Timing measure(const std::function<void()>& work)
{
    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuMilliseconds();
    work();
    QApplication::processEvents();
    return {milliseconds(wall), cpuMilliseconds() - cpu};
}

void report(const char* what, const Timing& timing, const Timing* yardstick = nullptr)
{
    std::printf("%-40s %8.1f ms wall, %8.1f ms processor", what, timing.wall, timing.cpu);
    if (yardstick)
        std::printf(" (%.1fx the yardstick)", timing.cpu / yardstick->cpu);
    std::printf("\n");
}
double megabytes(qint64 bytes) { return double(bytes) / (1024.0 * 1024.0); }

qint64 peakResidentBytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

} // namespace

int main(int argc, char** argv)
{
    using tagmint::bench::heapInUseBytes;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The number of single-cell edits may be given (default 10,000).
    const int edits = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : kDefaultEdits;
    QTemporaryDir dir;
    const QString fixture = dir.filePath("song.mp3");
    if (!QFile::copy(QStringLiteral(TAGMINT_BENCH_DATA_DIR "/plain.mp3"), fixture)) {
        std::fprintf(stderr, "cannot copy the fixture\n");
        return 1;
    }
    QFile::setPermissions(fixture, QFile::permissions(fixture) | QFileDevice::WriteOwner);
    SettingsStore store(dir.filePath("tagmint.conf"));
    QZTagLibTableSettings(store).setIntroductoryPopoverAboutCellEditingShown();
    TagmintApplication tagmint(store);
    tagmint.setTerminateHandler([] {});
    TableMainWindow* window = tagmint.newWindow();
    window->resize(1280, 800);

    RecordList records;
    records.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        auto record = std::make_shared<QZTagLibRecord>(fixture, 0);
        record->releaseTagResources();
        records.append(record);
    }
    window->collection().addObjects(records);
    window->loadNewObjects(records);
    // Adding arms the auto-size that follows opening (0.1 s later): it must
    // not land in the first figure.
    QTest::qWait(300);

    QByteArray block;
    for (int i = 0; i < kRows; ++i)
        block += QStringLiteral("Title %1\tArtist %1\tAlbum %1\tGenre %2\tComment %1\tfile %1\n")
                     .arg(i)
                     .arg(i % 40)
                     .toUtf8();
    const QList<QStringList> rows = [&] {
        QList<QStringList> parsed;
        for (const QByteArray& line : block.split('\n'))
            parsed.append(QString::fromUtf8(line).split(QLatin1Char('\t')));
        return parsed;
    }();

    const Timing yardstick = measure([&] {
        for (int i = 0; i < kRows; ++i) {
            for (int c = 0; c < kPasted.size(); ++c)
                records.at(i)->setValue(rows.at(i).at(c), kPasted.at(c));
        }
    });
    for (const RecordPtr& record : records)
        record->revertAllValues();
    report("yardstick: 300,000 values set in a loop", yardstick);

    TableViewController& controller = window->controller();
    QZTagLibTableSelection& selection = controller.selection();
    const int title = window->columnLayout().indexOfColumn(QStringLiteral("title"));

    QGuiApplication::clipboard()->setMimeData(
        tagmint::table::tableMimeData(QString::fromUtf8(block), QImage()).release());
    selection.selectCellAtRow(0, title, false);
    QApplication::processEvents();
    const qint64 heapBefore = heapInUseBytes();
    const qint64 peakBefore = peakResidentBytes();
    const Timing paste = measure([&] { window->paste(); });
    report("paste 50,000 lines x 6 cells", paste, &yardstick);
    std::printf("    heap +%.1f MB (the undo step included), peak resident +%.1f MB\n",
                megabytes(heapInUseBytes() - heapBefore), megabytes(peakResidentBytes() - peakBefore));
    if (records.last()->text(RecordField::Comment) != QStringLiteral("Comment %1").arg(kRows - 1))
        std::fprintf(stderr, "the paste did not reach the last row\n");

    report("undo the paste", measure([&] { window->undo(); }));
    report("redo the paste", measure([&] { window->redo(); }));

    selection.selectCellAtRow(0, title, false);
    controller.selectAllCellsOfActiveColumn();
    report("clear the Title column", measure([&] { window->clear(); }));
    report("revert the Title column", measure([&] { window->revert(); }));

    controller.selectAllCommand();
    report("copy all cells", measure([&] { window->copy(); }));
    std::printf("    %d cells, %.1f MB of text\n", kRows * (window->columnLayout().columnCount() - 1),
                megabytes(QGuiApplication::clipboard()->mimeData()->text().size() * 2));

    // One edit after another, each an undo step.
    selection.selectCellAtRow(0, title, false);
    const qint64 heapStart = heapInUseBytes();
    const Timing editing = measure([&] {
        for (int i = 1; i <= edits; ++i) {
            controller.commitEdit(i % kRows, title, QStringLiteral("Edited title number %1").arg(i), false);
            if (i == 100 || i == 1000 || i == 5000 || i == edits)
                std::printf("    after %5d edits: heap %+7.2f MB, history %3d steps, %.3f MB kept\n", i,
                            megabytes(heapInUseBytes() - heapStart), controller.history().count(),
                            megabytes(controller.history().retainedBytes()));
        }
    });
    report(qPrintable(QStringLiteral("%1 single-cell edits").arg(edits)), editing);
    return 0;
}
