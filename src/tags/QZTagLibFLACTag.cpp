#include "tags/QZTagLibFLACTag.h"

#include "tags/NumberPair.h"
#include "tags/TagLibGuard.h"
#include "tags/TagLibText.h"
#include "tags/WindowedFile.h"

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/xiphcomment.h>

#include <memory>
#include <optional>

using namespace tagmint::tags;

namespace {

quint32 bigEndian(const QByteArray& bytes, int offset, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

// TagLib 1.13 searches the whole file for "fLaC" and stops reading at the
// last metadata block, so junk with the marker somewhere inside, or a file
// cut off right after its metadata, counts as valid for it. A FLAC stream
// starts with the marker (after an ID3v2 tag at most), its metadata blocks
// begin with STREAMINFO and lie wholly inside the file, and a frame follows.
// Answers where that frame starts.
std::optional<qint64> flacFrameOffset(QIODevice& file)
{
    const qint64 fileSize = file.size();

    qint64 position = 0;
    const QByteArray id3 = file.read(10);
    if (id3.size() == 10 && id3.startsWith("ID3")) {
        quint32 tagSize = 0;
        for (int i = 6; i < 10; ++i) {
            if (quint8(id3[i]) & 0x80)
                return std::nullopt;
            tagSize = (tagSize << 7) | quint8(id3[i]);
        }
        const bool hasFooter = quint8(id3[5]) & 0x10;
        position = 10 + qint64(tagSize) + (hasFooter ? 10 : 0);
    }
    if (!file.seek(position) || file.read(4) != "fLaC")
        return std::nullopt;
    position += 4;

    constexpr quint8 kLastBlockFlag = 0x80;
    constexpr quint8 kStreamInfo = 0;
    constexpr quint8 kInvalidBlockType = 127;
    constexpr quint32 kStreamInfoLength = 34;
    bool first = true;
    for (;;) {
        if (!file.seek(position))
            return std::nullopt;
        const QByteArray header = file.read(4);
        if (header.size() != 4)
            return std::nullopt;
        const quint8 type = quint8(header[0]) & ~kLastBlockFlag;
        const quint32 length = bigEndian(header, 1, 3);
        if (type == kInvalidBlockType)
            return std::nullopt;
        if (first && (type != kStreamInfo || length != kStreamInfoLength))
            return std::nullopt;
        first = false;
        position += 4 + qint64(length);
        if (position > fileSize)
            return std::nullopt;
        if (quint8(header[0]) & kLastBlockFlag)
            break;
    }

    // Frame sync: fourteen 1 bits, then a reserved 0 bit.
    if (!file.seek(position))
        return std::nullopt;
    const QByteArray sync = file.read(2);
    if (sync.size() != 2 || quint8(sync[0]) != 0xFF || (quint8(sync[1]) & 0xFE) != 0xF8)
        return std::nullopt;
    return position;
}

template <class ID3Value>
QString orID3(const QString& xiphValue, ID3Value id3Value)
{
    return xiphValue.isEmpty() ? id3Value() : xiphValue;
}

} // namespace

QZTagLibFLACTag::~QZTagLibFLACTag()
{
    closeFile();
}

const QStringList& QZTagLibFLACTag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("flac"), QStringLiteral("fla")};
    return extensions;
}

bool QZTagLibFLACTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibFLACTag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    WindowedFile walked(streamFile());
    if (!flacFrameOffset(walked))
        return false;
    auto file = std::make_unique<TagLib::FLAC::File>(stream(), TagLib::ID3v2::FrameFactory::instance(),
                                                     false, TagLib::AudioProperties::Average);
    if (!file->isValid())
        return false;
    TagLib::Ogg::XiphComment* xiph = file->xiphComment(true);
    if (!xiph)
        return false;

    m_id3v2Tag = file->ID3v2Tag(false);
    m_id3v1Tag = file->ID3v1Tag(false);
    m_xiph.attach(xiph);
    m_flacFile = file.release();
    return true;
}

void QZTagLibFLACTag::closeTagLibFile()
{
    QZTagLibMPEGTag::closeTagLibFile();
    m_xiph.attach(nullptr);
    delete m_flacFile;
    m_flacFile = nullptr;
}

bool QZTagLibFLACTag::writeTags()
{
    if (!m_flacFile || !m_xiph.comment())
        return false;
    try {
        flushIntermediateValues();
        copyXiphIntoID3Tags();
        return m_flacFile->save();
    } catch (...) {
        return false;
    }
}

AudioLayout QZTagLibFLACTag::audioLayout()
{
    WindowedFile file(path());
    const std::optional<qint64> frames = file.open() ? flacFrameOffset(file) : std::nullopt;
    if (!m_flacFile || !frames)
        return {};
    constexpr qint64 kID3v1Size = 128;
    const qint64 end = m_flacFile->length() - (m_flacFile->hasID3v1Tag() ? kID3v1Size : 0);
    if (end <= *frames)
        return {};
    return {{ByteRange{*frames, end - *frames}}, {}};
}

