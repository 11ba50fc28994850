#include "tags/QZTagLibAPETag.h"

#include "tags/ApeTagWalker.h"
#include "tags/ImageCodec.h"
#include "tags/NumberPair.h"
#include "tags/TagLibText.h"
#include "tags/WindowedFile.h"

#include <taglib/apefile.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/id3v1tag.h>
#include <taglib/mpcfile.h>
#include <taglib/wavpackfile.h>

#include <climits>
#include <memory>

using namespace tagmint::tags;

namespace {

const char* const kFrontCover = "Cover Art (Front)";
const char* const kCoverPrefix = "COVER ART (";   // item keys are compared upper case

template <class ApeFile>
std::unique_ptr<TagLib::File> openApeFile(TagLib::IOStream* stream, TagLib::APE::Tag*& apeTag,
                                          TagLib::ID3v1::Tag*& id3v1Tag)
{
    auto file = std::make_unique<ApeFile>(stream, false, TagLib::AudioProperties::Average);
    if (!file->isValid())
        return nullptr;
    apeTag = file->APETag(true);
    id3v1Tag = file->ID3v1Tag(false);
    return file;
}

QByteArray bytesOf(const TagLib::ByteVector& data)
{
    return QByteArray(data.data(), qsizetype(data.size()));
}

// A cover item's bytes after the file name and its zero byte.
QByteArray pictureOfCoverItem(const TagLib::APE::Item& item)
{
    const QByteArray data = bytesOf(item.binaryData());
    const qsizetype zero = data.indexOf('\0');
    return zero < 0 ? QByteArray() : data.mid(zero + 1);
}

std::optional<int> pictureTypeOfKey(const TagLib::String& upperKey)
{
    if (upperKey == "COVER ART (FRONT)")
        return 3;
    if (upperKey == "COVER ART (BACK)")
        return 4;
    return std::nullopt;
}

} // namespace

QZTagLibAPETag::~QZTagLibAPETag()
{
    closeFile();
}

const QStringList& QZTagLibAPETag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("wv"), QStringLiteral("ape"),
                                        QStringLiteral("mpc")};
    return extensions;
}

bool QZTagLibAPETag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibAPETag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    ape::Layout layout;
    WindowedFile walked(streamFile());
    if (!ape::checkApe(walked, &layout).holds())
        return false;
    TagLib::APE::Tag* apeTag = nullptr;
    TagLib::ID3v1::Tag* id3v1Tag = nullptr;
    std::unique_ptr<TagLib::File> file;
    switch (layout.container) {
    case ape::Container::WavPack:
        file = openApeFile<TagLib::WavPack::File>(stream(), apeTag, id3v1Tag);
        break;
    case ape::Container::MonkeysAudio:
        file = openApeFile<TagLib::APE::File>(stream(), apeTag, id3v1Tag);
        break;
    case ape::Container::Musepack:
        file = openApeFile<TagLib::MPC::File>(stream(), apeTag, id3v1Tag);
        break;
    }
    if (!file || !apeTag)
        return false;
    m_apeTag = apeTag;
    m_id3v1Tag = id3v1Tag;
    m_audio = layout.audio;
    m_file = file.release();
    return true;
}

void QZTagLibAPETag::closeTagLibFile()
{
    m_apeTag = nullptr;
    m_id3v1Tag = nullptr;
    delete m_file;
    m_file = nullptr;
}

bool QZTagLibAPETag::writeTags()
{
    if (!m_file || !m_apeTag)
        return false;
    try {
        flushIntermediateValues();
        dropEmptyItems(*m_apeTag);
        if (m_id3v1Tag)
            TagLib::Tag::duplicate(m_apeTag, m_id3v1Tag, true);
        return m_file->save();
    } catch (...) {
        return false;
    }
}

void QZTagLibAPETag::dropEmptyItems(TagLib::APE::Tag& tag)
{
    TagLib::StringList empty;
    for (const auto& [key, item] : tag.itemListMap()) {
        if (item.isEmpty())
            empty.append(key);
    }
    for (const TagLib::String& key : empty)
        tag.removeItem(key);
}

AudioLayout QZTagLibAPETag::audioLayout()
{
    return {m_file ? QList<ByteRange>{m_audio} : QList<ByteRange>(), {}};
}

// --- Items ------------------------------------------------------------------

QString QZTagLibAPETag::itemText(const char* key) const
{
    if (!m_apeTag)
        return QString();
    return guarded(QString(), [&] {
        const TagLib::APE::ItemListMap& items = m_apeTag->itemListMap();
        const auto it = items.find(TagLib::String(key).upper());
        if (it == items.end() || it->second.type() != TagLib::APE::Item::Text)
            return QString();
        return fromTagLib(it->second.values().toString(" "));
    });
}

void QZTagLibAPETag::setItemText(const char* key, const QString& value)
{
    if (!m_apeTag || itemText(key) == value)
        return;
    guardedVoid([&] {
        if (value.isEmpty())
            m_apeTag->removeItem(key);
        else
            m_apeTag->addValue(key, toTagLib(value), true);
    });
}

