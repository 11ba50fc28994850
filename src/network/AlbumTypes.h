#pragma once
// What the services tell about an artist's albums: the MusicBrainz album
// list and album details, and the AcoustID answer in the same artist ->
// album -> track shape. Values are checked when parsed, so scoring and the
// caches can trust them (years 1..9999 or 0, track counts 0..999, ...).

#include <QDataStream>
#include <QList>
#include <QString>
#include <QStringList>

namespace tagmint::network {

struct CreditedArtist {
    QString name;
    QString id;
};

// One album of an artist, standing for all releases of that title.
struct AlbumEntry {
    QString title;
    QString id;            // the representative release
    QString albumType;     // first secondary type ("Live" wins), empty for a plain album
    int year = 0;          // of the representative release, 0 when unknown
    int tracksTotal = 0;
    QStringList releaseIds;
    QStringList barcodes;
    QStringList asins;
    QList<CreditedArtist> artists;
};

struct ArtistAlbums {
    QString name = QStringLiteral("-");
    QString id = QStringLiteral("-");
    QList<AlbumEntry> albums;
    QList<CreditedArtist> artists;

    // The album whose title matches (namesMatch); null when none.
    const AlbumEntry* findAlbum(const QString& title) const;
};

struct DetailTrack {
    int medium = 0;        // index of the medium in AlbumDetails::mediumTitles
    int position = 0;
    QString recordingId;
    QString title;
    qint64 lengthMs = 0;
    QString artist;
};

struct AlbumDetails {
    QStringList mediumTitles;
    QList<DetailTrack> tracks;   // no two of the same title

    const DetailTrack* findTrack(const QString& title) const;
};

struct FingerprintTrack {
    QString title;
    QString id;
    double score = 0;          // 0..1
    int durationSeconds = 0;
    double mismatch = 0;       // |recording - file| / file
};

struct FingerprintAlbum {
    QString title;
    QString id;
    QString albumType;
    QList<FingerprintTrack> tracks;
};

struct FingerprintArtist {
    QString name;
    QString id;
    QList<FingerprintAlbum> albums;
};

using FingerprintResult = QList<FingerprintArtist>;

// Cache forms: a version byte first, so a changed layout reads as absent.
QByteArray serialize(const ArtistAlbums& albums);
QByteArray serialize(const AlbumDetails& details);
QByteArray serialize(const FingerprintResult& result);
bool deserialize(const QByteArray& bytes, ArtistAlbums* albums);
bool deserialize(const QByteArray& bytes, AlbumDetails* details);
bool deserialize(const QByteArray& bytes, FingerprintResult* result);

} // namespace tagmint::network
