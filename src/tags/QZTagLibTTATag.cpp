#include "tags/QZTagLibTTATag.h"

#include "tags/StructureVerdict.h"
#include "tags/TagLibGuard.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QFile>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/trueaudiofile.h>

#include <memory>
#include <optional>

namespace {

// Where the "TTA1" stream begins; nullopt for anything else, which TagLib
// would take all the same.
std::optional<qint64> trueAudioStart(const QString& path)
{
    QFile file;
    if (!tagmint::fs::openFile(file, tagmint::text::toFileSystemPath(path), QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 start = tagmint::tags::offsetAfterID3v2Tag(file);
    if (!file.seek(start) || file.read(4) != "TTA1")
        return std::nullopt;
    return start;
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
    const std::optional<qint64> start = trueAudioStart(path);
    if (!start)
        return false;
    auto file = std::make_unique<TagLib::TrueAudio::File>(stream(), false, TagLib::AudioProperties::Average);
    if (!file->isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file->ID3v2Tag(true);
    if (!tag)
        return false;
    m_id3v2Tag = tag;
    m_id3v1Tag = file->ID3v1Tag(false);
    m_audioStart = *start;
    m_ttaFile = file.release();
    return true;
}

bool QZTagLibTTATag::writeTags()
{
    if (!m_ttaFile || !m_id3v2Tag)
        return false;
    try {
        flushIntermediateValues();
        return m_ttaFile->save();
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
