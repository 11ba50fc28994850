// Loading records against a plain TagLib loop over the same files and
// fields: the record's overhead should stay within 1.5x, and its memory per
// record small enough for tables of many thousands of rows.

#include "BenchSupport.h"
#include "record/QZTagLibRecord.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using tagmint::bench::heapInUseBytes;
using tagmint::bench::plainTagLibLoop;

namespace {

constexpr int kFileCount = 2000;
constexpr int kRounds = 5;

void addTextFrame(TagLib::ID3v2::Tag* tag, const char* id, const char* text)
{
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(TagLib::String(text, TagLib::String::UTF8));
    tag->addFrame(frame);
}

QByteArray coverJpeg()
{
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

// One second of MP3 with every field the record reads and an ID3v1 tag, as
// a typical tagged library file; with a 300x300 JPEG cover when asked.
bool makeTaggedMp3(const QString& path, bool withCover)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                  "sine=frequency=440:duration=1", "-c:a", "libmp3lame", "-b:a", "64k", path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return false;

    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    if (!file.isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    tag->setTitle("Benchmark Title");
    tag->setArtist("Benchmark Artist");
    tag->setAlbum("Benchmark Album");
    tag->setGenre("Ambient");
    tag->setComment("A comment long enough to be a realistic comment text");
    tag->setYear(2011);
    addTextFrame(tag, "TPE2", "Benchmark Album Artist");
    addTextFrame(tag, "TCOM", "Benchmark Composer");
    addTextFrame(tag, "TIT1", "Benchmark Grouping");
    addTextFrame(tag, "TCOP", "2011 Benchmark Label");
    addTextFrame(tag, "TENC", "Benchmark Encoder");
    addTextFrame(tag, "TKEY", "Am");
    addTextFrame(tag, "TBPM", "120");
    addTextFrame(tag, "TRCK", "3/12");
    addTextFrame(tag, "TPOS", "1/2");
    if (withCover) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        const QByteArray jpeg = coverJpeg();
        picture->setMimeType("image/jpeg");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(TagLib::ByteVector(jpeg.constData(), uint(jpeg.size())));
        tag->addFrame(picture);
    }
    TagLib::ID3v1::Tag* v1 = file.ID3v1Tag(true);
    v1->setTitle("Benchmark Title");
    v1->setArtist("Benchmark Artist");
    return file.save(TagLib::MPEG::File::AllTags, TagLib::File::StripOthers,
                     TagLib::ID3v2::v4);
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

struct RecordRound {
    double seconds = 0;
    qint64 residentGrowth = 0;
    qint64 heapGrowth = 0;
};

RecordRound loadRecords(const std::vector<QString>& paths)
{
    malloc_trim(0);
    const qint64 residentBefore = residentBytes();
    const qint64 heapBefore = heapInUseBytes();
    std::vector<std::unique_ptr<QZTagLibRecord>> records;
    records.reserve(paths.size());

    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        records.push_back(std::make_unique<QZTagLibRecord>(path, 0));
        records.back()->releaseTagResources();
    }
    RecordRound round;
    round.seconds = timer.nsecsElapsed() / 1e9;
    round.residentGrowth = residentBytes() - residentBefore;
    round.heapGrowth = heapInUseBytes() - heapBefore;
    return round;
}

// 2000 copies of one generated file in a folder of their own, then both
// loops, alternating, best of kRounds.
bool compare(const QTemporaryDir& dir, const char* label, bool withCover)
{
    const QString folder = dir.filePath(QString::fromLatin1(label));
    QDir().mkpath(folder);
    const QString source = QDir(folder).filePath(QStringLiteral("source.mp3"));
    if (!makeTaggedMp3(source, withCover)) {
        std::fprintf(stderr, "could not make the tagged MP3 (ffmpeg with libmp3lame?)\n");
        return false;
    }
    std::vector<QString> paths;
    for (int i = 0; i < kFileCount; ++i) {
        paths.push_back(QDir(folder).filePath(QStringLiteral("track %1.mp3").arg(i, 4, 10, QLatin1Char('0'))));
        if (!QFile::copy(source, paths.back())) {
            std::fprintf(stderr, "could not copy the MP3\n");
            return false;
        }
    }

    // Warms the page cache so neither side pays for the first read.
    const qint64 checksum = plainTagLibLoop(paths);

    double bestRecord = 1e9;
    double bestPlain = 1e9;
    qint64 firstResident = 0;
    qint64 bestHeap = 0;
    for (int round = 0; round < kRounds; ++round) {
        const RecordRound records = loadRecords(paths);
        if (round == 0)
            firstResident = records.residentGrowth;
        bestRecord = std::min(bestRecord, records.seconds);
        bestHeap = round == 0 ? records.heapGrowth : std::min(bestHeap, records.heapGrowth);

        QElapsedTimer timer;
        timer.start();
        if (plainTagLibLoop(paths) != checksum)
            std::fprintf(stderr, "plain TagLib loop read different values\n");
        bestPlain = std::min(bestPlain, timer.nsecsElapsed() / 1e9);
    }

    const double ratio = bestRecord / bestPlain;
    std::printf("%s: %d files of %lld bytes, best of %d rounds\n", label, kFileCount,
                QFileInfo(source).size(), kRounds);
    std::printf("  records (QZTagLibRecord, flags 0): %8.1f ms  (%6.1f us per file)\n",
                bestRecord * 1e3, bestRecord * 1e6 / kFileCount);
    std::printf("  plain TagLib loop:                 %8.1f ms  (%6.1f us per file)\n",
                bestPlain * 1e3, bestPlain * 1e6 / kFileCount);
    std::printf("  ratio records / plain:             %8.2f  (target <= 1.50: %s)\n", ratio,
                ratio <= 1.5 ? "met" : "MISSED");
    std::printf("  memory per record: %.0f bytes resident (first round), %.0f bytes of heap\n",
                double(firstResident) / kFileCount, double(bestHeap) / kFileCount);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // The second set tells how much of the time goes to the cover.
    if (!compare(dir, "with cover", true) || !compare(dir, "without cover", false))
        return 1;
    return 0;
}
