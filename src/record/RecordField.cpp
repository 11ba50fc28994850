#include "record/RecordField.h"

#include <QHash>
#include <array>

namespace tagmint::record {

namespace {

struct FieldInfo {
    const char* key;
    const char* title;
    bool editable;
};

// Indexed by RecordField.
constexpr std::array<FieldInfo, kRecordFieldCount> kFields = {{
    {"title", "Title", true},
    {"artist", "Artist", true},
    {"album", "Album", true},
    {"albumArtist", "Album Artist", true},
    {"genre", "Genre", true},
    {"comment", "Comment", true},
    {"composer", "Composer", true},
    {"grouping", "Grouping", true},
    {"copyright", "Copyright", true},
    {"encodedBy", "Encoded By", true},
    {"initialKey", "Key", true},
    {"tempo", "BPM", true},
    {"year", "Year", true},
    {"trackNumber", "Track #", true},
    {"tracksTotal", "Tracks Total", true},
    {"discNumber", "Disc #", true},
    {"discsTotal", "Discs Total", true},
    {"image", "Artwork", true},
    {"filename", "File Name", true},
    {"folder", "Folder", false},
    {"path", "Path", false},
    {"pathext", "Extension", false},
    {"sizeStr", "Size", false},
    {"tagFormat", "Tag Format", false},
    {"frequency", "Sample Rate, Hz", false},
    {"bitrate", "Bit Rate, kbps", false},
    {"duration", "Duration", false},
    {"channels", "Channels", false},
    {"audioFormat", "Audio Format", false},
    {"audioCodec", "Audio Codec", false},
    {"size", "", false},
    {"frequencySortValue", "", false},
    {"bitrateSortValue", "", false},
    {"durationSortValue", "", false},
    {"channelsSortValue", "", false},
    {"imageSortValue", "", false},
}};

const QHash<QString, RecordField>& fieldsByKey()
{
    static const QHash<QString, RecordField> table = [] {
        QHash<QString, RecordField> result;
        for (int i = 0; i < kRecordFieldCount; ++i)
            result.insert(QString::fromLatin1(kFields[size_t(i)].key), RecordField(i));
        return result;
    }();
    return table;
}

} // namespace

QString fieldKey(RecordField field)
{
    return QString::fromLatin1(kFields[size_t(field)].key);
}

std::optional<RecordField> fieldForKey(const QString& key)
{
    const auto& table = fieldsByKey();
    const auto it = table.constFind(key);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

QString fieldTitle(RecordField field)
{
    return QString::fromLatin1(kFields[size_t(field)].title);
}

bool isEditable(RecordField field)
{
    return kFields[size_t(field)].editable;
}

bool isNumeric(RecordField field)
{
    return field >= RecordField::Tempo && field <= RecordField::DiscsTotal;
}

bool isText(RecordField field)
{
    return field != RecordField::Image && field < RecordField::Size;
}

const std::array<RecordField, kTrackedFieldCount>& trackedFields()
{
    using F = RecordField;
    static constexpr std::array<RecordField, kTrackedFieldCount> fields = {
        F::Artist,    F::Album,       F::Title,      F::Comment,     F::Genre,
        F::Tempo,     F::InitialKey,  F::Grouping,   F::Composer,    F::Copyright,
        F::EncodedBy, F::Year,        F::TrackNumber, F::TracksTotal, F::DiscNumber,
        F::DiscsTotal, F::AlbumArtist, F::Folder,     F::Filename,
    };
    return fields;
}

const QStringList& trackedKeys()
{
    static const QStringList keys = [] {
        QStringList result;
        for (RecordField field : trackedFields())
            result.append(fieldKey(field));
        return result;
    }();
    return keys;
}

} // namespace tagmint::record
