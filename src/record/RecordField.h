#pragma once
// The record's fields: key (column identifier, key-value key and word in
// messages), display title and whether the user may edit it.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

enum class RecordField {
    Title, Artist, Album, AlbumArtist, Genre, Comment, Composer, Grouping, Copyright,
    EncodedBy, InitialKey, Tempo, Year, TrackNumber, TracksTotal, DiscNumber, DiscsTotal,
    Image, Filename,
    Folder, Path, PathExt, SizeStr, TagFormat,
    Frequency, Bitrate, Duration, Channels, AudioFormat, AudioCodec,
    // Numeric sort companions.
    Size, FrequencySortValue, BitrateSortValue, DurationSortValue, ChannelsSortValue,
    ImageSortValue,
};

inline constexpr int kRecordFieldCount = int(RecordField::ImageSortValue) + 1;

namespace tagmint::record {

QString fieldKey(RecordField field);
std::optional<RecordField> fieldForKey(const QString& key);
// "Title", "Track #", "Sample Rate, Hz", ...; "" for the sort companions.
QString fieldTitle(RecordField field);
bool isEditable(RecordField field);
// The six fields that hold "" or a positive decimal integer.
bool isNumeric(RecordField field);
// The fields held as text (everything but the image and the sort companions).
bool isText(RecordField field);

// The fields whose original values are kept for change tracking, in order,
// and their keys.
inline constexpr int kTrackedFieldCount = 19;
const std::array<RecordField, kTrackedFieldCount>& trackedFields();
const QStringList& trackedKeys();

} // namespace tagmint::record
