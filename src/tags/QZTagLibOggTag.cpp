#include "tags/QZTagLibOggTag.h"

#include "tags/OggPageWalker.h"
#include "tags/TagLibGuard.h"

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

constexpr quint8 kLastMetadataBlock = 0x80;

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

template <class OggFile>
std::unique_ptr<TagLib::File> openOggFile(TagLib::IOStream* stream, TagLib::Ogg::XiphComment*& comment)
{
    auto file = std::make_unique<OggFile>(stream, false, TagLib::AudioProperties::Average);
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

bool QZTagLibOggTag::openFile(const QString& path, quint32 /*flags*/)
{
    QByteArray firstPacket;
    if (!ogg::checkOggFile(path, &firstPacket).holds())
        return false;
    TagLib::Ogg::XiphComment* comment = nullptr;
    std::unique_ptr<TagLib::File> file;
    switch (codecOf(firstPacket)) {
    case OggCodec::Vorbis: file = openOggFile<TagLib::Ogg::Vorbis::File>(stream(), comment); break;
    case OggCodec::Opus: file = openOggFile<TagLib::Ogg::Opus::File>(stream(), comment); break;
    case OggCodec::Flac:
        file = openOggFile<TagLib::Ogg::FLAC::File>(stream(), comment);
        m_commentBlockIsLast = file && commentBlockIsLast();
        break;
    case OggCodec::Speex: file = openOggFile<TagLib::Ogg::Speex::File>(stream(), comment); break;
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
    m_commentBlockIsLast = false;
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
        if (m_commentBlockIsLast && !markCommentBlockLast())
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

// TagLib 1.13 writes an Ogg FLAC comment as if more metadata blocks
// followed it; when none does, readers then take the first audio frame
// for one.
bool QZTagLibOggTag::commentBlockIsLast() const
{
    const std::optional<ogg::PacketStart> comment = ogg::findPacketStart(streamReader(), stream()->length(), 1);
    if (!comment)
        return false;
    const QByteArray header = streamReader()(comment->byte, 1);
    return !header.isEmpty() && (quint8(header[0]) & kLastMetadataBlock);
}

bool QZTagLibOggTag::markCommentBlockLast()
{
    const std::optional<ogg::PacketStart> comment = ogg::findPacketStart(streamReader(), stream()->length(), 1);
    TagLib::IOStream* data = stream();
    const ogg::WriteAt write = [data](qint64 offset, const QByteArray& bytes) {
        data->seek(long(offset));
        data->writeBlock(TagLib::ByteVector(bytes.constData(), unsigned(bytes.size())));
    };
    return comment && ogg::setBitsInPacket(streamReader(), write, *comment, kLastMetadataBlock);
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
