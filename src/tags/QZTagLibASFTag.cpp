#include "tags/QZTagLibASFTag.h"

#include "tags/AsfObjectWalker.h"
#include "tags/ImageCodec.h"
#include "tags/NumberPair.h"
#include "tags/TagLibGuard.h"
#include "tags/TagLibText.h"
#include "tags/WindowedFile.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/tstringlist.h>

#include <memory>
#include <utility>

using namespace tagmint::tags;

namespace {

const char* const kPicture = "WM/Picture";

constexpr qint64 kObjectHeaderSize = 24;
// Padding a rewritten header gets, and the most an edit may leave.
constexpr qint64 kRoomPadding = 1024;
constexpr qint64 kMostPadding = 64 * 1024;

QByteArray bytesOf(const TagLib::ByteVector& data)
{
    return QByteArray(data.data(), qsizetype(data.size()));
}

QString attributeValueText(const TagLib::ASF::Attribute& attribute)
{
    switch (attribute.type()) {
    case TagLib::ASF::Attribute::UnicodeType: return fromTagLib(attribute.toString());
    case TagLib::ASF::Attribute::DWordType: return QString::number(attribute.toUInt());
    case TagLib::ASF::Attribute::QWordType: return QString::number(attribute.toULongLong());
    case TagLib::ASF::Attribute::WordType: return QString::number(attribute.toUShort());
    default: return QString();
    }
}

} // namespace

QZTagLibASFTag::~QZTagLibASFTag()
{
    closeFile();
}

const QStringList& QZTagLibASFTag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("wma"), QStringLiteral("asf")};
    return extensions;
}

bool QZTagLibASFTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibASFTag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    return parseFile();
}

bool QZTagLibASFTag::parseFile()
{
    ByteRange audio;
    WindowedFile walked(streamFile());
    return asf::checkAsf(walked, &audio).holds() && parseStream(audio);
}

bool QZTagLibASFTag::parseStream(const ByteRange& audio)
{
    // TagLib reads from where the stream stands.
    stream()->seek(0);
    auto file = std::make_unique<TagLib::ASF::File>(stream(), false, TagLib::AudioProperties::Average);
    if (!file->isValid() || !file->tag())
        return false;
    m_tag = file->tag();
    m_audio = audio;
    m_file = file.release();
    return true;
}

void QZTagLibASFTag::closeTagLibFile()
{
    m_tag = nullptr;
    delete m_file;
    m_file = nullptr;
    m_saved = false;
}

bool QZTagLibASFTag::writeTags()
{
    if (!m_file || !m_tag)
        return false;
    try {
        if (m_saved && !reparseKeepingEdits())
            return false;
        flushIntermediateValues();
        m_saved = true;
        return m_file->save() && fitHeader();
    } catch (...) {
        return false;
    }
}

// TagLib's file object keeps the header length and padding it wrote, which
// neither the padding fit nor a failed commit leaves in the file: a later
// save starts from the file as it is, with the tag as edited since.
bool QZTagLibASFTag::reparseKeepingEdits()
{
    const std::unique_ptr<TagLib::ASF::File> edited(m_file);
    const TagLib::ASF::Tag& editedTag = *m_tag;
    m_file = nullptr;
    m_tag = nullptr;
    m_saved = false;
    if (!parseFile())
        return false;
    m_tag->setTitle(editedTag.title());
    m_tag->setArtist(editedTag.artist());
    m_tag->setComment(editedTag.comment());
    m_tag->setCopyright(editedTag.copyright());
    m_tag->setRating(editedTag.rating());
    const TagLib::ASF::AttributeListMap& attributes = editedTag.attributeListMap();
    TagLib::StringList removed;
    for (const auto& [name, values] : std::as_const(*m_tag).attributeListMap()) {
        if (!attributes.contains(name))
            removed.append(name);
    }
    for (const TagLib::String& name : removed)
        m_tag->removeItem(name);
    for (const auto& [name, values] : attributes)
        m_tag->setAttribute(name, values);
    return true;
}

