// Network lookups outside the network wait: the fingerprint of a 3-minute
// MP3 and FLAC against the fpcalc tool on the same files (process start
// included, as a user would run it), the cost of a cache hit, and the
// lookup of a 12-track album against stand-in services, without pacing
// and with the public services' pacing.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "network/AlbumTypes.h"
#include "network/Fingerprint.h"
#include "network/LoadTagsFlags.h"
#include "network/LoadTagsRun.h"
#include "network/NetworkTagLookup.h"
#include "network/ResultCache.h"
#include "record/QZTagLibRecord.h"
#include "support/StandInServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace tagmint::network;
using tagmint::test::StandInServer;

namespace {

QString makeSound(const QTemporaryDir& dir, const QString& name, int seconds = 180, int base = 300)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            QStringLiteral("aevalsrc=0.4*sin(2*PI*(%1+200*sin(2*PI*t/3))*t)|0.3*sin(2*PI*523*t):"
                                           "s=44100:d=%2")
                                .arg(base)
                                .arg(seconds),
                            path});
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

constexpr int kAlbumTracks = 12;
constexpr int kTrackSeconds = 20;

void clearCaches()
{
    for (ResultCache* cache : {&ResultCache::artistAlbums(), &ResultCache::albumDetails(), &ResultCache::fingerprints(),
                               &ResultCache::coverArt(), &ResultCache::albumInfo()})
        QDir(cache->directory()).removeRecursively();
}

QByteArray releaseXml(bool withTracks)
{
    QString tracks;
    for (int i = 1; withTracks && i <= kAlbumTracks; ++i)
        tracks += QStringLiteral("<track id=\"t%1\"><position>%1</position><number>%1</number><recording id=\"rec-%1\">"
                                 "<title>Track %1</title><length>%2</length></recording></track>")
                      .arg(i)
                      .arg(kTrackSeconds * 1000);
    const QString media = withTracks
        ? QStringLiteral("<medium-list count=\"1\"><medium><position>1</position><track-list count=\"%1\">%2"
                         "</track-list></medium></medium-list>")
              .arg(kAlbumTracks)
              .arg(tracks)
        : QStringLiteral("<medium-list><track-count>%1</track-count></medium-list>").arg(kAlbumTracks);
    return QStringLiteral("<release id=\"r1\"><title>Kind of Blue</title><status>Official</status>"
                          "<artist-credit><name-credit><artist id=\"artist-miles\"><name>Miles Davis</name></artist>"
                          "</name-credit></artist-credit><release-group id=\"rg-1\" type=\"Album\">"
                          "<primary-type>Album</primary-type></release-group><date>1959-08-17</date>%1</release>")
        .arg(media)
        .toUtf8();
}

// The services as they answer for an album ripped without tags: one
// fingerprint answer per track, then the artist, the album and its cover.
QJsonArray albumRoutes(const QByteArray& cover)
{
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata xmlns=\"http://musicbrainz.org/ns/mmd-2.0#\">";
    QJsonArray fingerprints;
    for (int i = 1; i <= kAlbumTracks; ++i) {
        const QJsonObject recording{
            {"id", QStringLiteral("rec-%1").arg(i)}, {"title", QStringLiteral("Track %1").arg(i)}, {"duration", kTrackSeconds},
            {"artists", QJsonArray{QJsonObject{{"id", "artist-miles"}, {"name", "Miles Davis"}}}},
            {"releasegroups", QJsonArray{QJsonObject{{"id", "rg-1"}, {"title", "Kind of Blue"}}}}};
        const QJsonObject result{{"id", "fp"}, {"score", 0.95}, {"recordings", QJsonArray{recording}}};
        fingerprints.append(StandInServer::answer(
            200, QJsonDocument(QJsonObject{{"status", "ok"}, {"results", QJsonArray{result}}}).toJson(), "application/json"));
    }
    const QByteArray search = head + "<release-list count=\"1\" offset=\"0\">" + releaseXml(false) + "</release-list></metadata>";
    const QByteArray recordings = head + "<recording-list count=\"1\" offset=\"0\"><recording id=\"rec-1\"><title>Track</title>"
        + "<release-list>" + releaseXml(false) + "</release-list></recording></recording-list></metadata>";
    return {StandInServer::route("/v2/lookup", fingerprints),
            StandInServer::route("/ws/2/release", {StandInServer::answer(200, search)}),
            StandInServer::route("/ws/2/recording", {StandInServer::answer(200, recordings)}),
            StandInServer::route("/ws/2/release/r1", {StandInServer::answer(200, head + releaseXml(true) + "</metadata>")}),
            StandInServer::route("/release/r1/front", {StandInServer::answer(200, cover, "image/jpeg")})};
}

