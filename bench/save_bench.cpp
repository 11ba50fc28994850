// Saving through records against mutagen doing the same in the same run:
// a comment into 2,000 files of every format that fits their padding (saved
// in place), and a 500 KB cover into 200 MP3 files of 2.5 MB (each file
// rewritten: new file, flushed to disk, checked, renamed over the old one).
//
// Then comments of other lengths into 200 files of each Ogg, APEv2,
// TrueAudio and ASF format, fastest of 5 rounds (the count saved in place
// in every round after the format's name).
//
// Targets: in place no slower than mutagen; rewrites at most 1.3x mutagen;
// the other formats no slower than mutagen.
// mutagen writes without flushing to disk; its rewrites move the audio
// inside the file. Each mutagen figure comes twice: as it is, and with every
// save followed by the flush ours make (fsync of the file and its folder),
// the fair yardstick, which the targets are checked against.

#include "record/QZTagLibRecord.h"
#include "tags/ImageCodec.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int kInPlaceFiles = 2000;
constexpr int kRewrittenFiles = 200;
constexpr qint64 kRewrittenFileSize = 2500 * 1000;

const char* const kFormats[] = {"tagged_v24.mp3", "tagged.flac", "tagged.m4a", "id3_info.wav",
                                "tagged.aiff"};

QString dataPath(const QString& name)
{
    return QStringLiteral(TAGMINT_BENCH_DATA_DIR "/") + name;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A noisy picture: JPEG keeps it near 500 KB.
QByteArray largeJpeg()
{
    QImage image(720, 720, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate());
    QByteArray bytes;
    for (int quality = 95; quality > 10; quality -= 5) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", quality);
        if (bytes.size() <= 520 * 1000)
            break;
    }
    return bytes;
}

// Ogg, APEv2, TrueAudio and ASF, saved per format.
const char* const kMoreFormats[] = {"tagged.ogg", "tagged.opus", "tagged.oga", "tagged.spx",
                                    "tagged.wv",  "tagged.tta",  "tagged.wma"};
constexpr int kMoreFormatFiles = 200;
constexpr int kMoreFormatRounds = 5;

// Copies of the fixtures (or of `source`) in one folder; `fixtures`
// (kFormats when empty) are taken in turn.
std::vector<QString> makeCopies(const QString& folder, int count, const QByteArray* source,
                                const QStringList& fixtures = {})
{
    QDir().mkpath(folder);
    std::vector<QString> paths;
    for (int i = 0; i < count; ++i) {
        const QString fixture = fixtures.isEmpty() ? QString::fromLatin1(kFormats[i % std::size(kFormats)])
                                                   : fixtures[i % fixtures.size()];
        const QString suffix = source ? QStringLiteral("mp3") : fixture.section(QLatin1Char('.'), -1);
        const QString path = QStringLiteral("%1/%2.%3").arg(folder).arg(i, 4, 10, QLatin1Char('0')).arg(suffix);
        if (!writeFile(path, source ? *source : readFile(dataPath(fixture))))
            return {};
        paths.push_back(path);
    }
    return paths;
}

double saveWithRecords(const std::vector<QString>& paths, const QString& comment,
                       const tagmint::tags::TagPicture* cover, int* failures)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        QZTagLibRecord record(path, 0);
        if (cover)
            record.setPicture(*cover);
        else
            record.setValue(comment, QStringLiteral("comment"));
        if (!record.saveDataToTagAndDoRenaming())
            ++*failures;
    }
    return timer.nsecsElapsed() / 1e9;
}

// Seconds mutagen took as it is, and with the flushes ours make.
struct MutagenTimes {
    double plain = -1;
    double flushed = -1;
};

MutagenTimes saveWithMutagen(const std::vector<QString>& paths, const QString& mode, const QString& value,
                             const QString& listFile)
{
    QFile list(listFile);
    if (!list.open(QIODevice::WriteOnly))
        return {};
    for (const QString& path : paths)
        list.write(QFile::encodeName(path) + '\n');
    list.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TAGMINT_BENCH_SOURCE_DIR "/mutagen_save.py"), mode, value, listFile});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "mutagen failed: %s\n", python.readAllStandardError().constData());
        return {};
    }
    const QList<QByteArray> times = python.readAllStandardOutput().trimmed().split(' ');
    return times.size() == 2 ? MutagenTimes{times[0].toDouble(), times[1].toDouble()} : MutagenTimes{};
}

int inodesKept(const std::vector<QString>& paths, const std::vector<ino_t>& before)
{
    int kept = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        struct stat info;
        kept += ::stat(QFile::encodeName(paths[i]).constData(), &info) == 0 && info.st_ino == before[i];
    }
    return kept;
}

std::vector<ino_t> inodes(const std::vector<QString>& paths)
{
    std::vector<ino_t> result;
    for (const QString& path : paths) {
        struct stat info = {};
        ::stat(QFile::encodeName(path).constData(), &info);
        result.push_back(info.st_ino);
    }
    return result;
}

void report(const char* what, double ours, const MutagenTimes& theirs, double target)
{
    std::printf("%-13s tagmint %7.3f s   mutagen %7.3f s, flushed %7.3f s   ratio %5.2f, to flushed %5.2f "
                "(target <= %.1f)\n",
                what, ours, theirs.plain, theirs.flushed, ours / theirs.plain, ours / theirs.flushed, target);
}

