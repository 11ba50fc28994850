#include "tags/QZTagLibOggTag.h"

#include "tags/OggPageWalker.h"
#include "tags/TagLibGuard.h"
#include "tags/WindowedFile.h"

#include <taglib/flacpicture.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tiostream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <memory>

using namespace tagmint::tags;

namespace {

constexpr quint8 kVorbisCommentBlock = 4;
constexpr quint8 kLastMetadataBlock = 0x80;
constexpr unsigned int kLongestMetadataBlock = 0xFFFFFF;

enum class OggCodec { Unknown, Vorbis, Opus, Flac, Speex };

OggCodec codecOf(const QByteArray& firstPacket)
{
    if (firstPacket.startsWith("\x01vorbis"))
        return OggCodec::Vorbis;
    if (firstPacket.startsWith("OpusHead"))
        return OggCodec::Opus;
    if (firstPacket.startsWith("\x7f" "FLAC"))
        return OggCodec::Flac;
    if (firstPacket.startsWith("Speex   "))
        return OggCodec::Speex;
    return OggCodec::Unknown;
}

// Room a comment packet keeps to spare when it grows, and the most it may
// keep when it shrinks.
constexpr unsigned int kCommentPadding = 1024;
constexpr unsigned int kMostCommentPadding = 64 * 1024;

unsigned int paddedPacketLength(unsigned int needed, unsigned int current)
{
    if (needed <= current && current - needed <= kMostCommentPadding)
        return current;
    return needed + kCommentPadding;
}

// How each codec frames its comment packet: what precedes the comment and
// whether a framing bit ends it.
struct VorbisPacket {
    static bool isComment(const TagLib::ByteVector& packet)
    {
        return packet.startsWith(TagLib::ByteVector("\x03vorbis", 7));
    }
    static TagLib::ByteVector render(TagLib::Ogg::XiphComment& comment, const TagLib::ByteVector& /*old*/)
    {
        TagLib::ByteVector packet("\x03vorbis", 7);
        packet.append(comment.render(true));
        return packet;
    }
};

struct OpusPacket {
    static bool isComment(const TagLib::ByteVector& packet) { return packet.startsWith("OpusTags"); }
    static TagLib::ByteVector render(TagLib::Ogg::XiphComment& comment, const TagLib::ByteVector& /*old*/)
    {
        TagLib::ByteVector packet("OpusTags", 8);
        packet.append(comment.render(false));
        return packet;
    }
};

struct SpeexPacket {
    static bool isComment(const TagLib::ByteVector& /*packet*/) { return true; }   // no marker
    static TagLib::ByteVector render(TagLib::Ogg::XiphComment& comment, const TagLib::ByteVector& /*old*/)
    {
        return comment.render(true);
    }
};

// A FLAC metadata block: type and last-block flag, then a 24-bit length
// (filled in once the padding is known; a longer block cannot be written). The flag stays as it was: TagLib
// 1.13 would clear it, and readers would then take the first audio frame
// for another block.
struct FlacPacket {
    static bool isComment(const TagLib::ByteVector& packet)
    {
        return !packet.isEmpty() && (quint8(packet[0]) & ~kLastMetadataBlock) == kVorbisCommentBlock;
    }
    static TagLib::ByteVector render(TagLib::Ogg::XiphComment& comment, const TagLib::ByteVector& old)
    {
        TagLib::ByteVector packet(4, '\0');
        packet[0] = char(kVorbisCommentBlock | (quint8(old[0]) & kLastMetadataBlock));
        packet.append(comment.render(false));
        return packet;
    }
    static bool finish(TagLib::ByteVector& packet)
    {
        const unsigned int length = packet.size() - 4;
        if (length > kLongestMetadataBlock)
            return false;
        packet[1] = char(length >> 16);
        packet[2] = char(length >> 8);
        packet[3] = char(length);
        return true;
    }
};

template <class Packet>
bool finishPacket(TagLib::ByteVector& packet)
{
    if constexpr (requires { Packet::finish(packet); })
        return Packet::finish(packet);
    return true;
}

// An Ogg file whose comment packet keeps padding after the comment, as FLAC
// and ID3v2 tags do: TagLib writes the bare comment, so any edit would
// change the packet's length, and with it the pages and the whole file. A
// packet of the same length is written over the old one. Readers take the
// comment by its counts and skip the zero bytes after it.
template <class Base, class Packet>
class PaddedCommentFile : public Base {
public:
    explicit PaddedCommentFile(TagLib::IOStream* stream)
        : Base(stream, false, TagLib::AudioProperties::Average)
    {
    }

    bool save() override
    {
        if (this->readOnly())
            return false;
        // The comment follows the identification header, packet 0.
        const TagLib::ByteVector old = this->packet(1);
        if (!Packet::isComment(old))
            return false;
        TagLib::ByteVector packet = Packet::render(*this->tag(), old);
        packet.resize(paddedPacketLength(packet.size(), old.size()), '\0');
        if (!finishPacket<Packet>(packet))
            return false;
        this->setPacket(1, packet);
        return TagLib::Ogg::File::save();
    }
};

template <class Base, class Packet>
std::unique_ptr<TagLib::File> openOggFile(TagLib::IOStream* stream, TagLib::Ogg::XiphComment*& comment)
{
    auto file = std::make_unique<PaddedCommentFile<Base, Packet>>(stream);
    if (!file->isValid())
        return nullptr;
    comment = file->tag();
    return file;
}

} // namespace