// Milliseconds for the load-tags run over the album's files, from empty
// caches against a fresh stand-in; -1 when the album was not recognised.
qint64 albumRunMs(const QStringList& paths, const QJsonArray& routes, bool paced)
{
    clearCaches();
    StandInServer server(routes);
    if (!server.isRunning())
        return -1;
    const QString baseUrl = server.baseUrl();
    NetworkTagLookup lookup([&](bool cacheOnly) {
        NetworkSetup setup;
        for (Service service : {Service::MusicBrainz, Service::AcoustId, Service::CoverArt, Service::AlbumInfo}) {
            setup.config.setBaseUrl(service, baseUrl);
            setup.config.setPaceMs(service, paced ? NetworkConfig::defaultPaceMs(service) : 0);
        }
        setup.acoustIdKey = QStringLiteral("benchkey");
        setup.cacheOnly = cacheOnly;
        return setup;
    });
    RecordList records;
    for (const QString& path : paths)
        records.append(std::make_shared<QZTagLibRecord>(path, 0));
    TagLoadRequest request;
    request.flags = FromNetwork | UseExistingTags;
    request.network = &lookup;
    QZTagLibRecordDataArrayController collection;
    QElapsedTimer timer;
    timer.start();
    collection.runRecordsJob([&](const tagmint::collection::JobContext& context) { return runLoadTags(records, request, context); },
                             {}, {}, tagmint::collection::kRunInline);
    const qint64 elapsed = timer.elapsed();
    for (const auto& record : records) {
        if (record->value("album").toString() != QLatin1String("Kind of Blue"))
            return -1;
    }
    return elapsed;
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

    // A 12-track album ripped without tags, identified by its sound. Our
    // overhead is the run without pacing less the fingerprints (which have
    // their own yardstick above); local transfers count as ours.
    QStringList album;
    for (int i = 1; i <= kAlbumTracks; ++i) {
        album << makeSound(dir, QStringLiteral("rip/track%1.flac").arg(i, 2, 10, QLatin1Char('0')), kTrackSeconds, 200 + 37 * i);
        if (album.last().isEmpty())
            return 1;
    }
    QElapsedTimer fingerprintTimer;
    fingerprintTimer.start();
    for (const QString& path : album) {
        if (!computeFingerprint(path))
            return 1;
    }
    const qint64 fingerprintMs = fingerprintTimer.elapsed();
    QImage coverImage(600, 600, QImage::Format_RGB32);
    coverImage.fill(Qt::darkBlue);
    QByteArray cover;
    QBuffer coverBuffer(&cover);
    coverBuffer.open(QIODevice::WriteOnly);
    coverImage.save(&coverBuffer, "JPEG");
    const QJsonArray routes = albumRoutes(cover);
    const qint64 unpacedMs = albumRunMs(album, routes, false);
    const qint64 pacedMs = albumRunMs(album, routes, true);
    if (unpacedMs < 0 || pacedMs < 0) {
        std::printf("album lookup: the stand-in album was not recognised\n");
        return 1;
    }
    const qint64 overheadMs = qMax<qint64>(0, unpacedMs - fingerprintMs);
    std::printf("album of %d tracks: unpaced %lld ms (fingerprints %lld ms), paced %lld ms\n", kAlbumTracks,
                (long long)unpacedMs, (long long)fingerprintMs, (long long)pacedMs);
    std::printf("our overhead %lld ms (%.1f ms a file) against the paced run   ratio %.4f (target < 0.05)\n",
                (long long)overheadMs, double(overheadMs) / kAlbumTracks, double(overheadMs) / double(pacedMs));
    return 0;
}
