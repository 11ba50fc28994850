// Network lookups outside the network wait: the fingerprint of a 3-minute
// MP3 and FLAC against the fpcalc tool on the same files (process start
// included, as a user would run it), and the cost of a cache hit.

#include "network/AlbumTypes.h"
#include "network/Fingerprint.h"
#include "network/ResultCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace tagmint::network;

namespace {

QString makeSound(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            "aevalsrc=0.4*sin(2*PI*(300+200*sin(2*PI*t/3))*t)|0.3*sin(2*PI*523*t):s=44100:d=180", path});
    ffmpeg.waitForFinished(300000);
    return ffmpeg.exitCode() == 0 ? path : QString();
}

qint64 fpcalcMs(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    QProcess fpcalc;
    fpcalc.start("fpcalc", {path});
    fpcalc.waitForFinished(300000);
    return fpcalc.exitCode() == 0 ? timer.elapsed() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());

    for (const char* name : {"three-minutes.mp3", "three-minutes.flac"}) {
        const QString path = makeSound(dir, QString::fromLatin1(name));
        if (path.isEmpty()) {
            std::printf("%s: could not be made\n", name);
            return 1;
        }
        qint64 best = -1;
        qint64 yardstick = -1;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            if (!computeFingerprint(path))
                return 1;
            const qint64 ours = timer.elapsed();
            const qint64 theirs = fpcalcMs(path);
            best = best < 0 ? ours : qMin(best, ours);
            yardstick = yardstick < 0 ? theirs : qMin(yardstick, theirs);
        }
        std::printf("fingerprint %-20s %6lld ms   fpcalc %6lld ms   ratio %.2f\n", name, (long long)best,
                    (long long)yardstick, yardstick > 0 ? double(best) / double(yardstick) : 0.0);
    }

    // A cache hit: an artist's 300 albums read back from disk.
    ArtistAlbums albums;
    albums.name = "Miles Davis";
    for (int i = 0; i < 300; ++i) {
        AlbumEntry album;
        album.title = QStringLiteral("Album %1").arg(i);
        album.id = QStringLiteral("release-%1").arg(i);
        album.year = 1950 + i % 50;
        album.tracksTotal = 10;
        album.releaseIds = {album.id, album.id + "-b"};
        albums.albums.append(album);
    }
    ResultCache& cache = ResultCache::artistAlbums();
    cache.put("miles davis_", serialize(albums));
    const int hits = 2000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < hits; ++i) {
        QByteArray bytes;
        ArtistAlbums read;
        if (cache.get("miles davis_", &bytes) == PersistentCacheStore::Absent || !deserialize(bytes, &read))
            return 1;
    }
    const double perHitMs = double(timer.nsecsElapsed()) / 1e6 / hits;
    // Against the least time between two MusicBrainz requests.
    std::printf("cache hit (300 albums)        %8.3f ms   paced request 1000 ms   ratio %.5f\n", perHitMs,
                perHitMs / 1000.0);
    return 0;
}
