// The editing commands of a table window with 50,000 rows, offscreen
// (records made from one small MP3 fixture, tags only): pasting a
// 50,000-line, 6-column block into one selected cell, undoing and redoing
// it, clearing and reverting the whole Title column, copying every cell,
// and the heap while single-cell edits (10,000 unless given) fill the undo
// history. Yardstick: a plain loop setting the same 300,000 values.
// Processor times are given beside wall times: on a busy machine the wall
// clock also counts other processes.
//
// Targets: paste, clear, revert and copy each under 1 s; the heap stays
// flat over the edits (the history keeps its last 100 steps).

#include "BenchSupport.h"
#include "WindowBench.h"
#include "table/ColumnLayout.h"
#include "table/TableClipboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTest>
#include <sys/resource.h>

namespace {

using tagmint::bench::heapInUseBytes;
using tagmint::bench::threadCpuMilliseconds;

constexpr int kRows = 50000;
constexpr int kDefaultEdits = 10000;
const QStringList kPasted = {"title", "artist", "album", "genre", "comment", "filename"};

int g_edits = kDefaultEdits;

double megabytes(qint64 bytes) { return double(bytes) / (1024.0 * 1024.0); }

qint64 peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
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
    const double cpu = threadCpuMilliseconds();
    work();
    QApplication::processEvents();
    return {double(wall.nsecsElapsed()) / 1e6, threadCpuMilliseconds() - cpu};
}

void report(const char* what, const Timing& timing, const Timing* yardstick = nullptr)
{
    std::printf("%-40s %8.1f ms wall, %8.1f ms processor", what, timing.wall, timing.cpu);
    if (yardstick)
        std::printf(" (%.1fx the yardstick)", timing.cpu / yardstick->cpu);
    std::printf("\n");
}

int measureEditing(tagmint::bench::WindowBench& bench, TableMainWindow* window)
{
    const RecordList records = bench.makeRecords(kRows, [](QZTagLibRecord&, int) {});
    window->collection().addObjects(records);
    window->loadNewObjects(records);
    // Adding arms the auto-size that follows opening: it must not land in
    // the first figure.
    QTest::qWait(300);

    QByteArray block;
    for (int i = 0; i < kRows; ++i)
        block += QStringLiteral("Title %1\tArtist %1\tAlbum %1\tGenre %2\tComment %1\tfile %1\n")
                     .arg(i)
                     .arg(i % 40)
                     .toUtf8();
    QList<QStringList> rows;
    for (const QByteArray& line : block.split('\n'))
        rows.append(QString::fromUtf8(line).split(QLatin1Char('\t')));

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
    report("paste 50,000 lines x 6 cells", measure([&] { window->paste(); }), &yardstick);
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
        for (int i = 1; i <= g_edits; ++i) {
            controller.commitEdit(i % kRows, title, QStringLiteral("Edited title number %1").arg(i), false);
            if (i == 100 || i == 1000 || i == 5000 || i == g_edits)
                std::printf("    after %5d edits: heap %+7.2f MB, history %3d steps, %.3f MB kept\n", i,
                            megabytes(heapInUseBytes() - heapStart), controller.history().count(),
                            megabytes(controller.history().retainedBytes()));
        }
    });
    report(qPrintable(QStringLiteral("%1 single-cell edits").arg(g_edits)), editing);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_edits = std::max(1, atoi(argv[1]));
    return tagmint::bench::runWindowBench(argc, argv, measureEditing);
}
