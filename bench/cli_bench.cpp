// tagmint-cli side by side with its yardsticks over 2000 mixed files (CBR
// MP3, M4A, FLAC, WAV and AIFF, tagged, most with a 300x300 cover):
//   show --json            against the plain TagLib loop over the same files;
//   show --audio, cold     (empty cache folder) against mutagen reading tags
//                          and audio facts;
//   show --audio, warm     (cache filled) against the same mutagen run.
// Targets: show --json at most 1.5x the TagLib loop; cold at most 1.0x
// mutagen; warm at least 5x faster than mutagen. Wall times suffer on a busy
// machine, so processor times (user + system) are printed and compared too.

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kPerKind = 400;
constexpr int kRounds = 3;

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
    void keepBest(const Timing& other)
    {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ownCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Runs a program to its end, its output thrown away; exits on failure.
Timing runChild(const QString& program, const QStringList& arguments, const QString& cacheFolder = {})
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!cacheFolder.isEmpty())
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cacheFolder);
    child.setProcessEnvironment(environment);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    const double cpuBefore = childrenCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed\n", qPrintable(program), qPrintable(arguments.join(' ')));
        std::exit(1);
    }
    return {timer.nsecsElapsed() / 1e9, childrenCpuSeconds() - cpuBefore};
}

Timing best(const std::function<Timing()>& round)
{
    Timing result;
    for (int i = 0; i < kRounds; ++i)
        result.keepBest(round());
    return result;
}

void line(const char* what, const Timing& timing)
{
    std::printf("  %-34s %8.0f ms wall %8.0f ms processor\n", what, timing.wall * 1e3, timing.cpu * 1e3);
}

void ratio(const char* what, double wall, double cpu, const char* target, bool metWall, bool metCpu)
{
    std::printf("  %-34s %8.2f wall %8.2f processor  (target %s: %s)\n", what, wall, cpu, target,
                metWall && metCpu ? "met"
                : metWall         ? "met by wall time only"
                : metCpu          ? "met by processor time only"
                                  : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir workspace;
    const QString library = workspace.filePath(QStringLiteral("library"));
    const QString python = QStringLiteral("/usr/bin/python3");
    const QString script = QStringLiteral(TAGMINT_BENCH_DIR "/mutagen_library.py");
    const QString cli = QStringLiteral(TAGMINT_CLI_PATH);
    std::printf("Making %d files...\n", 5 * kPerKind);
    runChild(python, {script, QStringLiteral("make"), library, QString::number(kPerKind)});

    std::vector<QString> paths;
    QDirIterator files(library, QDir::Files);
    while (files.hasNext())
        paths.push_back(files.next());
    std::sort(paths.begin(), paths.end());

    // Warm the page cache for everyone.
    const qint64 checksum = tagmint::bench::plainTagLibLoopAnyFormat(paths);
    runChild(python, {script, QStringLiteral("read"), library, QStringLiteral("--audio")});

    const Timing taglib = best([&] {
        QElapsedTimer timer;
        const double cpuBefore = ownCpuSeconds();
        timer.start();
        if (tagmint::bench::plainTagLibLoopAnyFormat(paths) != checksum)
            std::fprintf(stderr, "the TagLib loop read different values\n");
        return Timing{timer.nsecsElapsed() / 1e9, ownCpuSeconds() - cpuBefore};
    });
    const QString unusedCache = workspace.filePath(QStringLiteral("json-cache"));
    const Timing json = best([&] { return runChild(cli, {QStringLiteral("show"), QStringLiteral("--json"), library}, unusedCache); });
    // The program's start (libraries, Qt) over one file: the in-process loop
    // pays nothing like it.
    const Timing start = best([&] { return runChild(cli, {QStringLiteral("show"), QStringLiteral("--json"), paths.front()}, unusedCache); });
    const Timing mutagenTags = best([&] { return runChild(python, {script, QStringLiteral("read"), library}); });
    const Timing mutagenAudio =
        best([&] { return runChild(python, {script, QStringLiteral("read"), library, QStringLiteral("--audio")}); });
    int coldRound = 0;
    const Timing cold = best([&] {
        const QString cache = workspace.filePath(QStringLiteral("cold-%1").arg(++coldRound));
        return runChild(cli, {QStringLiteral("show"), QStringLiteral("--audio"), library}, cache);
    });
    const QString warmCache = workspace.filePath(QStringLiteral("cold-1"));
    const Timing warm =
        best([&] { return runChild(cli, {QStringLiteral("show"), QStringLiteral("--audio"), library}, warmCache); });

    std::printf("\n%zu files (%d each of CBR MP3, M4A, FLAC, WAV, AIFF; 10 s, tags, covers), best of %d\n",
                paths.size(), kPerKind, kRounds);
    line("plain TagLib loop (in process)", taglib);
    line("tagmint-cli show --json", json);
    line("tagmint-cli show --json, one file", start);
    line("mutagen, tags", mutagenTags);
    line("mutagen, tags and audio facts", mutagenAudio);
    line("tagmint-cli show --audio, cold", cold);
    line("tagmint-cli show --audio, warm", warm);
    std::printf("\n");
    ratio("show --json / TagLib loop", json.wall / taglib.wall, json.cpu / taglib.cpu, "<= 1.5",
          json.wall / taglib.wall <= 1.5, json.cpu / taglib.cpu <= 1.5);
    std::printf("  %-34s %8.2f wall %8.2f processor  (for information)\n", "show --json less its start / loop",
                (json.wall - start.wall) / taglib.wall, (json.cpu - start.cpu) / taglib.cpu);
    ratio("show --json / mutagen tags", json.wall / mutagenTags.wall, json.cpu / mutagenTags.cpu,
          "< 1.0", json.wall < mutagenTags.wall, json.cpu < mutagenTags.cpu);
    ratio("cold show --audio / mutagen", cold.wall / mutagenAudio.wall, cold.cpu / mutagenAudio.cpu,
          "<= 1.0", cold.wall <= mutagenAudio.wall, cold.cpu <= mutagenAudio.cpu);
    ratio("mutagen / warm show --audio", mutagenAudio.wall / warm.wall, mutagenAudio.cpu / warm.cpu,
          ">= 5", mutagenAudio.wall >= 5 * warm.wall, mutagenAudio.cpu >= 5 * warm.cpu);
    return 0;
}