QZTagLibOggTag::~QZTagLibOggTag()
{
    closeFile();
}

const QStringList& QZTagLibOggTag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("ogg"), QStringLiteral("oga"),
                                        QStringLiteral("opus"), QStringLiteral("spx")};
    return extensions;
}

bool QZTagLibOggTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibOggTag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    QByteArray firstPacket;
    WindowedFile walked(streamFile());
    if (!ogg::checkOgg(walked, &firstPacket).holds())
        return false;
    TagLib::Ogg::XiphComment* comment = nullptr;
    std::unique_ptr<TagLib::File> file;
    switch (codecOf(firstPacket)) {
    case OggCodec::Vorbis: file = openOggFile<TagLib::Ogg::Vorbis::File, VorbisPacket>(stream(), comment); break;
    case OggCodec::Opus: file = openOggFile<TagLib::Ogg::Opus::File, OpusPacket>(stream(), comment); break;
    case OggCodec::Flac: file = openOggFile<TagLib::Ogg::FLAC::File, FlacPacket>(stream(), comment); break;
    case OggCodec::Speex: file = openOggFile<TagLib::Ogg::Speex::File, SpeexPacket>(stream(), comment); break;
    case OggCodec::Unknown: return false;
    }
    if (!file || !comment)
        return false;
    m_xiph.attach(comment);
    m_file = file.release();
    return true;
}

void QZTagLibOggTag::closeTagLibFile()
{
    m_xiph.attach(nullptr);
    delete m_file;
    m_file = nullptr;
}

bool QZTagLibOggTag::writeTags()
{
    if (!m_file || !m_xiph.comment())
        return false;
    try {
        flushIntermediateValues();
        const std::optional<QByteArray> before = packetDigest();
        if (!before || !m_file->save())
            return false;
        return packetDigest() == before;
    } catch (...) {
        return false;
    }
}

void QZTagLibOggTag::loadIntermediateValues()
{
    const NumberPair track = m_xiph.track();
    const NumberPair disc = m_xiph.disc();
    m_trackNumber = track.number;
    m_tracksTotal = track.total;
    m_discNumber = disc.number;
    m_discsTotal = disc.total;
}

void QZTagLibOggTag::flushIntermediateValues()
{
    m_xiph.writeNumbers(m_trackNumber, m_tracksTotal, m_discNumber, m_discsTotal);
}

QString QZTagLibOggTag::tagFormat() const
{
    return m_file ? QStringLiteral("Xiph Comment") : QString();
}

bool QZTagLibOggTag::isReadOnly() const
{
    return m_file && guarded(false, [&] { return m_file->readOnly(); });
}

ogg::ReadAt QZTagLibOggTag::streamReader() const
{
    TagLib::IOStream* data = stream();
    return [data](qint64 offset, qint64 length) {
        data->seek(long(offset));
        const TagLib::ByteVector bytes = data->readBlock(static_cast<unsigned long>(length));
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    };
}

std::optional<QByteArray> QZTagLibOggTag::packetDigest() const
{
    return ogg::audioPacketDigest(streamReader(), stream()->length());
}

// --- Pictures ---------------------------------------------------------------

FlacPictureList QZTagLibOggTag::pictures() const
{
    TagLib::Ogg::XiphComment* comment = m_xiph.comment();
    return comment ? guarded(FlacPictureList(), [&] { return comment->pictureList(); }) : FlacPictureList();
}

QList<QZTagLibTagImage> QZTagLibOggTag::images() const
{
    return decodeFlacPictures(pictures());
}

TagPicture QZTagLibOggTag::firstPicture() const
{
    return firstDecodableFlacPicture(pictures());
}

QSize QZTagLibOggTag::decodableImageSize() const
{
    return decodableFlacPictureSize(pictures());
}

bool QZTagLibOggTag::hasImages() const
{
    return !pictures().isEmpty();
}

void QZTagLibOggTag::removePictures()
{
    if (TagLib::Ogg::XiphComment* comment = m_xiph.comment())
        guardedVoid([&] { comment->removeAllPictures(); });
}

void QZTagLibOggTag::storePicture(const EncodedImage& encoded, const QImage& image)
{
    TagLib::Ogg::XiphComment* comment = m_xiph.comment();
    if (!comment)
        return;
    guardedVoid([&] {
        // The first picture keeps its type and description; the others stay.
        const FlacPictureList existing = comment->pictureList();
        if (!existing.isEmpty()) {
            fillFlacPicture(*existing.front(), encoded, image);
            return;
        }
        auto created = std::make_unique<TagLib::FLAC::Picture>();
        created->setType(TagLib::FLAC::Picture::FrontCover);
        fillFlacPicture(*created, encoded, image);
        comment->addPicture(created.release());
    });
}
