#include "tags/QZTagLibTTATag.h"

#include "tags/StructureVerdict.h"
#include "tags/TagLibGuard.h"
#include "util/TextConversion.h"

#include <QFile>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/trueaudiofile.h>

#include <memory>

namespace {

// TagLib takes any bytes for a TrueAudio file.
bool isTrueAudioStream(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 start = tagmint::tags::offsetAfterID3v2Tag(file);
    return file.seek(start) && file.read(4) == "TTA1";
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

bool QZTagLibTTATag::openFile(const QString& path, quint32 /*flags*/)
{
    if (!isTrueAudioStream(path))
        return false;
    const QByteArray fileName = tagmint::text::toFileSystemPath(path);
    auto file = std::make_unique<TagLib::TrueAudio::File>(fileName.constData(), false,
                                                          TagLib::AudioProperties::Average);
    if (!file->isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file->ID3v2Tag(true);
    if (!tag)
        return false;
    m_id3v2Tag = tag;
    m_id3v1Tag = file->ID3v1Tag(false);
    m_ttaFile = file.release();
    return true;
}

bool QZTagLibTTATag::save()
{
    if (!m_ttaFile || !m_id3v2Tag)
        return false;
    try {
        flushIntermediateValues();
        const bool ok = m_ttaFile->save();
        pushWrittenBytes(*m_ttaFile);
        return ok;
    } catch (...) {
        return false;
    }
}

void QZTagLibTTATag::closeFile()
{
    QZTagLibMPEGTag::closeFile();
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