// In place: both sides first save a comment of the same length once, so
// each file has the padding its tool leaves; the timed round fits it.
bool timeInPlace(const QTemporaryDir& root, int* failures)
{
    const std::vector<QString> ours = makeCopies(root.filePath("inplace-ours"), kInPlaceFiles, nullptr);
    const std::vector<QString> theirs = makeCopies(root.filePath("inplace-mutagen"), kInPlaceFiles, nullptr);
    if (ours.empty() || theirs.empty())
        return false;
    saveWithRecords(ours, QStringLiteral("A benchmark comment, first"), nullptr, failures);
    saveWithMutagen(theirs, "comment", "A benchmark comment, first", root.filePath("list"));
    const std::vector<ino_t> before = inodes(ours);
    const double oursInPlace = saveWithRecords(ours, QStringLiteral("A benchmark comment, again"), nullptr, failures);
    const MutagenTimes theirsInPlace =
        saveWithMutagen(theirs, "comment", "A benchmark comment, again", root.filePath("list"));
    std::printf("%d files, %d of ours saved in place\n", kInPlaceFiles, inodesKept(ours, before));
    report("in place", oursInPlace, theirsInPlace, 1.0);
    return true;
}

bool timeRewrites(const QTemporaryDir& root, int* failures)
{
    const QByteArray frames = readFile(dataPath("plain.mp3"));
    const QByteArray mp3 = frames.repeated(int(kRewrittenFileSize / frames.size()));
    const QByteArray jpeg = largeJpeg();
    const QString coverPath = root.filePath("cover.jpg");
    writeFile(coverPath, jpeg);
    const std::optional<tagmint::tags::TagPicture> cover = tagmint::tags::loadPictureFile(coverPath);
    const std::vector<QString> oursLarge = makeCopies(root.filePath("rewrite-ours"), kRewrittenFiles, &mp3);
    const std::vector<QString> theirsLarge = makeCopies(root.filePath("rewrite-mutagen"), kRewrittenFiles, &mp3);
    if (!cover || oursLarge.empty() || theirsLarge.empty())
        return false;
    const double oursRewrite = saveWithRecords(oursLarge, QString(), &*cover, failures);
    const MutagenTimes theirsRewrite = saveWithMutagen(theirsLarge, "cover", coverPath, root.filePath("list"));
    std::printf("%d files of %.1f MB, cover %.0f KB\n", kRewrittenFiles, mp3.size() / 1e6, jpeg.size() / 1e3);
    report("rewrites", oursRewrite, theirsRewrite, 1.3);
    return true;
}

// The other formats, as in place above: a first save leaves each tool's
// padding, then comments of other lengths are timed.
bool timeMoreFormats(const QTemporaryDir& root, int* failures)
{
    std::printf("%d files of each other format, a comment of another length\n", kMoreFormatFiles);
    for (const char* fixture : kMoreFormats) {
        const QStringList source{QString::fromLatin1(fixture)};
        const QString name = source.first().section(QLatin1Char('.'), -1);
        const std::vector<QString> oursMore = makeCopies(root.filePath("ours-" + name), kMoreFormatFiles, nullptr, source);
        const std::vector<QString> theirsMore =
            makeCopies(root.filePath("mutagen-" + name), kMoreFormatFiles, nullptr, source);
        if (oursMore.empty() || theirsMore.empty())
            return false;
        saveWithRecords(oursMore, QStringLiteral("A benchmark comment, first"), nullptr, failures);
        saveWithMutagen(theirsMore, "comment", "A benchmark comment, first", root.filePath("list"));
        const std::vector<ino_t> moreBefore = inodes(oursMore);
        // Comments of other lengths in turn; the fastest round of each side
        // counts, as a busy disk makes single rounds vary by 2x.
        double oursTime = 1e9;
        MutagenTimes theirsTime{1e9, 1e9};
        for (int round = 0; round < kMoreFormatRounds; ++round) {
            const QString comment = round % 2 ? QStringLiteral("A benchmark comment, again") : QStringLiteral("Shorter");
            oursTime = std::min(oursTime, saveWithRecords(oursMore, comment, nullptr, failures));
            const MutagenTimes theirs = saveWithMutagen(theirsMore, "comment", comment, root.filePath("list"));
            theirsTime = {std::min(theirsTime.plain, theirs.plain), std::min(theirsTime.flushed, theirs.flushed)};
        }
        report(qPrintable(QStringLiteral("%1 %2/%3").arg(name).arg(inodesKept(oursMore, moreBefore)).arg(kMoreFormatFiles)),
               oursTime, theirsTime, 1.0);
    }
    return true;
}

} // namespace

// With "more", only the other formats are timed.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    const bool onlyMoreFormats = argc > 1 && qstrcmp(argv[1], "more") == 0;
    int failures = 0;
    if (!onlyMoreFormats && (!timeInPlace(root, &failures) || !timeRewrites(root, &failures)))
        return 1;
    if (!timeMoreFormats(root, &failures))
        return 1;
    if (failures)
        std::printf("%d saves failed\n", failures);
    return failures ? 1 : 0;
}
