#include "tags/QZTagLibTTATag.h"

#include "tags/StructureVerdict.h"
#include "tags/TagLibGuard.h"
#include "tags/WindowedFile.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/trueaudiofile.h>

#include <memory>
#include <optional>

namespace {

// Where the "TTA1" stream begins; nullopt for anything else, which TagLib
// would take all the same.
std::optional<qint64> trueAudioStart(tagmint::tags::FileReadCache& reads)
{
    tagmint::tags::WindowedFile file(reads);
    const qint64 start = tagmint::tags::offsetAfterID3v2Tag(file);
    if (!file.seek(start) || file.read(4) != "TTA1")
        return std::nullopt;
    return start;
}

// TagLib 1.13 gives an ID3v2 tag whose padding would exceed 1 KB or 1% of
// the file only 1 KB: on a small file any shorter edit shrinks the tag and
// moves the audio. Padding up to this much keeps the old size instead.
constexpr qint64 kMostKeptPadding = 64 * 1024;

// The whole size of the ID3v2 tag at the stream's start, when padding may
// follow its frames (versions 3 and 4 without a footer); 0 otherwise.
qint64 paddableTagSize(TagLib::IOStream& stream)
{
    stream.seek(0);
    const TagLib::ByteVector bytes = stream.readBlock(TagLib::ID3v2::Header::size());
    if (!bytes.startsWith(TagLib::ID3v2::Header::fileIdentifier()))
        return 0;
    const TagLib::ID3v2::Header header(bytes);
    const bool paddable = (header.majorVersion() == 3 || header.majorVersion() == 4) && !header.footerPresent();
    return paddable ? header.completeTagSize() : 0;
}

// Grows the tag TagLib wrote back to `oldSize` with zero padding; false
// when it was left as it was.
bool keepTagSize(TagLib::IOStream& stream, qint64 oldSize)
{
    const qint64 newSize = paddableTagSize(stream);
    if (newSize == 0 || newSize >= oldSize || oldSize - newSize > kMostKeptPadding)
        return false;
    stream.insert(TagLib::ByteVector(static_cast<unsigned int>(oldSize - newSize), '\0'),
                  static_cast<unsigned long>(newSize));
    stream.seek(6);
    stream.writeBlock(TagLib::ID3v2::SynchData::fromUInt(static_cast<unsigned int>(oldSize - TagLib::ID3v2::Header::size())));
    return true;
}

} // namespace

QZTagLibTTATag::~QZTagLibTTATag()
{
    closeFile();
}

const QStringList& QZTagLibTTATag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("tta")};
    return extensions;
}

bool QZTagLibTTATag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibTTATag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    const std::optional<qint64> start = trueAudioStart(streamFile());
    return start && parseStream(*start);
}

bool QZTagLibTTATag::parseStream(qint64 audioStart)
{
    // TagLib reads from where the stream stands.
    stream()->seek(0);
    auto file = std::make_unique<TagLib::TrueAudio::File>(stream(), false, TagLib::AudioProperties::Average);
    if (!file->isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file->ID3v2Tag(true);
    if (!tag)
        return false;
    m_id3v2Tag = tag;
    m_id3v1Tag = file->ID3v1Tag(false);
    m_audioStart = audioStart;
    m_ttaFile = file.release();
    return true;
}

bool QZTagLibTTATag::writeTags()
{
    if (!m_ttaFile || !m_id3v2Tag)
        return false;
    try {
        flushIntermediateValues();
        const qint64 oldTagSize = paddableTagSize(*stream());
        if (!m_ttaFile->save())
            return false;
        if (!keepTagSize(*stream(), oldTagSize))
            return true;
        // TagLib still takes the tag for as long as it wrote it.
        const qint64 audioStart = m_audioStart;
        closeTagLibFile();
        return parseStream(audioStart);
    } catch (...) {
        return false;
    }
}

tagmint::tags::AudioLayout QZTagLibTTATag::audioLayout()
{
    if (!m_ttaFile)
        return {};
    constexpr qint64 kID3v1Size = 128;
    const qint64 start = m_audioStart;
    const qint64 end = m_ttaFile->length() - (m_ttaFile->hasID3v1Tag() ? kID3v1Size : 0);
    if (end <= start)
        return {};
    return {{tagmint::tags::ByteRange{start, end - start}}, {}};
}

void QZTagLibTTATag::closeTagLibFile()
{
    QZTagLibMPEGTag::closeTagLibFile();
    delete m_ttaFile;
    m_ttaFile = nullptr;
}

bool QZTagLibTTATag::isReadOnly() const
{
    return m_ttaFile && tagmint::tags::guarded(false, [&] { return m_ttaFile->readOnly(); });
}

QString QZTagLibTTATag::tagFormat() const
{
    if (!m_ttaFile)
        return QString();
    const bool onDiskID3v1 = tagmint::tags::guarded(false, [&] { return m_ttaFile->hasID3v1Tag(); });
    return onDiskID3v1 ? QStringLiteral("ID3v1, ") + id3v2VersionText() : id3v2VersionText();
}
