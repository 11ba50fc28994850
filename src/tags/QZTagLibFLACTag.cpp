#include "tags/QZTagLibFLACTag.h"

#include "tags/ImageCodec.h"
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

#include <climits>
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
std::optional<qint64> flacFrameOffset(const QString& path)
{
    WindowedFile file(path);
    if (!file.open())
        return std::nullopt;
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

QString joinedValues(const TagLib::Ogg::XiphComment* xiph, const char* key)
{
    if (!xiph || !key)
        return QString();
    const TagLib::Ogg::FieldListMap& fields = xiph->fieldListMap();
    const auto it = fields.find(key);
    return it == fields.end() ? QString() : fromTagLib(it->second.toString(" "));
}

QString genericText(const TagLib::Ogg::XiphComment* xiph, TagGetter getter)
{
    return xiph ? guarded(QString(), [&] { return fromTagLib((xiph->*getter)()); }) : QString();
}

// Rewriting a field in the form the record shows would join several values
// into one, so the field is only written when the text really changes.
void setGenericText(TagLib::Ogg::XiphComment* xiph, TagGetter getter, TagSetter setter,
                    const QString& value)
{
    if (!xiph || genericText(xiph, getter) == value)
        return;
    guardedVoid([&] { (xiph->*setter)(toTagLib(value)); });
}

QByteArray bytesOf(const TagLib::ByteVector& data)
{
    return QByteArray(data.data(), qsizetype(data.size()));
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

bool QZTagLibFLACTag::openFile(const QString& path, quint32 /*flags*/)
{
    if (!flacFrameOffset(path))
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
    m_xiphComment = xiph;
    m_flacFile = file.release();
    return true;
}

void QZTagLibFLACTag::closeTagLibFile()
{
    QZTagLibMPEGTag::closeTagLibFile();
    m_xiphComment = nullptr;
    delete m_flacFile;
    m_flacFile = nullptr;
}

bool QZTagLibFLACTag::writeTags()
{
    if (!m_flacFile || !m_xiphComment)
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
    const std::optional<qint64> frames = flacFrameOffset(path());
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
    const TagLib::Ogg::XiphComment* xiph = m_xiphComment;
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

// --- Xiph fields ------------------------------------------------------------

QString QZTagLibFLACTag::xiphFieldValue(const char* key, const char* alternative) const
{
    return guarded(QString(), [&] {
        const QString value = joinedValues(m_xiphComment, key);
        return value.isEmpty() ? joinedValues(m_xiphComment, alternative) : value;
    });
}

void QZTagLibFLACTag::setXiphFieldValue(const char* key, const char* alternative,
                                        const QString& text)
{
    if (!m_xiphComment || !key)
        return;
    guardedVoid([&] {
        for (const char* name : {key, alternative}) {
            if (!name)
                continue;
            if (text.isEmpty())
                m_xiphComment->removeFields(name);
            else
                m_xiphComment->addField(name, toTagLib(text), true);
        }
    });
}

void QZTagLibFLACTag::updateXiphFieldValue(const char* key, const char* alternative,
                                           const QString& text)
{
    if (xiphFieldValue(key, alternative) != text)
        setXiphFieldValue(key, alternative, text);
}

// --- Fields -----------------------------------------------------------------

QString QZTagLibFLACTag::title() const
{
    const QString value = genericText(m_xiphComment, &TagLib::Tag::title);
    return value.isEmpty() ? QZTagLibMPEGTag::title() : value;
}

void QZTagLibFLACTag::setTitle(const QString& value)
{
    setGenericText(m_xiphComment, &TagLib::Tag::title, &TagLib::Tag::setTitle, value);
    QZTagLibMPEGTag::setTitle(value);
}

QString QZTagLibFLACTag::artist() const
{
    const QString value = genericText(m_xiphComment, &TagLib::Tag::artist);
    return value.isEmpty() ? QZTagLibMPEGTag::artist() : value;
}

void QZTagLibFLACTag::setArtist(const QString& value)
{
    setGenericText(m_xiphComment, &TagLib::Tag::artist, &TagLib::Tag::setArtist, value);
    QZTagLibMPEGTag::setArtist(value);
}

QString QZTagLibFLACTag::album() const
{
    const QString value = genericText(m_xiphComment, &TagLib::Tag::album);
    return value.isEmpty() ? QZTagLibMPEGTag::album() : value;
}

void QZTagLibFLACTag::setAlbum(const QString& value)
{
    setGenericText(m_xiphComment, &TagLib::Tag::album, &TagLib::Tag::setAlbum, value);
    QZTagLibMPEGTag::setAlbum(value);
}

QString QZTagLibFLACTag::genre() const
{
    const QString value = genericText(m_xiphComment, &TagLib::Tag::genre);
    return value.isEmpty() ? QZTagLibMPEGTag::genre() : value;
}

void QZTagLibFLACTag::setGenre(const QString& value)
{
    setGenericText(m_xiphComment, &TagLib::Tag::genre, &TagLib::Tag::setGenre, value);
    QZTagLibMPEGTag::setGenre(value);
}

QString QZTagLibFLACTag::comment() const
{
    QString value = genericText(m_xiphComment, &TagLib::Tag::comment);
    if (value.isEmpty())
        value = xiphFieldValue("COMMENT");
    return value.isEmpty() ? QZTagLibMPEGTag::comment() : value;
}

void QZTagLibFLACTag::setComment(const QString& value)
{
    QString current = genericText(m_xiphComment, &TagLib::Tag::comment);
    if (current.isEmpty())
        current = xiphFieldValue("COMMENT");
    if (m_xiphComment && current != value) {
        // TagLib reads DESCRIPTION before COMMENT; a file that has one gets
        // it changed too, or the edit would not show after the save.
        const bool hasDescription = !xiphFieldValue("DESCRIPTION").isEmpty();
        setXiphFieldValue("COMMENT", hasDescription ? "DESCRIPTION" : nullptr, value);
    }
    QZTagLibMPEGTag::setComment(value);
}

QString QZTagLibFLACTag::albumArtist() const
{
    const QString value = xiphFieldValue("ALBUMARTIST", "ALBUMARTIST2");
    return value.isEmpty() ? QZTagLibMPEGTag::albumArtist() : value;
}

void QZTagLibFLACTag::setAlbumArtist(const QString& value)
{
    updateXiphFieldValue("ALBUMARTIST", "ALBUMARTIST2", value);
    QZTagLibMPEGTag::setAlbumArtist(value);
}

int QZTagLibFLACTag::tempo() const
{
    const int value = leadingInteger(xiphFieldValue("BPM"));
    return value > 0 ? value : QZTagLibMPEGTag::tempo();
}

void QZTagLibFLACTag::setTempo(int value)
{
    setXiphFieldValue("BPM", nullptr, value >= 1 ? QString::number(value) : QString());
    QZTagLibMPEGTag::setTempo(value);
}

QString QZTagLibFLACTag::initialKey() const
{
    const QString value = xiphFieldValue("INITIALKEY");
    return value.isEmpty() ? QZTagLibMPEGTag::initialKey() : value;
}

void QZTagLibFLACTag::setInitialKey(const QString& value)
{
    updateXiphFieldValue("INITIALKEY", nullptr, value);
    QZTagLibMPEGTag::setInitialKey(value);
}

QString QZTagLibFLACTag::encodedBy() const
{
    const QString value = xiphFieldValue("ENCODEDBY");
    return value.isEmpty() ? QZTagLibMPEGTag::encodedBy() : value;
}

void QZTagLibFLACTag::setEncodedBy(const QString& value)
{
    updateXiphFieldValue("ENCODEDBY", nullptr, value);
    QZTagLibMPEGTag::setEncodedBy(value);
}

QString QZTagLibFLACTag::grouping() const
{
    const QString value = xiphFieldValue("GROUPING");
    return value.isEmpty() ? QZTagLibMPEGTag::grouping() : value;
}

void QZTagLibFLACTag::setGrouping(const QString& value)
{
    updateXiphFieldValue("GROUPING", nullptr, value);
    QZTagLibMPEGTag::setGrouping(value);
}

QString QZTagLibFLACTag::composer() const
{
    const QString value = xiphFieldValue("COMPOSER");
    return value.isEmpty() ? QZTagLibMPEGTag::composer() : value;
}

void QZTagLibFLACTag::setComposer(const QString& value)
{
    updateXiphFieldValue("COMPOSER", nullptr, value);
    QZTagLibMPEGTag::setComposer(value);
}

QString QZTagLibFLACTag::copyright() const
{
    const QString value = xiphFieldValue("COPYRIGHT");
    return value.isEmpty() ? QZTagLibMPEGTag::copyright() : value;
}

void QZTagLibFLACTag::setCopyright(const QString& value)
{
    updateXiphFieldValue("COPYRIGHT", nullptr, value);
    QZTagLibMPEGTag::setCopyright(value);
}

int QZTagLibFLACTag::year() const
{
    const unsigned int value = m_xiphComment ? guarded(0u, [&] { return m_xiphComment->year(); }) : 0;
    if (value == 0)
        return QZTagLibMPEGTag::year();
    return value > unsigned(INT_MAX) ? INT_MAX : int(value);
}

void QZTagLibFLACTag::setYear(int value)
{
    const unsigned int year = unsigned(qMax(value, 0));
    // A full date ("2004-05-06") reads as its year; it is only rewritten
    // when the year changes.
    if (m_xiphComment && guarded(0u, [&] { return m_xiphComment->year(); }) != year)
        guardedVoid([&] { m_xiphComment->setYear(year); });
    QZTagLibMPEGTag::setYear(value);
}

void QZTagLibFLACTag::loadIntermediateValues()
{
    QZTagLibMPEGTag::loadIntermediateValues();
    const NumberPair track = parseNumberPair(xiphFieldValue("TRACKNUMBER", "TRACKNUM"));
    const NumberPair disc = parseNumberPair(xiphFieldValue("DISCNUMBER"));
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
    // A missing number is written as "0", never removed.
    setXiphFieldValue("TRACKNUMBER", "TRACKNUM",
                      formatNumberPair(m_trackNumber, m_tracksTotal, ZeroNumber::Zero));
    setXiphFieldValue("DISCNUMBER", nullptr,
                      formatNumberPair(m_discNumber, m_discsTotal, ZeroNumber::Zero));
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

QList<QZTagLibTagImage> QZTagLibFLACTag::images() const
{
    QList<QZTagLibTagImage> result;
    if (m_flacFile) {
        guardedVoid([&] {
            for (const TagLib::FLAC::Picture* picture : m_flacFile->pictureList()) {
                const QImage image = decodeImage(bytesOf(picture->data()));
                if (!image.isNull())
                    result.append(QZTagLibTagImage{image, int(picture->type())});
            }
        });
    }
    return result.isEmpty() ? QZTagLibMPEGTag::images() : result;
}

TagPicture QZTagLibFLACTag::firstPicture() const
{
    TagPicture first;
    if (m_flacFile) {
        guardedVoid([&] {
            for (const TagLib::FLAC::Picture* picture : m_flacFile->pictureList()) {
                first = pictureFromBytes(bytesOf(picture->data()));
                if (!first.image.isNull())
                    return;
            }
        });
    }
    return first.image.isNull() ? QZTagLibMPEGTag::firstPicture() : first;
}

QSize QZTagLibFLACTag::decodableImageSize() const
{
    const QSize found = !m_flacFile ? QSize() : guarded(QSize(), [&] {
        for (const TagLib::FLAC::Picture* picture : m_flacFile->pictureList()) {
            if (const QSize size = decodableSize(bytesOf(picture->data())); size.isValid())
                return size;
        }
        return QSize();
    });
    return found.isValid() ? found : QZTagLibMPEGTag::decodableImageSize();
}

bool QZTagLibFLACTag::hasImages() const
{
    return m_flacFile && guarded(false, [&] { return !m_flacFile->pictureList().isEmpty(); });
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
        const TagLib::List<TagLib::FLAC::Picture*> pictures = m_flacFile->pictureList();
        TagLib::FLAC::Picture* reused = pictures.isEmpty() ? nullptr : pictures.front();
        std::unique_ptr<TagLib::FLAC::Picture> created;
        if (!reused) {
            created = std::make_unique<TagLib::FLAC::Picture>();
            created->setType(TagLib::FLAC::Picture::FrontCover);
        }
        TagLib::FLAC::Picture* picture = reused ? reused : created.get();

        picture->setMimeType(encoded.isPng ? "image/png" : "image/jpeg");
        picture->setData(TagLib::ByteVector(encoded.bytes.constData(),
                                            static_cast<unsigned int>(encoded.bytes.size())));
        // The block also states the picture's size; a reused one must not
        // keep the old picture's.
        picture->setWidth(image.width());
        picture->setHeight(image.height());
        picture->setColorDepth(encoded.isPng && image.hasAlphaChannel() ? 32 : 24);
        picture->setNumColors(0);
        if (created)
            m_flacFile->addPicture(created.release());
    });
}
