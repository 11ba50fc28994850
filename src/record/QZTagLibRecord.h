#pragma once
// One media file as the table shows it: one row. Holds the file's path
// facts, its tag fields as editable texts, audio facts as display texts with
// numeric sort values, the artwork state, and what changed since loading.
// Every value is reached by its field key ("title", "trackNumber", ...).

#include "record/QZAudioProperties.h"
#include "record/RecordChangeLog.h"
#include "record/RecordField.h"
#include "tags/FileFacts.h"
#include "tags/QZTagLibArtwork.h"
#include "util/TagmintError.h"

#include <QImage>
#include <QPointer>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <memory>
#include <optional>

class QZTagLibImageLoader;
class QZTagLibTag;

class QZTagLibRecord : public std::enable_shared_from_this<QZTagLibRecord> {
public:
    // Load flag: also probe the audio properties.
    static constexpr quint32 LoadAudioProperties = 0x1;

    // Creates the record and loads it from the file (initWithPath:flags:).
    QZTagLibRecord(const QString& path, quint32 flags);
    ~QZTagLibRecord();
    QZTagLibRecord(const QZTagLibRecord&) = delete;
    QZTagLibRecord& operator=(const QZTagLibRecord&) = delete;

    // --- Values by key -----------------------------------------------------
    // Texts as QString, "image" as QImage, sort companions as numbers; an
    // invalid QVariant for an unknown key or a missing image. "image" takes
    // a QImage or a tags::TagPicture.
    QVariant value(const QString& key) const;
    // By reference: loops over many records (find, filter, the text tools)
    // then read the text without touching its shared count.
    const QString& text(RecordField field) const { return m_text[size_t(field)]; }
    // Writes through the field's setter, which normalises the value and may
    // ignore it. Of the read-only keys only "folder" is writable.
    void setValue(const QVariant& value, const QString& key);
    // setValue, then whether the stored value changed.
    bool setValueAndCheck(const QVariant& value, const QString& key);

    // --- Validation --------------------------------------------------------
    // May replace the value by its cleaned form.
    bool validateValue(QVariant& value, const QString& key, TagmintError* error = nullptr) const;
    static bool validateNumber(const QString& text, const QString& keyName, int minValue,
                               int maxValue, TagmintError* error = nullptr);
    // The stored form of a numeric text: "07" -> "7", "0" -> "".
    static QString convertNumericString(const QString& text);

    // --- Change tracking ---------------------------------------------------
    static const QStringList& trackedKeys();
    void snapshotOriginalValues();
    bool isDirtyForKey(const QString& key) const;
    bool isDirty() const;
    QStringList isDirtyEx() const;
    void revertValueForKey(const QString& key);
    void revertAllValues();
    // True at once when nothing changed, else the result of saving.
    bool saveIfDirty();

    // --- Artwork -----------------------------------------------------------
    // Null when the tag could not be read or there is no image.
    QImage image() const;
    // The size of image() as the picture's header states it; no decoding.
    // Invalid when there is no image.
    QSize imageSize() const;
    void setImage(const QImage& image);
    // The artwork with the JPEG or PNG bytes it came as (an image file,
    // another record's tag, the clipboard), which a save stores unchanged.
    tagmint::tags::TagPicture picture() const;
    void setPicture(const tagmint::tags::TagPicture& picture);
    bool hasImage() const;
    qint64 imageSortValue() const;
    const QZTagLibArtwork* artwork() const { return m_artwork.get(); }
    // The loader making this record's thumbnail; it forgets the record
    // whenever the record's image may have changed.
    void setImageLoader(QZTagLibImageLoader* loader);
    QZTagLibImageLoader* imageLoader() const;

    // --- Undo --------------------------------------------------------------
    // Value changes are noted by an open RecordChangeLog; these put a noted
    // value back exactly as it was, without validation.
    RecordArtworkState artworkState() const;
    void restoreText(RecordField field, const QString& text);
    // The same load gets its artwork state back; after the file was saved
    // or reloaded, the picture the state showed becomes a new image again
    // (or the artwork is removed), when that picture is still known.
    void restoreArtwork(const RecordArtworkState& state);

    // --- Facts and flags ---------------------------------------------------
    // The file's path text (its bytes, see text::fromFileSystemPath); the
    // "path" field holds it as people read it.
    QString path() const { return m_path; }
    QString filename() const { return text(RecordField::Filename); }
    quint64 size() const { return m_size; }
    int frequencySortValue() const { return m_audio.sampleRate; }
    int bitrateSortValue() const { return m_audio.bitrate; }
    int channelsSortValue() const { return m_audio.channels; }
    int durationSortValue() const { return int(m_audio.durationMs); }

