// Loading a record from its file, saving it back and renaming the file.

#include "audio/AudioProbe.h"
#include "record/FileRenamer.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordTexts.h"
#include "tags/NumberPair.h"
#include "tags/QZTagLibImageLoader.h"
#include "tags/QZTagLibTag.h"
#include "util/TextConversion.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <sys/stat.h>

using namespace tagmint;

namespace {

using Locker = QMutexLocker<QRecursiveMutex>;

QString positiveNumberText(int value)
{
    return value >= 1 ? QString::number(value) : QString();
}

quint64 fileSize(const QString& path)
{
    struct stat info;
    if (::stat(text::toFileSystemPath(path).constData(), &info) != 0)
        return 0;
    return quint64(info.st_size);
}

const QString kInvalidTags = QStringLiteral("Invalid tags");

// The fields a tag wrapper holds as text, with their accessors.
struct TextAccessor {
    RecordField field;
    QString (QZTagLibTag::*get)() const;
    void (QZTagLibTag::*set)(const QString&);
};

constexpr TextAccessor kTextAccessors[] = {
    {RecordField::Title, &QZTagLibTag::title, &QZTagLibTag::setTitle},
    {RecordField::Artist, &QZTagLibTag::artist, &QZTagLibTag::setArtist},
    {RecordField::Album, &QZTagLibTag::album, &QZTagLibTag::setAlbum},
    {RecordField::AlbumArtist, &QZTagLibTag::albumArtist, &QZTagLibTag::setAlbumArtist},
    {RecordField::Genre, &QZTagLibTag::genre, &QZTagLibTag::setGenre},
    {RecordField::Grouping, &QZTagLibTag::grouping, &QZTagLibTag::setGrouping},
    {RecordField::Composer, &QZTagLibTag::composer, &QZTagLibTag::setComposer},
    {RecordField::Copyright, &QZTagLibTag::copyright, &QZTagLibTag::setCopyright},
    {RecordField::InitialKey, &QZTagLibTag::initialKey, &QZTagLibTag::setInitialKey},
    {RecordField::Comment, &QZTagLibTag::comment, &QZTagLibTag::setComment},
    {RecordField::EncodedBy, &QZTagLibTag::encodedBy, &QZTagLibTag::setEncodedBy},
};

struct NumberAccessor {
    RecordField field;
    int (QZTagLibTag::*get)() const;
    void (QZTagLibTag::*set)(int);
};

constexpr NumberAccessor kNumberAccessors[] = {
    {RecordField::Tempo, &QZTagLibTag::tempo, &QZTagLibTag::setTempo},
    {RecordField::Year, &QZTagLibTag::year, &QZTagLibTag::setYear},
    {RecordField::TrackNumber, &QZTagLibTag::trackNumber, &QZTagLibTag::setTrackNumber},
    {RecordField::TracksTotal, &QZTagLibTag::tracksTotal, &QZTagLibTag::setTracksTotal},
    {RecordField::DiscNumber, &QZTagLibTag::discNumber, &QZTagLibTag::setDiscNumber},
    {RecordField::DiscsTotal, &QZTagLibTag::discsTotal, &QZTagLibTag::setDiscsTotal},
};

} // namespace

// --- Loading ---------------------------------------------------------------

void QZTagLibRecord::loadFromPath(const QString& path, quint32 flags)
{
    if (QZTagLibImageLoader* loader = m_imageLoader)
        loader->forgetRecord(this);
    closeTag();
    m_artwork.reset();
    ++m_loadGeneration;

    const QFileInfo info(path);
    m_path = path;
    textRef(RecordField::Path) = text::readable(path);
    textRef(RecordField::PathExt) = info.suffix().toLower();
    // The texts as people read them: an edited name becomes a new name in
    // UTF-8, an unedited one leaves the path's bytes alone.
    textRef(RecordField::Filename) = text::readable(info.completeBaseName());
    textRef(RecordField::Folder) = text::readable(QFileInfo(info.path()).fileName());
    m_size = fileSize(path);
    textRef(RecordField::SizeStr) = record::sizeText(m_size);

    if (flags & LoadAudioProperties)
        loadAudioProperties();

    Locker locker(&m_lock);
    QZTagLibTag* wrapper = loadTag();
    if (!wrapper) {
        locker.unlock();
        becomeInvalid();
        return;
    }
    copyFieldsFromTag(*wrapper);
    locker.unlock();
    snapshotOriginalValues();
}

