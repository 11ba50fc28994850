// Loading records of 2,000 files of each Ogg, APEv2, TrueAudio and ASF
// format against a plain TagLib FileRef loop over the same files. Target:
// at most 1.5x the loop. The records also walk the file's structure (every
// Ogg page and its checksum), which the loop does not.

#include "BenchSupport.h"
#include "record/QZTagLibRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFileCount = 2000;
constexpr int kRounds = 3;
const char* const kFixtures[] = {"tagged.ogg", "tagged.opus", "tagged.oga", "tagged.spx",
                                 "tagged.wv",  "tagged.tta",  "tagged.wma"};

// The fastest of the rounds, in seconds.
template <class Body>
double fastest(Body body)
{
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        body();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    std::printf("%d files per format, fastest of %d rounds\n", kFileCount, kRounds);
    for (const char* fixture : kFixtures) {
        QFile source(QStringLiteral(TAGMINT_BENCH_DATA_DIR "/") + QLatin1String(fixture));
        if (!source.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray bytes = source.readAll();
        const QString extension = QString::fromLatin1(fixture).section(QLatin1Char('.'), -1);
        std::vector<QString> paths;
        for (int i = 0; i < kFileCount; ++i) {
            const QString path = root.filePath(QStringLiteral("%1-%2.%3").arg(extension).arg(i).arg(extension));
            QFile copy(path);
            if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
                return 1;
            paths.push_back(path);
        }
        qint64 checksum = 0;
        int invalid = 0;
        const double loop = fastest([&] { checksum += tagmint::bench::plainTagLibLoopAnyFormat(paths); });
        const double records = fastest([&] {
            for (const QString& path : paths) {
                const QZTagLibRecord record(path, 0);
                invalid += record.hasInvalidTags();
            }
        });
        std::printf("%-5s records %6.3f s   TagLib loop %6.3f s   ratio %5.2f (target <= 1.5)%s\n",
                    qPrintable(extension), records, loop, records / loop, invalid ? "  INVALID RECORDS" : "");
        if (checksum == 0 || invalid)
            return 1;
    }
    return 0;
}
