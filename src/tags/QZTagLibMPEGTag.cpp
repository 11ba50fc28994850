#include "tags/QZTagLibMPEGTag.h"

#include "tags/ImageCodec.h"
#include "tags/NumberPair.h"
#include "tags/TagLibGuard.h"
#include "tags/TagLibText.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <climits>
#include <memory>

using namespace tagmint::tags;

namespace {

// The ID3v2 value; the ID3v1 value when ID3v2 has none.
QString textWithFallback(const TagLib::Tag* v2, const TagLib::Tag* v1, TagGetter getter)
{
    return guarded(QString(), [&] {
        QString value = v2 ? fromTagLib((v2->*getter)()) : QString();
        if (value.isEmpty() && v1)
            value = fromTagLib((v1->*getter)());
        return value;
    });
}

// Sets the value on both tags. ID3v2 is left alone when it already holds the
// value: rewriting it would join multi-value frames into one text.
void setTextOnBoth(TagLib::Tag* v2, TagLib::Tag* v1, TagGetter getter, TagSetter setter,
                   const QString& value)
{
    guardedVoid([&] {
        const TagLib::String text = toTagLib(value);
        if (v2 && fromTagLib((v2->*getter)()) != value)
            (v2->*setter)(text);
        if (v1)
            (v1->*setter)(text);
    });
}

int clampToInt(unsigned int value)
{
    return value > unsigned(INT_MAX) ? INT_MAX : int(value);
}

TagLib::String::Type defaultTextEncoding()
{
    return TagLib::ID3v2::FrameFactory::instance()->defaultTextEncoding();
}

// Calls visit(frame, picture) for each APIC frame whose bytes decode, in tag
// order, until visit returns false.
template <class Visit>
void forEachDecodablePicture(const TagLib::ID3v2::Tag* tag, Visit&& visit)
{
    const TagLib::ID3v2::FrameList frames = tag->frameList("APIC");
    for (TagLib::ID3v2::Frame* frame : frames) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture)
            continue;
        const TagLib::ByteVector data = picture->picture();
        if (data.isEmpty())
            continue;
        const TagPicture decoded = pictureFromBytes(QByteArray(data.data(), qsizetype(data.size())));
        if (decoded.image.isNull())
            continue;
        if (!visit(*picture, decoded))
            return;
    }
}

} // namespace

QZTagLibMPEGTag::~QZTagLibMPEGTag()
{
    closeFile();
}

const QStringList& QZTagLibMPEGTag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("mp3")};
    return extensions;
}

bool QZTagLibMPEGTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibMPEGTag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    auto file = std::make_unique<TagLib::MPEG::File>(stream(), TagLib::ID3v2::FrameFactory::instance(),
                                                     false, TagLib::AudioProperties::Average);
    // TagLib calls nearly any bytes a valid MPEG file; without a single
    // frame header it is not audio, and saving would prepend a tag to it.
    if (!file->isValid() || file->firstFrameOffset() < 0)
        return false;

    // TagLib keeps an empty ID3v1 tag in memory even when the file has none.
    TagLib::ID3v1::Tag* v1 = file->ID3v1Tag(false);
    if (v1 && v1->isEmpty())
        v1 = nullptr;
    TagLib::ID3v2::Tag* v2 = file->ID3v2Tag(true);
    if (!v2)
        return false;

    // Numeric genre references ("(17)", "17") become the genre's name, so
    // a save writes the text the user saw.
    if (!v2->frameList("TCON").isEmpty())
        v2->setGenre(v2->genre());

    m_file = file.release();
    m_id3v1Tag = v1;
    m_id3v2Tag = v2;
    return true;
}

void QZTagLibMPEGTag::closeTagLibFile()
{
    delete m_file;
    m_file = nullptr;
    m_id3v1Tag = nullptr;
    m_id3v2Tag = nullptr;
}

