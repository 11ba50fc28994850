// Auto-sizing the columns of a window that just took 20,000 files (records
// made in memory from one small fixture, with titles, artists, albums,
// genres, comments and file names as varied as a real collection, a few of
// them in CJK script), offscreen.
//
// Figures: the longest stall of the main thread after the rows arrived (the
// auto-size starts 0.1 s later and sizes a column per turn of the event
// loop), auto-sizing all columns once more in one go, and the yardstick
// measured in the same run: measuring every shown cell in the cells' font,
// as auto-sizing did before. Processor times are given beside wall times:
// on a busy machine the wall clock also counts other processes.
//
// Target: no stall of the main thread longer than 100 ms.

#include "app/TableGridView.h"
#include "BenchSupport.h"
#include "WindowBench.h"
#include "app/TableMainWindow.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "table/ColumnLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>
#include <cstdio>

namespace {

using tagmint::bench::threadCpuMilliseconds;

constexpr int kRows = 20000;

double milliseconds(qint64 nanoseconds) { return double(nanoseconds) / 1e6; }

QString words(QRandomGenerator& random, int least, int most)
{
    static const QStringList vocabulary = {
        "love", "night", "Blue", "river", "of", "the", "Dancing", "light", "Remix", "(Live)",
        "heart", "Summer", "machine", "Golden", "I", "we", "Broken", "wings", "Étude", "Nº",
        "城市", "夜", "Überall", "WWW", "illinois", "2000", "Part", "II", "feat.", "mountain"};
    QStringList chosen;
    const int count = least + int(random.bounded(most - least + 1));
    for (int i = 0; i < count; ++i)
        chosen << vocabulary.at(int(random.bounded(int(vocabulary.size()))));
    return chosen.join(QLatin1Char(' '));
}

// Every shown cell measured, the way auto-sizing worked before.
double measureEveryCell(TableMainWindow* window)
{
    const QFontMetrics metrics = window->gridView()->fontMetrics();
    const QStringList columns = window->columnLayout().columnIdentifiers();
    auto& collection = window->collection();
    QElapsedTimer timer;
    timer.start();
    double widest = 0;
    for (const QString& identifier : columns) {
        const auto field = tagmint::record::fieldForKey(identifier);
        if (!field || !tagmint::record::isText(*field))
            continue;
        for (qsizetype row = 0; row < collection.shownCount(); ++row)
            widest = std::max(widest, double(metrics.horizontalAdvance(collection.recordAtRow(row)->text(*field))));
    }
    const double elapsed = milliseconds(timer.nsecsElapsed());
    if (widest <= 0)
        std::fprintf(stderr, "nothing was measured\n");
    return elapsed;
}

} // namespace

int measure(tagmint::bench::WindowBench& bench, TableMainWindow* window)
{
    QRandomGenerator random(11);
    const RecordList records = bench.makeRecords(kRows, [&random](QZTagLibRecord& record, int i) {
        record.setValue(words(random, 1, 7), QStringLiteral("title"));
        record.setValue(QStringLiteral("Artist %1").arg(random.bounded(400)), QStringLiteral("artist"));
        record.setValue(words(random, 1, 4) + QStringLiteral(" %1").arg(random.bounded(1500)),
                        QStringLiteral("album"));
        record.setValue(QStringLiteral("Genre %1").arg(random.bounded(25)), QStringLiteral("genre"));
        record.setValue(words(random, 0, 12), QStringLiteral("comment"));
        record.setValue(QStringLiteral("%1 %2").arg(i, 5, 10, QLatin1Char('0')).arg(words(random, 1, 5)),
                        QStringLiteral("filename"));
    });

    // The main thread's heartbeat: the longest gap between two ticks of a
    // 1 ms timer is the longest stall.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    double lastTickCpu = 0;
    double longestStallCpu = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double nowCpu = threadCpuMilliseconds();
        longestStall = std::max(longestStall, now - lastTick);
        longestStallCpu = std::max(longestStallCpu, nowCpu - lastTickCpu);
        lastTick = now;
        lastTickCpu = nowCpu;
    });

    QElapsedTimer timer;
    timer.start();
    window->collection().addObjects(records);
    window->loadNewObjects(records);
    const double arrival = milliseconds(timer.nsecsElapsed());
    lastTick = clock.nsecsElapsed();
    lastTickCpu = threadCpuMilliseconds();
    heartbeat.start();
    // The auto-size after opening runs 0.1 s after the rows arrived.
    QElapsedTimer waiting;
    waiting.start();
    while (waiting.elapsed() < 600)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    heartbeat.stop();

    timer.restart();
    const double cpuBefore = threadCpuMilliseconds();
    window->controller().autoSizeAllColumnsNoMessage();
    const double autoSize = milliseconds(timer.nsecsElapsed());
    const double autoSizeCpu = threadCpuMilliseconds() - cpuBefore;
    const double everyCell = measureEveryCell(window);

    std::printf("%d rows arrive (model, selection): %8.1f ms\n", kRows, arrival);
    std::printf("longest main-thread stall after:   %8.1f ms (%.1f ms of processor time; target: at most 100 ms)\n",
                milliseconds(longestStall), longestStallCpu);
    std::printf("auto-size all columns:             %8.1f ms (%.1f ms of processor time)\n", autoSize,
                autoSizeCpu);
    std::printf("yardstick, every cell measured:    %8.1f ms\n", everyCell);
    std::printf("ratio auto-size / yardstick:       %8.3f\n", autoSize / everyCell);
    return 0;
}

int main(int argc, char** argv) { return tagmint::bench::runWindowBench(argc, argv, measure); }