// Only values the Xiph comment has are copied: an ID3 value that was shown
// because the comment lacks it must not be wiped by the copy (clearing a
// field clears the ID3 tags through the setters already).
void QZTagLibFLACTag::copyXiphIntoID3Tags()
{
    const TagLib::Ogg::XiphComment* xiph = m_xiph.comment();
    const TagLib::String title = xiph->title();
    const TagLib::String artist = xiph->artist();
    const TagLib::String album = xiph->album();
    const TagLib::String genre = xiph->genre();
    const unsigned int year = xiph->year();
    for (TagLib::Tag* tag : {static_cast<TagLib::Tag*>(m_id3v1Tag),
                             static_cast<TagLib::Tag*>(m_id3v2Tag)}) {
        if (!tag)
            continue;
        if (!title.isEmpty())
            tag->setTitle(title);
        if (!artist.isEmpty())
            tag->setArtist(artist);
        if (!album.isEmpty())
            tag->setAlbum(album);
        if (year != 0)
            tag->setYear(year);
        if (!genre.isEmpty())
            tag->setGenre(genre);
    }
    // The ID3v2 copy goes through the primary comment frame, the one shown,
    // rather than whichever frame TagLib's generic setter picks.
    const TagLib::String comment = xiph->comment();
    if (!comment.isEmpty())
        QZTagLibMPEGTag::setComment(fromTagLib(comment));
    // TagLib's generic track setter would cut "TRCK" down to the number;
    // flushIntermediateValues has already written it with its total.
    if (m_id3v1Tag && xiph->track() != 0)
        m_id3v1Tag->setTrack(xiph->track());
}

// --- Fields -----------------------------------------------------------------
// Each field reads from the Xiph comment, or from the ID3 tags when the
// comment lacks it; edits go to both.

QString QZTagLibFLACTag::title() const
{
    return orID3(m_xiph.text(XiphText::Title), [this] { return QZTagLibMPEGTag::title(); });
}

void QZTagLibFLACTag::setTitle(const QString& value)
{
    m_xiph.setText(XiphText::Title, value);
    QZTagLibMPEGTag::setTitle(value);
}

QString QZTagLibFLACTag::artist() const
{
    return orID3(m_xiph.text(XiphText::Artist), [this] { return QZTagLibMPEGTag::artist(); });
}

void QZTagLibFLACTag::setArtist(const QString& value)
{
    m_xiph.setText(XiphText::Artist, value);
    QZTagLibMPEGTag::setArtist(value);
}

QString QZTagLibFLACTag::album() const
{
    return orID3(m_xiph.text(XiphText::Album), [this] { return QZTagLibMPEGTag::album(); });
}

void QZTagLibFLACTag::setAlbum(const QString& value)
{
    m_xiph.setText(XiphText::Album, value);
    QZTagLibMPEGTag::setAlbum(value);
}

QString QZTagLibFLACTag::albumArtist() const
{
    return orID3(m_xiph.text(XiphText::AlbumArtist), [this] { return QZTagLibMPEGTag::albumArtist(); });
}

void QZTagLibFLACTag::setAlbumArtist(const QString& value)
{
    m_xiph.setText(XiphText::AlbumArtist, value);
    QZTagLibMPEGTag::setAlbumArtist(value);
}

QString QZTagLibFLACTag::comment() const
{
    return orID3(m_xiph.text(XiphText::Comment), [this] { return QZTagLibMPEGTag::comment(); });
}

void QZTagLibFLACTag::setComment(const QString& value)
{
    m_xiph.setText(XiphText::Comment, value);
    QZTagLibMPEGTag::setComment(value);
}

QString QZTagLibFLACTag::genre() const
{
    return orID3(m_xiph.text(XiphText::Genre), [this] { return QZTagLibMPEGTag::genre(); });
}

void QZTagLibFLACTag::setGenre(const QString& value)
{
    m_xiph.setText(XiphText::Genre, value);
    QZTagLibMPEGTag::setGenre(value);
}

QString QZTagLibFLACTag::initialKey() const
{
    return orID3(m_xiph.text(XiphText::InitialKey), [this] { return QZTagLibMPEGTag::initialKey(); });
}

void QZTagLibFLACTag::setInitialKey(const QString& value)
{
    m_xiph.setText(XiphText::InitialKey, value);
    QZTagLibMPEGTag::setInitialKey(value);
}

QString QZTagLibFLACTag::encodedBy() const
{
    return orID3(m_xiph.text(XiphText::EncodedBy), [this] { return QZTagLibMPEGTag::encodedBy(); });
}

void QZTagLibFLACTag::setEncodedBy(const QString& value)
{
    m_xiph.setText(XiphText::EncodedBy, value);
    QZTagLibMPEGTag::setEncodedBy(value);
}

QString QZTagLibFLACTag::grouping() const
{
    return orID3(m_xiph.text(XiphText::Grouping), [this] { return QZTagLibMPEGTag::grouping(); });
}