QString QZTagLibAPETag::withID3v1Fallback(const char* key, TagGetter id3v1Field) const
{
    const QString value = itemText(key);
    if (!value.isEmpty() || !m_id3v1Tag)
        return value;
    return guarded(QString(), [&] { return fromTagLib((m_id3v1Tag->*id3v1Field)()); });
}

int QZTagLibAPETag::tempo() const
{
    return leadingInteger(itemText("BPM"));
}

void QZTagLibAPETag::setTempo(int value)
{
    setItemText("BPM", value >= 1 ? QString::number(value) : QString());
}

int QZTagLibAPETag::year() const
{
    const int value = leadingInteger(itemText("Year"));
    if (value > 0 || !m_id3v1Tag)
        return qMax(value, 0);
    const unsigned int id3v1Year = guarded(0u, [&] { return m_id3v1Tag->year(); });
    return id3v1Year > unsigned(INT_MAX) ? INT_MAX : int(id3v1Year);
}

void QZTagLibAPETag::setYear(int value)
{
    // A full date ("2004-05-06") reads as its year; it is only rewritten
    // when the year changes.
    if (year() != qMax(value, 0))
        setItemText("Year", value >= 1 ? QString::number(value) : QString());
}

void QZTagLibAPETag::loadIntermediateValues()
{
    const NumberPair track = parseNumberPair(itemText("Track"));
    const NumberPair disc = parseNumberPair(itemText("Disc"));
    m_trackNumber = track.number;
    m_tracksTotal = track.total;
    if (m_trackNumber == 0 && m_id3v1Tag)
        m_trackNumber = int(qMin(guarded(0u, [&] { return m_id3v1Tag->track(); }), 255u));
    m_discNumber = disc.number;
    m_discsTotal = disc.total;
}

void QZTagLibAPETag::flushIntermediateValues()
{
    setItemText("Track", formatNumberPair(m_trackNumber, m_tracksTotal, ZeroNumber::Empty));
    setItemText("Disc", formatNumberPair(m_discNumber, m_discsTotal, ZeroNumber::Empty));
}

// --- Facts ------------------------------------------------------------------

QString QZTagLibAPETag::tagFormat() const
{
    if (!m_file)
        return QString();
    QStringList parts;
    if (m_apeTag && !guarded(true, [&] { return m_apeTag->isEmpty(); }))
        parts << QStringLiteral("APEv2");
    if (m_id3v1Tag)
        parts << QStringLiteral("ID3v1");
    return parts.isEmpty() ? QStringLiteral("No tags") : parts.join(QStringLiteral(", "));
}

bool QZTagLibAPETag::isReadOnly() const
{
    return m_file && guarded(false, [&] { return m_file->readOnly(); });
}

// --- Pictures ---------------------------------------------------------------

QList<QZTagLibAPETag::Cover> QZTagLibAPETag::covers() const
{
    QList<Cover> result;
    if (!m_apeTag)
        return result;
    guardedVoid([&] {
        for (const auto& [key, item] : m_apeTag->itemListMap()) {
            if (key.startsWith(kCoverPrefix) && item.type() == TagLib::APE::Item::Binary)
                result.append({pictureTypeOfKey(key), pictureOfCoverItem(item)});
        }
    });
    return result;
}

QList<QZTagLibTagImage> QZTagLibAPETag::images() const
{
    QList<QZTagLibTagImage> result;
    for (const Cover& cover : covers()) {
        const QImage image = decodeImage(cover.bytes);
        if (!image.isNull())
            result.append(QZTagLibTagImage{image, cover.type});
    }
    return result;
}

TagPicture QZTagLibAPETag::firstPicture() const
{
    for (const Cover& cover : covers()) {
        TagPicture picture = pictureFromBytes(cover.bytes);
        if (!picture.image.isNull())
            return picture;
    }
    return {};
}

QSize QZTagLibAPETag::decodableImageSize() const
{
    for (const Cover& cover : covers()) {
        if (const QSize size = decodableSize(cover.bytes); size.isValid())
            return size;
    }
    return {};
}

bool QZTagLibAPETag::hasImages() const
{
    return !covers().isEmpty();
}

void QZTagLibAPETag::removePictures()
{
    if (!m_apeTag)
        return;
    guardedVoid([&] {
        TagLib::StringList covers;
        for (const auto& [key, item] : m_apeTag->itemListMap()) {
            if (key.startsWith(kCoverPrefix))
                covers.append(key);
        }
        for (const TagLib::String& key : covers)
            m_apeTag->removeItem(key);
    });
}

void QZTagLibAPETag::storePicture(const EncodedImage& encoded, const QImage& /*image*/)
{
    if (!m_apeTag)
        return;
    const QByteArray data = QByteArray(encoded.isPng ? "cover.png" : "cover.jpg") + '\0' + encoded.bytes;
    guardedVoid([&] {
        m_apeTag->setItem(kFrontCover, TagLib::APE::Item(kFrontCover,
                                                         TagLib::ByteVector(data.constData(), unsigned(data.size())),
                                                         true));
    });
}
