#include "tags/QZTagLibAIFFTag.h"

#include "util/TextConversion.h"

#include <QFile>

#include <taglib/aifffile.h>
#include <taglib/id3v2tag.h>

#include <memory>

namespace {

// TagLib accepts any bytes as an AIFF file and then "saves" them without
// writing anything, so the container is checked here: a FORM chunk of form
// type AIFF or AIFC.
bool hasAiffHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(12);
    if (header.size() != 12 || !header.startsWith("FORM"))
        return false;
    const QByteArray formType = header.mid(8, 4);
    return formType == "AIFF" || formType == "AIFC";
}

} // namespace

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
    if (!hasAiffHeader(path))
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