void QZTagLibRecord::copyFieldsFromTag(const QZTagLibTag& wrapper)
{
    for (const TextAccessor& accessor : kTextAccessors)
        textRef(accessor.field) = (wrapper.*accessor.get)();
    for (const NumberAccessor& accessor : kNumberAccessors)
        textRef(accessor.field) = positiveNumberText((wrapper.*accessor.get)());
    m_hasID3v2Tag = wrapper.hasID3v2Tag();
    textRef(RecordField::TagFormat) = wrapper.tagFormat();
    m_isReadOnly = wrapper.isReadOnly();
    m_hasID3v1Tag = wrapper.hasID3v1Tag();
    m_hadID3v1Tag = m_hasID3v1Tag;
    m_isToDeleteID3v1Tag = false;
    m_hasSaveError = false;
    m_hasInvalidTags = false;
    m_loadedStamp = wrapper.openedStamp();
    m_artwork = std::make_unique<QZTagLibArtwork>(&wrapper);
}

void QZTagLibRecord::becomeInvalid()
{
    // Values of an earlier load must not linger beside "Invalid tags".
    for (const TextAccessor& accessor : kTextAccessors)
        textRef(accessor.field).clear();
    for (const NumberAccessor& accessor : kNumberAccessors)
        textRef(accessor.field).clear();
    textRef(RecordField::TagFormat) = kInvalidTags;
    textRef(RecordField::Comment) = kInvalidTags;
    m_hasInvalidTags = true;
    m_isReadOnly = true;
    m_hasID3v1Tag = m_hadID3v1Tag = m_hasID3v2Tag = false;
}

void QZTagLibRecord::loadAudioProperties()
{
    QZAudioProperties properties;
    if (audio::probeAudioProperties(text::toFileSystemPath(path()), &properties)) {
        applyAudioProperties(properties);
        return;
    }
    // The file is gone: facts of an earlier load must not stay on show.
    m_audio = QZAudioProperties();
    for (RecordField field : {RecordField::AudioFormat, RecordField::AudioCodec, RecordField::Frequency,
                              RecordField::Bitrate, RecordField::Channels, RecordField::Duration})
        textRef(field).clear();
    m_hasAudioProperties = false;
}

void QZTagLibRecord::applyAudioProperties(const QZAudioProperties& properties)
{
    m_audio = properties;
    textRef(RecordField::AudioFormat) = properties.formatText;
    textRef(RecordField::AudioCodec) = properties.codecText;
    textRef(RecordField::Frequency) = record::numberOrDash(properties.sampleRate);
    textRef(RecordField::Bitrate) = record::numberOrDash(properties.bitrate);
    textRef(RecordField::Channels) = properties.channels != 0 && !properties.channelsText.isEmpty()
        ? record::capitalizedWords(properties.channelsText)
        : QStringLiteral("-");
    textRef(RecordField::Duration) = record::durationText(properties.durationMs);
    m_hasAudioProperties = true;
}

bool QZTagLibRecord::hasAudioFacts() const
{
    for (RecordField field : {RecordField::Frequency, RecordField::Bitrate, RecordField::Channels,
                              RecordField::AudioFormat, RecordField::AudioCodec}) {
        if (!text(field).isEmpty())
            return true;
    }
    return false;
}

// --- The tag wrapper -------------------------------------------------------

QZTagLibTag* QZTagLibRecord::tag() const
{
    Locker locker(&m_lock);
    if (!m_tag)
        m_tag = QZTagLibTag::tagWithPath(path(), 0);
    return m_tag.get();
}

