#include "network/MusicBrainzParser.h"

#include "network/NameMatching.h"

#include <musicbrainz5/Artist.h>
#include <musicbrainz5/ArtistCredit.h>
#include <musicbrainz5/Medium.h>
#include <musicbrainz5/MediumList.h>
#include <musicbrainz5/Metadata.h>
#include <musicbrainz5/NameCredit.h>
#include <musicbrainz5/NameCreditList.h>
#include <musicbrainz5/Recording.h>
#include <musicbrainz5/Release.h>
#include <musicbrainz5/ReleaseGroup.h>
#include <musicbrainz5/ReleaseList.h>
#include <musicbrainz5/SecondaryType.h>
#include <musicbrainz5/SecondaryTypeList.h>
#include <musicbrainz5/Track.h>
#include <musicbrainz5/TrackList.h>
#include <musicbrainz5/xmlParser.h>

#include <libxml/xmlerror.h>

#include <algorithm>
#include <memory>

namespace tagmint::network {

namespace {

constexpr int kMaxTracks = 999;

QString text(const std::string& value) { return QString::fromStdString(value).left(1024); }

// The <metadata> element of an answer, parsed; nullopt for anything else.
void ignoreXmlError(void*, const char*, ...) {}

std::optional<MusicBrainz5::CMetadata> parseMetadata(const QByteArray& xml)
{
    if (xml.isEmpty())
        return std::nullopt;
    // A malformed answer is refused quietly, not printed (per thread in libxml2).
    xmlSetGenericErrorFunc(nullptr, ignoreXmlError);
    try {
        XMLResults results;
        std::unique_ptr<XMLNode> root(XMLRootNode::parseString(xml.toStdString(), &results));
        if (!root || results.code != eXMLErrorNone || root->isEmpty())
            return std::nullopt;
        // The parsed root is the document's element itself.
        if (qstrcmp(root->getName(), "metadata") != 0)
            return std::nullopt;
        return MusicBrainz5::CMetadata(*root);
    } catch (...) {
        return std::nullopt;
    }
}

// The one credited artist of a release; nullopt for several or none.
std::optional<CreditedArtist> singleCredit(const MusicBrainz5::CArtistCredit* credit)
{
    if (!credit || !credit->NameCreditList() || credit->NameCreditList()->NumItems() != 1)
        return std::nullopt;
    const MusicBrainz5::CNameCredit* nameCredit = credit->NameCreditList()->Item(0);
    if (!nameCredit || !nameCredit->Artist())
        return std::nullopt;
    CreditedArtist artist{text(nameCredit->Artist()->Name()), text(nameCredit->Artist()->ID())};
    if (artist.name.isEmpty() || artist.id.isEmpty())
        return std::nullopt;
    return artist;
}

int boundedCount(int count) { return count >= 1 && count <= kMaxTracks ? count : 0; }

void addUnique(QStringList& list, const QString& value)
{
    if (!value.isEmpty() && !list.contains(value))
        list.append(value);
}

bool hasArtist(const QList<CreditedArtist>& artists, const CreditedArtist& artist)
{
    return std::any_of(artists.begin(), artists.end(), [&](const CreditedArtist& known) {
        return known.id.compare(artist.id, Qt::CaseInsensitive) == 0 || namesMatch(known.name, artist.name);
    });
}

// False when a secondary type "Reissue" drops the release.
bool albumTypeOf(const MusicBrainz5::CRelease& release, QString* albumType)
{
    albumType->clear();
    const MusicBrainz5::CReleaseGroup* group = release.ReleaseGroup();
    const MusicBrainz5::CSecondaryTypeList* types = group ? group->SecondaryTypeList() : nullptr;
    if (!types)
        return true;
    bool live = false;
    for (int i = 0; i < types->NumItems(); ++i) {
        const MusicBrainz5::CSecondaryType* type = types->Item(i);
        if (!type)
            continue;
        const QString name = text(type->SecondaryType());
        if (name.compare(QLatin1String("Reissue"), Qt::CaseInsensitive) == 0)
            return false;
        if (name.compare(QLatin1String("Live"), Qt::CaseInsensitive) == 0)
            live = true;
        if (albumType->isEmpty())
            *albumType = name;
    }
    if (live)
        *albumType = QStringLiteral("Live");
    return true;
}

void addRelease(const MusicBrainz5::CRelease& release, const QString& askedName, const QString& askedId,
                ArtistAlbums& albums)
{
    const std::optional<CreditedArtist> artist = singleCredit(release.ArtistCredit());
    if (!artist)
        return;
    if (!askedId.isEmpty() && askedId != QLatin1String("-")) {
        if (artist->id.compare(askedId, Qt::CaseInsensitive) != 0)
            return;
    } else if (!askedName.isEmpty() && !namesMatch(artist->name, askedName)) {
        return;
    }
    if (!hasArtist(albums.artists, *artist))
        albums.artists.append(*artist);

    const QString title = text(release.Title()).trimmed();
    if (title.isEmpty())
        return;
    const QString id = text(release.ID());
    const int tracksTotal = release.MediumList() ? boundedCount(release.MediumList()->TrackCount()) : 0;
    QString albumType;
    if (!albumTypeOf(release, &albumType))
        return;
    const int year = leadingYear(text(release.Date()));
    const QString barcode = text(release.Barcode());
    const QString asin = text(release.ASIN());

    for (AlbumEntry& album : albums.albums) {
        if (!namesMatch(album.title, title))
            continue;
        const bool earlier = year > 0 && (album.year == 0 || year < album.year);
        if (earlier) {
            album.id = id;
            album.albumType = albumType;
            album.year = year;
            if (tracksTotal >= 1 && tracksTotal != album.tracksTotal)
                album.tracksTotal = tracksTotal;
        }
        addUnique(album.releaseIds, id);
        addUnique(album.barcodes, barcode);
        addUnique(album.asins, asin);
        return;
    }
    AlbumEntry album;
    album.title = title;
    album.id = id;
    album.albumType = albumType;
    album.year = year;
    album.tracksTotal = tracksTotal;
    addUnique(album.releaseIds, id);
    addUnique(album.barcodes, barcode);
    addUnique(album.asins, asin);
    album.artists.append(*artist);
    albums.albums.append(album);
}

bool hasTitle(const AlbumDetails& details, const QString& title)
{
    return std::any_of(details.tracks.begin(), details.tracks.end(),
                       [&](const DetailTrack& track) { return track.title.compare(title, Qt::CaseInsensitive) == 0; });
}

} // namespace

int leadingYear(const QString& date)
{
    qsizetype digits = 0;
    while (digits < date.size() && digits < 5 && date.at(digits).isDigit() && date.at(digits).unicode() < 128)
        ++digits;
    const int year = date.left(digits).toInt();
    return year >= 1 && year <= 9999 ? year : 0;
}

std::optional<ReleasePage> addReleasePage(const QByteArray& xml, const QString& askedName, const QString& askedId,
                                          ArtistAlbums& albums)
{
    const std::optional<MusicBrainz5::CMetadata> metadata = parseMetadata(xml);
    if (!metadata)
        return std::nullopt;
    ReleasePage page;
    const MusicBrainz5::CReleaseList* list = metadata->ReleaseList();
    if (!list)
        return page;
    page.hasList = true;
    page.count = qMax(0, list->Count());
    page.offset = qMax(0, list->Offset());
    page.items = list->NumItems();
    for (int i = 0; i < page.items; ++i) {
        if (const MusicBrainz5::CRelease* release = list->Item(i))
            addRelease(*release, askedName, askedId, albums);
    }
    return page;
}

std::optional<AlbumDetails> parseReleaseDetails(const QByteArray& xml)
{
    const std::optional<MusicBrainz5::CMetadata> metadata = parseMetadata(xml);
    const MusicBrainz5::CRelease* release = metadata ? metadata->Release() : nullptr;
    if (!release || !singleCredit(release->ArtistCredit()))
        return std::nullopt;
    AlbumDetails details;
    const MusicBrainz5::CMediumList* media = release->MediumList();
    for (int m = 0; media && m < media->NumItems(); ++m) {
        const MusicBrainz5::CMedium* medium = media->Item(m);
        if (!medium)
            continue;
        details.mediumTitles.append(text(medium->Title()));
        const MusicBrainz5::CTrackList* tracks = medium->TrackList();
        for (int t = 0; tracks && t < tracks->NumItems() && details.tracks.size() < kMaxTracks; ++t) {
            const MusicBrainz5::CTrack* track = tracks->Item(t);
            const MusicBrainz5::CRecording* recording = track ? track->Recording() : nullptr;
            if (!recording)
                continue;
            DetailTrack entry;
            entry.medium = int(details.mediumTitles.size() - 1);
            entry.title = text(recording->Title()).trimmed();
            entry.recordingId = text(recording->ID());
            if (entry.title.isEmpty() || entry.recordingId.isEmpty() || hasTitle(details, entry.title))
                continue;
            entry.position = boundedCount(track->Position());
            entry.lengthMs = qMax(0, recording->Length());
            if (const std::optional<CreditedArtist> artist = singleCredit(track->ArtistCredit()))
                entry.artist = artist->name;
            details.tracks.append(entry);
        }
    }
    return details;
}

QString parseArtistName(const QByteArray& xml)
{
    const std::optional<MusicBrainz5::CMetadata> metadata = parseMetadata(xml);
    if (!metadata || !metadata->Artist())
        return QString();
    return text(metadata->Artist()->Name()).left(259);
}

void finishAlbumList(ArtistAlbums& albums)
{
    std::stable_sort(albums.albums.begin(), albums.albums.end(), [](const AlbumEntry& a, const AlbumEntry& b) {
        if ((a.year == 0) != (b.year == 0))
            return a.year != 0;
        if (a.year != b.year)
            return a.year < b.year;
        return a.title.compare(b.title, Qt::CaseInsensitive) < 0;
    });
}

} // namespace tagmint::network