    bool isEditable() const { return !m_isReadOnly && !m_hasInvalidTags && !m_hasSaveError; }
    bool isReadOnly() const { return m_isReadOnly; }
    bool hasInvalidTags() const { return m_hasInvalidTags; }
    bool hasSaveError() const { return m_hasSaveError; }
    // Why the last save failed, in words for the user ("" when it did not).
    QString saveErrorReason() const { return m_hasSaveError ? m_saveErrorReason : QString(); }
    bool hasRenameError() const { return m_hasRenameError; }
    bool hasAudioProperties() const { return m_hasAudioProperties; }
    bool hasID3v2Tag() const { return m_hasID3v2Tag; }
    bool hasID3v1Tag() const { return m_hasID3v1Tag; }
    bool hadID3v1Tag() const { return m_hadID3v1Tag; }
    bool isToDeleteID3v1Tag() const { return m_isToDeleteID3v1Tag; }
    void setToDeleteID3v1Tag(bool value) { m_isToDeleteID3v1Tag = value; }

    // --- Load, save, rename ------------------------------------------------
    // (Re)loads path facts, optionally audio properties, and the tag fields.
    // Leaves the reading wrapper open; callers release it when done.
    void loadFromPath(const QString& path, quint32 flags);
    // Probes the audio properties of the file and shows them.
    void loadAudioProperties();
    void applyAudioProperties(const QZAudioProperties& properties);

    // The held wrapper, opening a reading one when none is held. The wrapper
    // is a cache of the file, hence available on a const record.
    QZTagLibTag* tag() const;
    // Replaces the held wrapper by a new reading one.
    QZTagLibTag* loadTag();
    // The held wrapper, or a new one opened for writing.
    QZTagLibTag* writableTag();
    void closeTag();
    // Drops the cached original artwork, then closes the tag.
    void releaseTagResources();
    bool isTagOpen() const;

    // Writes the fields into the file, renames it when its name changed and
    // reloads. False on a save or rename error (see the flags).
    bool saveDataToTagAndDoRenaming();
    // The new path, or nullopt when no rename was needed or it failed.
    std::optional<QString> doRenamingIfFileNameDirty();

    // Guards the tag wrapper; re-entrant because a load asks for the tag
    // while holding it.
    QRecursiveMutex& lock() const { return m_lock; }

private:
    QString& textRef(RecordField field) { return m_text[size_t(field)]; }
    void setNumericField(RecordField field, const QString& text);
    void setFilename(const QVariant& value);
    // Index into trackedKeys(), or -1.
    static int trackedIndex(const QString& key);
    QString originalValue(int trackedIndex) const;
    // Per-key change test of the tracked field at this index.
    bool isTrackedFieldDirty(int trackedIndex) const;
    void becomeInvalid();
    void copyFieldsFromTag(const QZTagLibTag& tag);
    // With `onlyChanged`, only the fields the user changed are written.
    void writeFieldsToTag(QZTagLibTag& tag, bool onlyChanged);
    bool hasAudioFacts() const;

    std::array<QString, kRecordFieldCount> m_text;
    QString m_path;
    std::optional<std::array<QString, tagmint::record::kTrackedFieldCount>> m_originalValues;
    quint64 m_size = 0;
    QZAudioProperties m_audio;

    // The file as it was loaded; a save finding another state keeps what
    // someone else wrote there.
    tagmint::tags::FileStamp m_loadedStamp;
    QString m_saveErrorReason;
    std::unique_ptr<QZTagLibArtwork> m_artwork;
    QPointer<QZTagLibImageLoader> m_imageLoader;
    mutable std::unique_ptr<QZTagLibTag> m_tag;
    mutable QRecursiveMutex m_lock;

    // Counts the loads from the file, so an artwork state knows its load.
    quint64 m_loadGeneration = 0;

    bool m_isReadOnly = false;
    bool m_hasInvalidTags = false;
    bool m_hasSaveError = false;
    bool m_hasRenameError = false;
    bool m_hasAudioProperties = false;
    bool m_hasID3v2Tag = false;
    bool m_hasID3v1Tag = false;
    bool m_hadID3v1Tag = false;
    bool m_isToDeleteID3v1Tag = false;
};