// TagLib renders the whole header object anew, padding object included as
// it was: any edit that changes the header's length moves the audio and
// rewrites the file. Resizing the padding keeps the old length where the
// difference fits; where it does not, the rewritten file gets room for
// later edits.
bool QZTagLibASFTag::fitHeader()
{
    TagLib::IOStream& bytes = *stream();
    bytes.seek(16);
    const TagLib::ByteVector sizeField = bytes.readBlock(8);
    if (sizeField.size() != 8)
        return false;
    const qint64 oldSize = m_audio.offset;
    const qint64 newSize = qint64(sizeField.toLongLong(false));
    if (newSize == oldSize || newSize <= 0 || newSize > bytes.length())
        return true;
    bytes.seek(0);
    const TagLib::ByteVector rendered = bytes.readBlock(static_cast<unsigned long>(newSize));
    const QByteArray header(rendered.data(), qsizetype(rendered.size()));
    const qint64 keepingSize = asf::paddingSize(header) + oldSize - newSize;
    const bool fits = keepingSize == 0 || (keepingSize >= kObjectHeaderSize && keepingSize <= kMostPadding);
    const QByteArray fitted = asf::withPadding(header, fits ? keepingSize : kObjectHeaderSize + kRoomPadding);
    bytes.insert(TagLib::ByteVector(fitted.constData(), static_cast<unsigned int>(fitted.size())), 0,
                 static_cast<unsigned long>(newSize));
    m_audio.offset = fitted.size();
    return true;
}

AudioLayout QZTagLibASFTag::audioLayout()
{
    // After a failed commit the file still has the old header.
    if (m_saved)
        reparseKeepingEdits();
    return {m_file ? QList<ByteRange>{m_audio} : QList<ByteRange>(), {}};
}

// --- Attributes -------------------------------------------------------------

QString QZTagLibASFTag::attributeText(const char* name) const
{
    if (!m_tag)
        return QString();
    return guarded(QString(), [&] {
        QStringList values;
        for (const TagLib::ASF::Attribute& attribute : m_tag->attribute(name)) {
            const QString value = attributeValueText(attribute);
            if (!value.isEmpty())
                values << value;
        }
        return values.join(QLatin1Char(' '));
    });
}

void QZTagLibASFTag::setAttributeText(const char* name, const QString& value)
{
    if (!m_tag || attributeText(name) == value)
        return;
    guardedVoid([&] {
        if (value.isEmpty())
            m_tag->removeItem(name);
        else
            m_tag->setAttribute(name, TagLib::ASF::Attribute(toTagLib(value)));
    });
}

// The content description object's fields go through TagLib's accessors.
QString QZTagLibASFTag::descriptionText(TagGetter getter) const
{
    return m_tag ? guarded(QString(), [&] { return fromTagLib((m_tag->*getter)()); }) : QString();
}

void QZTagLibASFTag::setDescriptionText(TagSetter setter, const QString& value)
{
    if (m_tag)
        guardedVoid([&] { (m_tag->*setter)(toTagLib(value)); });
}

QString QZTagLibASFTag::copyright() const
{
    return m_tag ? guarded(QString(), [&] { return fromTagLib(m_tag->copyright()); }) : QString();
}

void QZTagLibASFTag::setCopyright(const QString& value)
{
    if (m_tag)
        guardedVoid([&] { m_tag->setCopyright(toTagLib(value)); });
}

int QZTagLibASFTag::tempo() const
{
    return leadingInteger(attributeText("WM/BeatsPerMinute"));
}

void QZTagLibASFTag::setTempo(int value)
{
    setAttributeText("WM/BeatsPerMinute", value >= 1 ? QString::number(value) : QString());
}

int QZTagLibASFTag::year() const
{
    return qMax(leadingInteger(attributeText("WM/Year")), 0);
}

void QZTagLibASFTag::setYear(int value)
{
    // A full date reads as its year; it is only rewritten when the year changes.
    if (year() != qMax(value, 0))
        setAttributeText("WM/Year", value >= 1 ? QString::number(value) : QString());
}