bool QZTagLibMPEGTag::writeTags()
{
    try {
        bool ok = true;
        bool restoreComment = false;
        if (m_id3v1Tag) {
            // TagLib's duplication fills an empty ID3v1 comment from the first
            // ID3v2 comment, which need not be the one shown; a blank holds it
            // off during the ID3v1-only save.
            if (m_id3v1Tag->comment().isEmpty() && m_id3v2Tag
                && fromTagLib(m_id3v2Tag->comment()) != comment()) {
                m_id3v1Tag->setComment(" ");
                restoreComment = true;
            }
        } else {
            ok = m_id3v2Tag != nullptr;
        }

        flushIntermediateValues();

        if (m_id3v1Tag && m_file) {
            ok = m_file->save(TagLib::MPEG::File::ID3v1, TagLib::File::StripNone);
            if (restoreComment)
                m_id3v1Tag->setComment(TagLib::String());
        }

        if (!m_id3v2Tag || !m_file)
            return ok;
        // Stripping "other" tags would drop an APEv2 tag, where players
        // keep ReplayGain values; it stays as it is.
        if (ok)
            ok = m_file->save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2,
                              TagLib::File::StripNone, TagLib::ID3v2::v4,
                              TagLib::File::Duplicate);
        return ok;
    } catch (...) {
        return false;
    }
}

AudioLayout QZTagLibMPEGTag::audioLayout()
{
    if (!m_file)
        return {};
    // From the first frame header to the last one: the tags sit before and
    // after.
    const long first = m_file->firstFrameOffset();
    const long last = m_file->lastFrameOffset();
    if (first < 0 || last <= first)
        return {};
    return {{ByteRange{first, last - first}}, {}};
}

QString QZTagLibMPEGTag::artist() const
{
    return textWithFallback(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::artist);
}

void QZTagLibMPEGTag::setArtist(const QString& value)
{
    setTextOnBoth(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::artist, &TagLib::Tag::setArtist, value);
}

QString QZTagLibMPEGTag::album() const
{
    return textWithFallback(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::album);
}

void QZTagLibMPEGTag::setAlbum(const QString& value)
{
    setTextOnBoth(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::album, &TagLib::Tag::setAlbum, value);
}

QString QZTagLibMPEGTag::albumArtist() const
{
    return textFrameValue("TPE2");
}

void QZTagLibMPEGTag::setAlbumArtist(const QString& value)
{
    setTextFrameValue("TPE2", value);
}

QString QZTagLibMPEGTag::title() const
{
    return textWithFallback(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::title);
}

void QZTagLibMPEGTag::setTitle(const QString& value)
{
    setTextOnBoth(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::title, &TagLib::Tag::setTitle, value);
}

QString QZTagLibMPEGTag::comment() const
{
    return guarded(QString(), [&] {
        QString value;
        if (m_id3v2Tag) {
            const TagLib::ID3v2::CommentsFrame* primary = primaryCommentFrame();
            value = fromTagLib(primary ? primary->toString() : m_id3v2Tag->comment());
        }
        if (value.isEmpty() && m_id3v1Tag)
            value = fromTagLib(m_id3v1Tag->comment());
        return value;
    });
}

void QZTagLibMPEGTag::setComment(const QString& value)
{
    guardedVoid([&] {
        if (value.isEmpty()) {
            // For ID3v2 this removes every COMM frame, described ones included.
            if (m_id3v1Tag)
                m_id3v1Tag->setComment(TagLib::String());
            if (m_id3v2Tag)
                m_id3v2Tag->setComment(TagLib::String());
            return;
        }
        const TagLib::String text = toTagLib(value);
        if (m_id3v2Tag) {
            TagLib::ID3v2::CommentsFrame* frame = primaryCommentFrame();
            if (!frame) {
                auto created = std::make_unique<TagLib::ID3v2::CommentsFrame>(defaultTextEncoding());
                created->setLanguage("eng");
                frame = created.get();
                m_id3v2Tag->addFrame(created.release());
            }
            frame->setText(text);
        }
        if (m_id3v1Tag)
            m_id3v1Tag->setComment(text);
    });
}

QString QZTagLibMPEGTag::genre() const
{
    return textWithFallback(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::genre);
}

void QZTagLibMPEGTag::setGenre(const QString& value)
{
    setTextOnBoth(m_id3v2Tag, m_id3v1Tag, &TagLib::Tag::genre, &TagLib::Tag::setGenre, value);
}

int QZTagLibMPEGTag::tempo() const
{
    return intFrameValue("TBPM");
}

void QZTagLibMPEGTag::setTempo(int value)
{
    setIntFrameValue("TBPM", value);
}

QString QZTagLibMPEGTag::initialKey() const
{
    return textFrameValue("TKEY");
}

void QZTagLibMPEGTag::setInitialKey(const QString& value)
{
    setTextFrameValue("TKEY", value);
}

QString QZTagLibMPEGTag::encodedBy() const
{
    return textFrameValue("TENC");
}

void QZTagLibMPEGTag::setEncodedBy(const QString& value)
{
    setTextFrameValue("TENC", value);
}