QZTagLibTag* QZTagLibRecord::loadTag()
{
    Locker locker(&m_lock);
    m_tag.reset();   // its lock would keep the new one waiting
    m_tag = QZTagLibTag::tagWithPath(path(), 0);
    return m_tag.get();
}

QZTagLibTag* QZTagLibRecord::writableTag()
{
    Locker locker(&m_lock);
    if (!m_tag)
        m_tag = QZTagLibTag::tagWithPath(path(), QZTagLibTag::OpenForWriting, &m_saveErrorReason);
    return m_tag.get();
}

void QZTagLibRecord::closeTag()
{
    Locker locker(&m_lock);
    if (m_tag) {
        m_tag->closeFile();
        m_tag.reset();
    }
}

void QZTagLibRecord::releaseTagResources()
{
    if (m_artwork)
        m_artwork->releaseImage();
    closeTag();
}

bool QZTagLibRecord::isTagOpen() const
{
    Locker locker(&m_lock);
    return m_tag != nullptr;
}

// --- Saving ----------------------------------------------------------------

bool QZTagLibRecord::saveDataToTagAndDoRenaming()
{
    m_hasRenameError = false;
    m_hasSaveError = false;
    closeTag();

    const QStringList changed = isDirtyEx();
    if (changed != QStringList{QStringLiteral("filename")}) {
        Locker locker(&m_lock);
        bool saved = false;
        if (QZTagLibTag* wrapper = writableTag()) {
            // Someone else saved the file since it was loaded: only what the
            // user changed goes in, the rest of their save stays.
            writeFieldsToTag(*wrapper, wrapper->openedStamp() != m_loadedStamp);
            saved = wrapper->save();
            m_saveErrorReason = wrapper->saveError();
        }
        closeTag();
        if (!saved) {
            m_hasSaveError = true;
            return false;
        }
    }

    const QString requestedName = filename();
    if (const std::optional<QString> newPath = doRenamingIfFileNameDirty())
        m_path = *newPath;

    loadFromPath(path(), hasAudioFacts() ? LoadAudioProperties : 0);
    closeTag();
    if (m_hasInvalidTags) {
        m_hasSaveError = true;
        m_saveErrorReason = QStringLiteral("the saved file cannot be read back");
        return false;
    }

    if (m_hasRenameError) {
        textRef(RecordField::Filename) = requestedName;
        return false;
    }
    return true;
}

void QZTagLibRecord::writeFieldsToTag(QZTagLibTag& wrapper, bool onlyChanged)
{
    auto wanted = [&](RecordField field) {
        return !onlyChanged || isDirtyForKey(record::fieldKey(field));
    };
    // A title is added to a tag without one only when the user set it.
    if ((!wrapper.title().isEmpty() && wanted(RecordField::Title)) || isDirtyForKey(QStringLiteral("title")))
        wrapper.setTitle(text(RecordField::Title));
    for (const TextAccessor& accessor : kTextAccessors) {
        if (accessor.field != RecordField::Title && accessor.field != RecordField::Comment
            && wanted(accessor.field))
            (wrapper.*accessor.set)(text(accessor.field));
    }
    // A number outside its bounds (as a file may hold) leaves the tag as it is.
    for (const NumberAccessor& accessor : kNumberAccessors) {
        QVariant value = text(accessor.field);
        if (wanted(accessor.field) && validateValue(value, record::fieldKey(accessor.field)))
            (wrapper.*accessor.set)(tags::leadingInteger(value.toString()));
    }
    if (wanted(RecordField::Comment))
        wrapper.setComment(text(RecordField::Comment));
    if (wrapper.supportsImages() && m_artwork && m_artwork->isDirty())
        wrapper.setTagPicture(m_artwork->currentPictureWithTagProvider(nullptr));
}

std::optional<QString> QZTagLibRecord::doRenamingIfFileNameDirty()
{
    m_hasRenameError = false;
    if (!isDirtyForKey(QStringLiteral("filename")) || path().isEmpty())
        return std::nullopt;
    std::optional<QString> newPath = record::renameFile(path(), filename());
    if (!newPath)
        m_hasRenameError = true;
    return newPath;
}
