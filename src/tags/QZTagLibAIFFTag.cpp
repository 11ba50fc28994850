#include "tags/QZTagLibAIFFTag.h"

#include "tags/AiffChunkWalker.h"
#include "tags/WindowedFile.h"

#include <taglib/aifffile.h>
#include <taglib/id3v2tag.h>

#include <memory>

using tagmint::tags::AudioLayout;
using tagmint::tags::ByteRange;

// TagLib's AIFF file, with the chunk list of its RIFF base open to find the
// sound data.
class QZTagLibAIFFTag::File : public TagLib::RIFF::AIFF::File {
public:
    explicit File(TagLib::IOStream* stream)
        : TagLib::RIFF::AIFF::File(stream, false, TagLib::AudioProperties::Average)
    {
    }

    QList<ByteRange> soundData()
    {
        QList<ByteRange> ranges;
        for (unsigned int i = 0; i < chunkCount(); ++i) {
            if (chunkName(i) == "SSND")
                ranges.append(ByteRange{chunkOffset(i), chunkDataSize(i)});
        }
        return ranges;
    }
};

QZTagLibAIFFTag::~QZTagLibAIFFTag()
{
    closeFile();
}

const QStringList& QZTagLibAIFFTag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("aif"), QStringLiteral("aiff"),
                                        QStringLiteral("aifc")};
    return extensions;
}

bool QZTagLibAIFFTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibAIFFTag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    // TagLib takes any bytes for an AIFF file and writes its tag in front
    // of a cut-off sound chunk; our walk has the last word.
    tagmint::tags::WindowedFile walked(streamFile());
    if (!tagmint::tags::aiff::checkAiff(walked).holds())
        return false;
    auto file = std::make_unique<File>(stream());
    if (!file->isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file->tag();
    if (!tag)
        return false;

    m_aiffFile = file.release();
    m_id3v2Tag = tag;
    return true;
}

bool QZTagLibAIFFTag::writeTags()
{
    if (!m_aiffFile || !m_id3v2Tag)
        return false;
    try {
        flushIntermediateValues();
        return m_aiffFile->save();
    } catch (...) {
        return false;
    }
}

AudioLayout QZTagLibAIFFTag::audioLayout()
{
    return {m_aiffFile ? m_aiffFile->soundData() : QList<ByteRange>(), {}};
}

void QZTagLibAIFFTag::closeTagLibFile()
{
    QZTagLibMPEGTag::closeTagLibFile();
    delete m_aiffFile;
    m_aiffFile = nullptr;
}

bool QZTagLibAIFFTag::isReadOnly() const
{
    if (!m_aiffFile)
        return false;
    try {
        return m_aiffFile->readOnly();
    } catch (...) {
        return false;
    }
}
