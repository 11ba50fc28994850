// Thumbnails for a folder of 2000 FLAC files, every fourth with a 300x300
// JPEG cover: the time the pool takes, and the memory the records hold
// before and after. A record that was asked for its image keeps the decoded
// cover until its thumbnail is made; afterwards the records should cost no
// more than records of files without artwork (target: within 2 MB).

#include "BenchSupport.h"
#include "record/QZTagLibRecord.h"
#include "tags/QZTagLibImageLoader.h"
#include "tags/QZTagLibTag.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

using tagmint::bench::heapInUseBytes;

namespace {

constexpr int kFileCount = 2000;
constexpr int kCoverEvery = 4;
constexpr double kMB = 1e6;

using Records = std::vector<std::unique_ptr<QZTagLibRecord>>;

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
qint64 statusBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field) && line.at(qsizetype(qstrlen(field))) == ':')
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

QImage coverImage()
{
    // A gradient with a pattern, so the JPEG has a realistic size.
    QImage image(300, 300, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 300, 300);
    gradient.setColorAt(0, QColor(200, 60, 40));
    gradient.setColorAt(1, QColor(30, 80, 190));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 300; i += 12)
        painter.drawEllipse(QPoint(150, 150), i, i / 2);
    return image;
}

// One second of FLAC with the usual fields and, when asked, the cover.
bool makeFlac(const QString& path, bool withCover)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                  "sine=frequency=440:sample_rate=44100:duration=1", "-c:a", "flac", path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return false;
    std::unique_ptr<QZTagLibTag> tag = QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting);
    if (!tag)
        return false;
    tag->setTitle("Benchmark Title");
    tag->setArtist("Benchmark Artist");
    tag->setAlbum("Benchmark Album");
    tag->setAlbumArtist("Benchmark Album Artist");
    tag->setGenre("Ambient");
    tag->setComment("A comment long enough to be a realistic comment text");
    tag->setComposer("Benchmark Composer");
    tag->setYear(2011);
    tag->setTrackNumber(3);
    tag->setTracksTotal(12);
    if (withCover)
        tag->setTagImage(coverImage());
    return tag->save();
}

// Records as a table holds them after intake: fields loaded, wrapper
// closed.
Records loadRecords(const std::vector<QString>& paths)
{
    Records records;
    records.reserve(paths.size());
    for (const QString& path : paths) {
        records.push_back(std::make_unique<QZTagLibRecord>(path, 0));
        records.back()->closeTag();
    }
    return records;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.flac"));
    const QString covered = dir.filePath(QStringLiteral("covered.flac"));
    if (!dir.isValid() || !makeFlac(plain, false) || !makeFlac(covered, true)) {
        std::fprintf(stderr, "could not make the FLAC files (is ffmpeg installed?)\n");
        return 1;
    }

    std::vector<QString> withoutArtwork;
    std::vector<QString> folder;
    for (int i = 0; i < kFileCount; ++i) {
        withoutArtwork.push_back(dir.filePath(QStringLiteral("bare %1.flac").arg(i, 4, 10, QLatin1Char('0'))));
        folder.push_back(dir.filePath(QStringLiteral("track %1.flac").arg(i, 4, 10, QLatin1Char('0'))));
        if (!QFile::copy(plain, withoutArtwork.back())
            || !QFile::copy(i % kCoverEvery == 0 ? covered : plain, folder.back())) {
            std::fprintf(stderr, "could not copy the FLAC files\n");
            return 1;
        }
    }
    std::printf("%d FLAC files, every %dth with a 300x300 JPEG cover (%lld bytes with, %lld without)\n",
                kFileCount, kCoverEvery, QFile(covered).size(), QFile(plain).size());
    std::printf("thumbnail queues: %d\n", QZTagLibImageLoader::queueCount());

    // What the records cost for files without artwork.
    malloc_trim(0);
    qint64 heapStart = heapInUseBytes();
    Records records = loadRecords(withoutArtwork);
    const qint64 baseline = heapInUseBytes() - heapStart;
    records.clear();
    malloc_trim(0);

    // The folder, loaded as the table holds it.
    heapStart = heapInUseBytes();
    records = loadRecords(folder);
    const qint64 loaded = heapInUseBytes() - heapStart;
    // Covers are decoded on first use; asking for them (as copying or
    // exporting artwork does) leaves them cached in the records.
    for (const auto& record : records) {
        if (record->hasImage() && record->image().isNull())
            std::fprintf(stderr, "a cover did not decode\n");
        record->closeTag();
    }
    const qint64 decoded = heapInUseBytes() - heapStart;
    const qint64 residentBefore = statusBytes("VmRSS");
    const qint64 peakBefore = statusBytes("VmHWM");

    QZTagLibImageLoader loader;
    QObject cell;
    int requested = 0;
    int delivered = 0;
    QElapsedTimer timer;
    timer.start();
    for (const auto& record : records) {
        if (!record->hasImage())
            continue;
        ++requested;
        loader.requestImage(record.get(), &cell, [&delivered](const QImage&) { ++delivered; });
    }
    while (delivered < requested) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (delivered < requested)
            QThread::usleep(200);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;

    malloc_trim(0);
    const qint64 afterRun = heapInUseBytes() - heapStart;
    const qint64 residentAfter = statusBytes("VmRSS");
    const qint64 peakAfter = statusBytes("VmHWM");
    loader.forgetAllRecords();
    malloc_trim(0);
    const qint64 recordsAfter = heapInUseBytes() - heapStart;
    const qint64 thumbnails = afterRun - recordsAfter;

    std::printf("thumbnails made:                   %d in %.1f ms on the pool (%.0f us each)\n",
                delivered, seconds * 1e3, seconds * 1e6 / qMax(delivered, 1));
    std::printf("heap, records of files without artwork: %8.2f MB\n", baseline / kMB);
    std::printf("heap, records after loading the folder: %8.2f MB\n", loaded / kMB);
    std::printf("heap, records with their covers decoded: %7.2f MB\n", decoded / kMB);
    std::printf("heap, records after the thumbnail run:  %8.2f MB  (+ %.2f MB of thumbnails kept by the loader)\n",
                recordsAfter / kMB, thumbnails / kMB);
    std::printf("resident before / after the run:        %8.2f / %.2f MB\n", residentBefore / kMB,
                residentAfter / kMB);
    std::printf("peak resident before / after the run:   %8.2f / %.2f MB\n", peakBefore / kMB,
                peakAfter / kMB);
    const qint64 excess = recordsAfter - baseline;
    std::printf("records after the run vs. without artwork: %+.2f MB  (target <= 2 MB: %s)\n",
                excess / kMB, excess <= qint64(2 * kMB) ? "met" : "MISSED");
    return 0;
}