void QZTagLibFLACTag::setGrouping(const QString& value)
{
    m_xiph.setText(XiphText::Grouping, value);
    QZTagLibMPEGTag::setGrouping(value);
}

QString QZTagLibFLACTag::composer() const
{
    return orID3(m_xiph.text(XiphText::Composer), [this] { return QZTagLibMPEGTag::composer(); });
}

void QZTagLibFLACTag::setComposer(const QString& value)
{
    m_xiph.setText(XiphText::Composer, value);
    QZTagLibMPEGTag::setComposer(value);
}

QString QZTagLibFLACTag::copyright() const
{
    return orID3(m_xiph.text(XiphText::Copyright), [this] { return QZTagLibMPEGTag::copyright(); });
}

void QZTagLibFLACTag::setCopyright(const QString& value)
{
    m_xiph.setText(XiphText::Copyright, value);
    QZTagLibMPEGTag::setCopyright(value);
}

int QZTagLibFLACTag::tempo() const
{
    const int value = m_xiph.tempo();
    return value > 0 ? value : QZTagLibMPEGTag::tempo();
}

void QZTagLibFLACTag::setTempo(int value)
{
    m_xiph.setTempo(value);
    QZTagLibMPEGTag::setTempo(value);
}

int QZTagLibFLACTag::year() const
{
    const int value = m_xiph.year();
    return value != 0 ? value : QZTagLibMPEGTag::year();
}

void QZTagLibFLACTag::setYear(int value)
{
    m_xiph.setYear(value);
    QZTagLibMPEGTag::setYear(value);
}

void QZTagLibFLACTag::loadIntermediateValues()
{
    QZTagLibMPEGTag::loadIntermediateValues();
    const NumberPair track = m_xiph.track();
    const NumberPair disc = m_xiph.disc();
    if (track.number > 0)
        m_trackNumber = track.number;
    if (track.total > 0)
        m_tracksTotal = track.total;
    if (disc.number > 0)
        m_discNumber = disc.number;
    if (disc.total > 0)
        m_discsTotal = disc.total;
}

void QZTagLibFLACTag::flushIntermediateValues()
{
    QZTagLibMPEGTag::flushIntermediateValues();
    m_xiph.writeNumbers(m_trackNumber, m_tracksTotal, m_discNumber, m_discsTotal);
}

// --- Facts ------------------------------------------------------------------

QString QZTagLibFLACTag::tagFormat() const
{
    if (!m_flacFile)
        return QString();
    return guarded(QString(), [&] {
        QStringList parts;
        if (m_flacFile->hasXiphComment())
            parts << QStringLiteral("Vorbis");
        if (m_flacFile->hasID3v1Tag())
            parts << QStringLiteral("ID3v1");
        if (m_flacFile->hasID3v2Tag())
            parts << id3v2VersionText();
        return parts.isEmpty() ? QStringLiteral("No tags") : parts.join(QStringLiteral(", "));
    });
}

bool QZTagLibFLACTag::isReadOnly() const
{
    return m_flacFile && guarded(false, [&] { return m_flacFile->readOnly(); });
}

// --- Pictures ---------------------------------------------------------------

FlacPictureList QZTagLibFLACTag::flacPictures() const
{
    return m_flacFile ? guarded(FlacPictureList(), [&] { return m_flacFile->pictureList(); }) : FlacPictureList();
}

QList<QZTagLibTagImage> QZTagLibFLACTag::images() const
{
    const QList<QZTagLibTagImage> result = decodeFlacPictures(flacPictures());
    return result.isEmpty() ? QZTagLibMPEGTag::images() : result;
}

TagPicture QZTagLibFLACTag::firstPicture() const
{
    const TagPicture first = firstDecodableFlacPicture(flacPictures());
    return first.image.isNull() ? QZTagLibMPEGTag::firstPicture() : first;
}

QSize QZTagLibFLACTag::decodableImageSize() const
{
    const QSize found = decodableFlacPictureSize(flacPictures());
    return found.isValid() ? found : QZTagLibMPEGTag::decodableImageSize();
}

bool QZTagLibFLACTag::hasImages() const
{
    return !flacPictures().isEmpty();
}

void QZTagLibFLACTag::removePictures()
{
    QZTagLibMPEGTag::removePictures();
    if (m_flacFile)
        guardedVoid([&] { m_flacFile->removePictures(); });
}

void QZTagLibFLACTag::storePicture(const EncodedImage& encoded, const QImage& image)
{
    QZTagLibMPEGTag::storePicture(encoded, image);
    if (!m_flacFile)
        return;
    guardedVoid([&] {
        // The first picture keeps its type and description; the others stay.
        const FlacPictureList pictures = m_flacFile->pictureList();
        if (!pictures.isEmpty()) {
            fillFlacPicture(*pictures.front(), encoded, image);
            return;
        }
        auto created = std::make_unique<TagLib::FLAC::Picture>();
        created->setType(TagLib::FLAC::Picture::FrontCover);
        fillFlacPicture(*created, encoded, image);
        m_flacFile->addPicture(created.release());
    });
}
