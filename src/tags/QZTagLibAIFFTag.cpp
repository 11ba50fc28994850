#include "tags/QZTagLibAIFFTag.h"

#include "tags/AiffChunkWalker.h"
#include "util/TextConversion.h"

#include <taglib/aifffile.h>
#include <taglib/id3v2tag.h>

#include <memory>

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

bool QZTagLibAIFFTag::openFile(const QString& path, quint32 /*flags*/)
{
    // TagLib takes any bytes for an AIFF file and writes its tag in front
    // of a cut-off sound chunk; our walk has the last word.
    if (!tagmint::tags::aiff::checkAiffFile(path).holds())
        return false;
    const QByteArray fileName = tagmint::text::toFileSystemPath(path);
    auto file = std::make_unique<TagLib::RIFF::AIFF::File>(fileName.constData(), false,
                                                           TagLib::AudioProperties::Average);
    if (!file->isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file->tag();
    if (!tag)
        return false;

    m_aiffFile = file.release();
    m_id3v2Tag = tag;
    return true;
}

bool QZTagLibAIFFTag::save()
{
    if (!m_aiffFile || !m_id3v2Tag)
        return false;
    try {
        flushIntermediateValues();
        const bool ok = m_aiffFile->save();
        pushWrittenBytes(*m_aiffFile);
        return ok;
    } catch (...) {
        return false;
    }
}

void QZTagLibAIFFTag::closeFile()
{
    QZTagLibMPEGTag::closeFile();
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