QString QZTagLibMPEGTag::grouping() const
{
    return textFrameValue("TIT1");
}

void QZTagLibMPEGTag::setGrouping(const QString& value)
{
    setTextFrameValue("TIT1", value);
}

QString QZTagLibMPEGTag::composer() const
{
    return textFrameValue("TCOM");
}

void QZTagLibMPEGTag::setComposer(const QString& value)
{
    setTextFrameValue("TCOM", value);
}

QString QZTagLibMPEGTag::copyright() const
{
    return textFrameValue("TCOP");
}

void QZTagLibMPEGTag::setCopyright(const QString& value)
{
    setTextFrameValue("TCOP", value);
}

int QZTagLibMPEGTag::year() const
{
    return guarded(0, [&] {
        unsigned int value = m_id3v2Tag ? m_id3v2Tag->year() : 0;
        if (value == 0 && m_id3v1Tag)
            value = m_id3v1Tag->year();
        return clampToInt(value);
    });
}

void QZTagLibMPEGTag::setYear(int value)
{
    guardedVoid([&] {
        const unsigned int year = unsigned(qMax(value, 0));
        // Rewriting an unchanged year would cut a full date to the year.
        if (m_id3v2Tag && m_id3v2Tag->year() != year)
            m_id3v2Tag->setYear(year);
        if (m_id3v1Tag)
            m_id3v1Tag->setYear(year);
    });
}

QString QZTagLibMPEGTag::tagFormat() const
{
    if (!m_file)
        return QString();
    const bool onDiskID3v1 = guarded(false, [&] { return m_file->hasID3v1Tag(); });
    const QString id3v2 = id3v2VersionText();
    return onDiskID3v1 ? QStringLiteral("ID3v1, ") + id3v2 : id3v2;
}

QString QZTagLibMPEGTag::id3v2VersionText() const
{
    return guarded(QStringLiteral("ID3v2"), [&] {
        const TagLib::ID3v2::Header* header = m_id3v2Tag ? m_id3v2Tag->header() : nullptr;
        if (!header)
            return QStringLiteral("ID3v2");
        return QStringLiteral("ID3v2.%1.%2").arg(header->majorVersion()).arg(header->revisionNumber());
    });
}

QList<QZTagLibTagImage> QZTagLibMPEGTag::images() const
{
    QList<QZTagLibTagImage> result;
    if (!m_id3v2Tag)
        return result;
    guardedVoid([&] {
        forEachDecodablePicture(m_id3v2Tag, [&](const TagLib::ID3v2::AttachedPictureFrame& frame,
                                                const TagPicture& picture) {
            result.append(QZTagLibTagImage{picture.image, int(frame.type())});
            return true;
        });
    });
    return result;
}

TagPicture QZTagLibMPEGTag::firstPicture() const
{
    TagPicture first;
    if (!m_id3v2Tag)
        return first;
    guardedVoid([&] {
        forEachDecodablePicture(m_id3v2Tag, [&](const TagLib::ID3v2::AttachedPictureFrame&,
                                                const TagPicture& picture) {
            first = picture;
            return false;
        });
    });
    return first;
}

QSize QZTagLibMPEGTag::decodableImageSize() const
{
    if (!m_id3v2Tag)
        return QSize();
    return guarded(QSize(), [&] {
        for (TagLib::ID3v2::Frame* frame : m_id3v2Tag->frameList("APIC")) {
            const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
            if (!picture)
                continue;
            const TagLib::ByteVector data = picture->picture();
            const QSize size = decodableSize(viewOf(data));
            if (size.isValid())
                return size;
        }
        return QSize();
    });
}

bool QZTagLibMPEGTag::hasImages() const
{
    return m_id3v2Tag && guarded(false, [&] { return !m_id3v2Tag->frameList("APIC").isEmpty(); });
}

void QZTagLibMPEGTag::removePictures()
{
    if (m_id3v2Tag)
        guardedVoid([&] { m_id3v2Tag->removeFrames("APIC"); });
}

