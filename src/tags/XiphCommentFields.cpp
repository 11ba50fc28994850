#include "tags/XiphCommentFields.h"

#include "tags/ImageCodec.h"
#include "tags/TagLibGuard.h"
#include "tags/TagLibText.h"

#include <taglib/flacpicture.h>
#include <taglib/xiphcomment.h>

#include <climits>

namespace tagmint::tags {

namespace {

// Fields TagLib's generic accessors cover; the others go by name.
struct GenericAccess {
    TagGetter get;
    TagSetter set;
};

const GenericAccess* genericAccess(XiphText field)
{
    static const GenericAccess title{&TagLib::Tag::title, &TagLib::Tag::setTitle};
    static const GenericAccess artist{&TagLib::Tag::artist, &TagLib::Tag::setArtist};
    static const GenericAccess album{&TagLib::Tag::album, &TagLib::Tag::setAlbum};
    static const GenericAccess genre{&TagLib::Tag::genre, &TagLib::Tag::setGenre};
    switch (field) {
    case XiphText::Title: return &title;
    case XiphText::Artist: return &artist;
    case XiphText::Album: return &album;
    case XiphText::Genre: return &genre;
    default: return nullptr;
    }
}

struct FieldNames {
    const char* key;
    const char* alternative;
};

FieldNames namedField(XiphText field)
{
    switch (field) {
    case XiphText::AlbumArtist: return {"ALBUMARTIST", "ALBUMARTIST2"};
    case XiphText::InitialKey: return {"INITIALKEY", nullptr};
    case XiphText::EncodedBy: return {"ENCODEDBY", nullptr};
    case XiphText::Grouping: return {"GROUPING", nullptr};
    case XiphText::Composer: return {"COMPOSER", nullptr};
    case XiphText::Copyright: return {"COPYRIGHT", nullptr};
    default: return {nullptr, nullptr};
    }
}

QString joinedValues(const TagLib::Ogg::XiphComment* comment, const char* key)
{
    if (!comment || !key)
        return QString();
    const TagLib::Ogg::FieldListMap& fields = comment->fieldListMap();
    const auto it = fields.find(key);
    return it == fields.end() ? QString() : fromTagLib(it->second.toString(" "));
}

QByteArray bytesOf(const TagLib::ByteVector& data)
{
    return QByteArray(data.data(), qsizetype(data.size()));
}

} // namespace

// The values of key joined with " "; those of alternative when key has
// none; "" otherwise.
QString XiphCommentFields::fieldValue(const char* key, const char* alternative) const
{
    return guarded(QString(), [&] {
        const QString value = joinedValues(m_comment, key);
        return value.isEmpty() ? joinedValues(m_comment, alternative) : value;
    });
}

// Replaces key (and alternative) with value; "" removes them.
void XiphCommentFields::setFieldValue(const char* key, const char* alternative, const QString& value)
{
    if (!m_comment || !key)
        return;
    guardedVoid([&] {
        for (const char* name : {key, alternative}) {
            if (!name)
                continue;
            if (value.isEmpty())
                m_comment->removeFields(name);
            else
                m_comment->addField(name, toTagLib(value), true);
        }
    });
}

QString XiphCommentFields::text(XiphText field) const
{
    if (!m_comment)
        return QString();
    if (const GenericAccess* access = genericAccess(field))
        return guarded(QString(), [&] { return fromTagLib((m_comment->*access->get)()); });
    if (field == XiphText::Comment) {
        const QString value = guarded(QString(), [&] { return fromTagLib(m_comment->comment()); });
        return value.isEmpty() ? fieldValue("COMMENT") : value;
    }
    const FieldNames names = namedField(field);
    return fieldValue(names.key, names.alternative);
}

void XiphCommentFields::setText(XiphText field, const QString& value)
{
    if (!m_comment || text(field) == value)
        return;
    if (const GenericAccess* access = genericAccess(field)) {
        guardedVoid([&] { (m_comment->*access->set)(toTagLib(value)); });
    } else if (field == XiphText::Comment) {
        // TagLib reads DESCRIPTION before COMMENT; a comment that has one
        // gets it changed too, or the edit would not show after the save.
        const bool hasDescription = !fieldValue("DESCRIPTION").isEmpty();
        setFieldValue("COMMENT", hasDescription ? "DESCRIPTION" : nullptr, value);
    } else {
        const FieldNames names = namedField(field);
        setFieldValue(names.key, names.alternative, value);
    }
}

int XiphCommentFields::tempo() const
{
    return leadingInteger(fieldValue("BPM"));
}

void XiphCommentFields::setTempo(int value)
{
    setFieldValue("BPM", nullptr, value >= 1 ? QString::number(value) : QString());
}

int XiphCommentFields::year() const
{
    const unsigned int value = m_comment ? guarded(0u, [&] { return m_comment->year(); }) : 0;
    return value > unsigned(INT_MAX) ? INT_MAX : int(value);
}

void XiphCommentFields::setYear(int value)
{
    const unsigned int year = unsigned(qMax(value, 0));
    if (m_comment && guarded(0u, [&] { return m_comment->year(); }) != year)
        guardedVoid([&] { m_comment->setYear(year); });
}

NumberPair XiphCommentFields::track() const
{
    return parseNumberPair(fieldValue("TRACKNUMBER", "TRACKNUM"));
}

NumberPair XiphCommentFields::disc() const
{
    return parseNumberPair(fieldValue("DISCNUMBER"));
}

void XiphCommentFields::writeNumbers(int trackNumber, int tracksTotal, int discNumber, int discsTotal)
{
    setFieldValue("TRACKNUMBER", "TRACKNUM",
                  formatNumberPair(trackNumber, tracksTotal, ZeroNumber::Zero));
    setFieldValue("DISCNUMBER", nullptr, formatNumberPair(discNumber, discsTotal, ZeroNumber::Zero));
}

// --- Pictures ---------------------------------------------------------------

QList<QZTagLibTagImage> decodeFlacPictures(const FlacPictureList& pictures)
{
    QList<QZTagLibTagImage> result;
    guardedVoid([&] {
        for (const TagLib::FLAC::Picture* picture : pictures) {
            const QImage image = decodeImage(bytesOf(picture->data()));
            if (!image.isNull())
                result.append(QZTagLibTagImage{image, int(picture->type())});
        }
    });
    return result;
}

TagPicture firstDecodableFlacPicture(const FlacPictureList& pictures)
{
    return guarded(TagPicture(), [&] {
        for (const TagLib::FLAC::Picture* picture : pictures) {
            TagPicture found = pictureFromBytes(bytesOf(picture->data()));
            if (!found.image.isNull())
                return found;
        }
        return TagPicture();
    });
}

QSize decodableFlacPictureSize(const FlacPictureList& pictures)
{
    return guarded(QSize(), [&] {
        for (const TagLib::FLAC::Picture* picture : pictures) {
            const TagLib::ByteVector data = picture->data();
            if (const QSize size = decodableSize(viewOf(data)); size.isValid())
                return size;
        }
        return QSize();
    });
}

void fillFlacPicture(TagLib::FLAC::Picture& picture, const EncodedImage& encoded, const QImage& image)
{
    picture.setMimeType(encoded.isPng ? "image/png" : "image/jpeg");
    picture.setData(TagLib::ByteVector(encoded.bytes.constData(),
                                       static_cast<unsigned int>(encoded.bytes.size())));
    // The structure also states the picture's size; a reused one must not
    // keep the old picture's.
    picture.setWidth(image.width());
    picture.setHeight(image.height());
    picture.setColorDepth(encoded.isPng && image.hasAlphaChannel() ? 32 : 24);
    picture.setNumColors(0);
}

} // namespace tagmint::tags