void QZTagLibASFTag::loadIntermediateValues()
{
    const NumberPair track = parseNumberPair(attributeText("WM/TrackNumber"));
    const NumberPair disc = parseNumberPair(attributeText("WM/PartOfSet"));
    m_trackNumber = track.number;
    m_tracksTotal = track.total > 0 ? track.total : leadingInteger(attributeText("TotalTracks"));
    m_discNumber = disc.number;
    m_discsTotal = disc.total;
}

// The track number alone in "WM/TrackNumber", as players expect, and its
// total in "TotalTracks"; the disc as "n/m" in "WM/PartOfSet".
void QZTagLibASFTag::flushIntermediateValues()
{
    setAttributeText("WM/TrackNumber", formatNumberPair(m_trackNumber, 0, ZeroNumber::Empty));
    setAttributeText("TotalTracks", m_trackNumber > 0 && m_tracksTotal > 0 ? QString::number(m_tracksTotal)
                                                                           : QString());
    setAttributeText("WM/PartOfSet", formatNumberPair(m_discNumber, m_discsTotal, ZeroNumber::Empty));
}

// --- Facts ------------------------------------------------------------------

QString QZTagLibASFTag::tagFormat() const
{
    return m_file ? QStringLiteral("ASF") : QString();
}

bool QZTagLibASFTag::isReadOnly() const
{
    return m_file && guarded(false, [&] { return m_file->readOnly(); });
}

// --- Pictures ---------------------------------------------------------------

QList<TagLib::ASF::Picture> QZTagLibASFTag::pictures() const
{
    QList<TagLib::ASF::Picture> result;
    if (!m_tag)
        return result;
    guardedVoid([&] {
        for (const TagLib::ASF::Attribute& attribute : m_tag->attribute(kPicture)) {
            const TagLib::ASF::Picture picture = attribute.toPicture();
            if (picture.isValid())
                result.append(picture);
        }
    });
    return result;
}

QList<QZTagLibTagImage> QZTagLibASFTag::images() const
{
    QList<QZTagLibTagImage> result;
    for (const TagLib::ASF::Picture& picture : pictures()) {
        const QImage image = decodeImage(bytesOf(picture.picture()));
        if (!image.isNull())
            result.append(QZTagLibTagImage{image, int(picture.type())});
    }
    return result;
}

TagPicture QZTagLibASFTag::firstPicture() const
{
    for (const TagLib::ASF::Picture& picture : pictures()) {
        TagPicture found = pictureFromBytes(bytesOf(picture.picture()));
        if (!found.image.isNull())
            return found;
    }
    return {};
}

QSize QZTagLibASFTag::decodableImageSize() const
{
    for (const TagLib::ASF::Picture& picture : pictures()) {
        if (const QSize size = decodableSize(bytesOf(picture.picture())); size.isValid())
            return size;
    }
    return {};
}

bool QZTagLibASFTag::hasImages() const
{
    return m_tag && guarded(false, [&] { return m_tag->contains(kPicture); });
}

void QZTagLibASFTag::removePictures()
{
    if (m_tag)
        guardedVoid([&] { m_tag->removeItem(kPicture); });
}

void QZTagLibASFTag::storePicture(const EncodedImage& encoded, const QImage& /*image*/)
{
    if (!m_tag)
        return;
    guardedVoid([&] {
        TagLib::ASF::AttributeList attributes = m_tag->attribute(kPicture);
        TagLib::ASF::Picture picture = attributes.isEmpty() ? TagLib::ASF::Picture() : attributes.front().toPicture();
        if (!picture.isValid()) {
            picture = TagLib::ASF::Picture();
            picture.setType(TagLib::ASF::Picture::FrontCover);
        }
        picture.setMimeType(encoded.isPng ? "image/png" : "image/jpeg");
        picture.setPicture(TagLib::ByteVector(encoded.bytes.constData(), unsigned(encoded.bytes.size())));
        if (attributes.isEmpty())
            attributes.append(TagLib::ASF::Attribute(picture));
        else
            attributes.front() = TagLib::ASF::Attribute(picture);
        m_tag->setAttribute(kPicture, attributes);
    });
}
