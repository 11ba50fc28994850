#include "network/AlbumTypes.h"

#include "network/NameMatching.h"

#include <QIODevice>

namespace tagmint::network {

// Stream operators in the types' own namespace, where QList's operators find them.

QDataStream& operator<<(QDataStream& out, const CreditedArtist& artist) { return out << artist.name << artist.id; }
QDataStream& operator>>(QDataStream& in, CreditedArtist& artist) { return in >> artist.name >> artist.id; }

QDataStream& operator<<(QDataStream& out, const AlbumEntry& album)
{
    return out << album.title << album.id << album.albumType << qint32(album.year) << qint32(album.tracksTotal)
               << album.releaseIds << album.barcodes << album.asins << album.artists;
}

QDataStream& operator>>(QDataStream& in, AlbumEntry& album)
{
    qint32 year = 0, tracksTotal = 0;
    in >> album.title >> album.id >> album.albumType >> year >> tracksTotal >> album.releaseIds >> album.barcodes
        >> album.asins >> album.artists;
    album.year = qBound(0, int(year), 9999);
    album.tracksTotal = qBound(0, int(tracksTotal), 999);
    return in;
}

QDataStream& operator<<(QDataStream& out, const DetailTrack& track)
{
    return out << qint32(track.medium) << qint32(track.position) << track.recordingId << track.title
               << qint64(track.lengthMs) << track.artist;
}

QDataStream& operator>>(QDataStream& in, DetailTrack& track)
{
    qint32 medium = 0, position = 0;
    qint64 length = 0;
    in >> medium >> position >> track.recordingId >> track.title >> length >> track.artist;
    track.medium = medium;
    track.position = qBound(0, int(position), 999);
    track.lengthMs = qMax<qint64>(0, length);
    return in;
}

QDataStream& operator<<(QDataStream& out, const FingerprintTrack& track)
{
    return out << track.title << track.id << track.score << qint32(track.durationSeconds) << track.mismatch;
}

QDataStream& operator>>(QDataStream& in, FingerprintTrack& track)
{
    qint32 duration = 0;
    in >> track.title >> track.id >> track.score >> duration >> track.mismatch;
    track.durationSeconds = duration;
    return in;
}

QDataStream& operator<<(QDataStream& out, const FingerprintAlbum& album)
{
    return out << album.title << album.id << album.albumType << album.tracks;
}

QDataStream& operator>>(QDataStream& in, FingerprintAlbum& album)
{
    return in >> album.title >> album.id >> album.albumType >> album.tracks;
}

QDataStream& operator<<(QDataStream& out, const FingerprintArtist& artist)
{
    return out << artist.name << artist.id << artist.albums;
}

QDataStream& operator>>(QDataStream& in, FingerprintArtist& artist)
{
    return in >> artist.name >> artist.id >> artist.albums;
}

struct ArtistAlbumsForm {
    ArtistAlbums value;
};
QDataStream& operator<<(QDataStream& out, const ArtistAlbumsForm& form)
{
    return out << form.value.name << form.value.id << form.value.albums << form.value.artists;
}
QDataStream& operator>>(QDataStream& in, ArtistAlbumsForm& form)
{
    return in >> form.value.name >> form.value.id >> form.value.albums >> form.value.artists;
}

struct AlbumDetailsForm {
    AlbumDetails value;
};
QDataStream& operator<<(QDataStream& out, const AlbumDetailsForm& form)
{
    return out << form.value.mediumTitles << form.value.tracks;
}
QDataStream& operator>>(QDataStream& in, AlbumDetailsForm& form)
{
    return in >> form.value.mediumTitles >> form.value.tracks;
}


namespace {

constexpr quint8 kFormatVersion = 1;

template <typename Value>
QByteArray toBytes(const Value& value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kFormatVersion << value;
    return bytes;
}

template <typename Value>
bool fromBytes(const QByteArray& bytes, Value* value)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 version = 0;
    in >> version;
    if (version != kFormatVersion)
        return false;
    Value read;
    in >> read;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return false;
    *value = std::move(read);
    return true;
}

} // namespace

const AlbumEntry* ArtistAlbums::findAlbum(const QString& title) const
{
    for (const AlbumEntry& album : albums) {
        if (namesMatch(album.title, title))
            return &album;
    }
    return nullptr;
}

const DetailTrack* AlbumDetails::findTrack(const QString& title) const
{
    for (const DetailTrack& track : tracks) {
        if (namesMatch(track.title, title))
            return &track;
    }
    return nullptr;
}

QByteArray serialize(const ArtistAlbums& albums) { return toBytes(ArtistAlbumsForm{albums}); }
QByteArray serialize(const AlbumDetails& details) { return toBytes(AlbumDetailsForm{details}); }
QByteArray serialize(const FingerprintResult& result) { return toBytes(result); }

bool deserialize(const QByteArray& bytes, ArtistAlbums* albums)
{
    ArtistAlbumsForm form;
    if (!fromBytes(bytes, &form))
        return false;
    *albums = std::move(form.value);
    return true;
}

bool deserialize(const QByteArray& bytes, AlbumDetails* details)
{
    AlbumDetailsForm form;
    if (!fromBytes(bytes, &form))
        return false;
    *details = std::move(form.value);
    return true;
}

bool deserialize(const QByteArray& bytes, FingerprintResult* result) { return fromBytes(bytes, result); }

} // namespace tagmint::network