void QZTagLibMPEGTag::storePicture(const EncodedImage& encoded, const QImage& /*image*/)
{
    if (!m_id3v2Tag)
        return;
    guardedVoid([&] {
        TagLib::ID3v2::FrameList pictures = m_id3v2Tag->frameList("APIC");
        if (pictures.size() == 1) {
            m_id3v2Tag->removeFrame(pictures.front());
            pictures.clear();
        }
        // With several pictures the first is updated in place and keeps its
        // type and description.
        auto* reused = pictures.isEmpty()
            ? nullptr
            : dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
        std::unique_ptr<TagLib::ID3v2::AttachedPictureFrame> created;
        if (!reused) {
            created = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
            created->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        }
        TagLib::ID3v2::AttachedPictureFrame* frame = reused ? reused : created.get();

        frame->setMimeType(encoded.isPng ? "image/png" : "image/jpeg");
        frame->setPicture(TagLib::ByteVector(encoded.bytes.constData(),
                                             static_cast<unsigned int>(encoded.bytes.size())));
        if (created)
            m_id3v2Tag->addFrame(created.release());
    });
}

bool QZTagLibMPEGTag::isReadOnly() const
{
    return m_file && guarded(false, [&] { return m_file->readOnly(); });
}

void QZTagLibMPEGTag::loadIntermediateValues()
{
    const NumberPair track = parseNumberPair(textFrameValue("TRCK"));
    m_trackNumber = track.number;
    m_tracksTotal = track.total;
    if (m_trackNumber == 0 && m_id3v1Tag)
        m_trackNumber = guarded(0, [&] { return clampToInt(m_id3v1Tag->track()); });

    const NumberPair disc = parseNumberPair(textFrameValue("TPOS"));
    m_discNumber = disc.number;
    m_discsTotal = disc.total;
}

void QZTagLibMPEGTag::flushIntermediateValues()
{
    setTextFrameValue("TRCK", formatNumberPair(m_trackNumber, m_tracksTotal, ZeroNumber::Empty));
    if (m_id3v1Tag)
        guardedVoid([&] { m_id3v1Tag->setTrack(unsigned(qMax(m_trackNumber, 0))); });
    // A missing disc number is written as "0", not removed.
    setTextFrameValue("TPOS", formatNumberPair(m_discNumber, m_discsTotal, ZeroNumber::Zero));
}

QString QZTagLibMPEGTag::textFrameValue(const char* frameId) const
{
    if (!m_id3v2Tag || !frameId || !*frameId)
        return QString();
    return guarded(QString(), [&] {
        const TagLib::ID3v2::FrameList& frames = m_id3v2Tag->frameList(frameId);
        return frames.isEmpty() ? QString() : fromTagLib(frames.front()->toString());
    });
}

void QZTagLibMPEGTag::setTextFrameValue(const char* frameId, const QString& text)
{
    if (!m_id3v2Tag || !frameId || !*frameId)
        return;
    // An unchanged text is not rewritten, so multi-value frames keep their values.
    if (text == textFrameValue(frameId))
        return;
    guardedVoid([&] {
        const TagLib::ByteVector id(frameId);
        const TagLib::ID3v2::FrameList frames = m_id3v2Tag->frameList(id);
        if (text.isEmpty()) {
            if (!frames.isEmpty())
                m_id3v2Tag->removeFrame(frames.front());
            return;
        }
        TagLib::ID3v2::Frame* frame = frames.isEmpty() ? nullptr : frames.front();
        if (!frame) {
            auto created = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(
                id, defaultTextEncoding());
            frame = created.get();
            m_id3v2Tag->addFrame(created.release());
        }
        frame->setText(toTagLib(text));
    });
}

int QZTagLibMPEGTag::intFrameValue(const char* frameId) const
{
    return leadingInteger(textFrameValue(frameId));
}

void QZTagLibMPEGTag::setIntFrameValue(const char* frameId, int value)
{
    if (value == intFrameValue(frameId))
        return;
    setTextFrameValue(frameId, value != 0 ? QString::number(value) : QString());
}

TagLib::ID3v2::CommentsFrame* QZTagLibMPEGTag::primaryCommentFrame() const
{
    if (!m_id3v2Tag)
        return nullptr;
    return guarded<TagLib::ID3v2::CommentsFrame*>(nullptr, [&] {
        TagLib::ID3v2::CommentsFrame* primary = nullptr;
        const TagLib::ID3v2::FrameList frames = m_id3v2Tag->frameList("COMM");
        for (TagLib::ID3v2::Frame* frame : frames) {
            auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
            if (!comment || !comment->description().isEmpty())
                continue;
            // Placeholder languages mark comments written by other programs
            // for their own use.
            const TagLib::ByteVector language = comment->language();
            if (language == "XXX" || language == "xxx" || language == "und" || language == "Pur")
                continue;
            primary = comment;
        }
        return primary;
    });
}
