#include "table/ColumnCatalog.h"

#include <algorithm>

float ColumnDescription::clampedWidth(float value) const
{
    return std::clamp(value, minWidth, maxWidth);
}

namespace tagmint::table {

namespace {

enum class SortKind { Text, Integer, Companion };

struct CatalogRow {
    RecordField field;
    ColumnClass columnClass;
    Qt::Alignment alignment;
    float width;
    float minWidth;
    float maxWidth;
    bool searchable;
    bool visible;
    int index;
    SortKind sort;
    RecordField companion;   // with SortKind::Companion
};

constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter;
constexpr float kDefault = kPlatformDefaultWidth;
constexpr float kUnbounded = kPlatformMaximumWidth;

using F = RecordField;
using C = ColumnClass;
using S = SortKind;

// Field, class, alignment, width, min, max, searchable, visible, index, sort.
const CatalogRow kRows[] = {
    {F::Image, C::Artwork, kCentre, 70, 50, 120, false, true, 2, S::Companion, F::ImageSortValue},
    {F::Title, C::Text, kLeft, 270, 70, 600, true, true, 3, S::Text, F::Title},
    {F::Artist, C::Text, kLeft, 150, 50, 400, true, true, 4, S::Text, F::Artist},
    {F::Album, C::Text, kLeft, 150, 50, 600, true, true, 5, S::Text, F::Album},
    {F::Genre, C::Text, kLeft, 100, 50, 400, true, true, 6, S::Text, F::Genre},
    {F::InitialKey, C::Text, kCentre, 45, 40, 120, true, false, 7, S::Text, F::InitialKey},
    {F::Tempo, C::Text, kRight, 45, 40, 50, true, false, 8, S::Integer, F::Tempo},
    // Numeric like the other number fields, so a year read as "999" sorts
    // before "2001".
    {F::Year, C::Text, kRight, 50, 40, 60, true, false, 9, S::Integer, F::Year},
    {F::AlbumArtist, C::Text, kLeft, 150, 80, 400, true, false, 10, S::Text, F::AlbumArtist},
    {F::TrackNumber, C::Text, kRight, 60, 55, 65, true, false, 11, S::Integer, F::TrackNumber},
    {F::TracksTotal, C::Text, kRight, 75, 70, 80, true, false, 12, S::Integer, F::TracksTotal},
    {F::DiscNumber, C::Text, kRight, 60, 55, 65, true, false, 13, S::Integer, F::DiscNumber},
    {F::DiscsTotal, C::Text, kRight, 75, 70, 80, true, false, 14, S::Integer, F::DiscsTotal},
    {F::Grouping, C::Text, kLeft, 100, 70, 400, true, false, 15, S::Text, F::Grouping},
    {F::Comment, C::Text, kLeft, 270, 70, 600, true, true, 16, S::Text, F::Comment},
    {F::EncodedBy, C::Text, kLeft, 270, 70, 400, true, false, 17, S::Text, F::EncodedBy},
    {F::Composer, C::Text, kLeft, 270, 70, 400, true, false, 18, S::Text, F::Composer},
    {F::Copyright, C::Text, kLeft, 270, 70, 400, true, false, 19, S::Text, F::Copyright},
    {F::Folder, C::Text, kLeft, 200, 60, 600, true, false, 20, S::Text, F::Folder},
    {F::Filename, C::FileName, kLeft, 200, 60, 600, true, true, 21, S::Text, F::Filename},
    {F::TagFormat, C::Text, kLeft, 100, 80, kUnbounded, true, false, 22, S::Text, F::TagFormat},
    {F::Frequency, C::Text, kRight, 100, 100, 100, true, false, 23, S::Companion, F::FrequencySortValue},
    {F::Bitrate, C::Text, kRight, 90, 90, 90, true, false, 24, S::Companion, F::BitrateSortValue},
    {F::Duration, C::Text, kRight, 70, 65, 90, true, false, 25, S::Companion, F::DurationSortValue},
    {F::Channels, C::Text, kRight, 75, 65, 120, true, false, 26, S::Companion, F::ChannelsSortValue},
    {F::AudioFormat, C::Text, kLeft, 100, 90, 350, true, false, 27, S::Text, F::AudioFormat},
    {F::AudioCodec, C::Text, kLeft, 100, 90, 350, true, false, 28, S::Text, F::AudioCodec},
    {F::PathExt, C::Text, kRight, kDefault, 70, 70, true, false, 29, S::Text, F::PathExt},
    {F::Path, C::Text, kLeft, 150, 70, kUnbounded, true, false, 30, S::Text, F::Path},
    {F::SizeStr, C::Text, kRight, 70, 60, 100, true, false, 31, S::Companion, F::Size},
};

bool isAudioPropertyField(RecordField field)
{
    switch (field) {
    case F::Frequency: case F::Bitrate: case F::Channels: case F::Duration:
    case F::AudioFormat: case F::AudioCodec:
        return true;
    default:
        return false;
    }
}

SortDescriptor sortKeyOf(const CatalogRow& row)
{
    switch (row.sort) {
    case S::Integer:
        return {record::fieldKey(row.field), true, SortDescriptor::Comparison::Integer32};
    case S::Companion:
        return {record::fieldKey(row.companion), true, SortDescriptor::Comparison::Plain};
    case S::Text:
        break;
    }
    return {record::fieldKey(row.field), true, SortDescriptor::Comparison::CaseInsensitiveText};
}

QList<ColumnDescription> makeCatalog()
{
    QList<ColumnDescription> catalog;
    ColumnDescription rowNumbers;
    rowNumbers.identifier = kRowNumberIdentifier;
    rowNumbers.alignment = kRight;
    rowNumbers.width = rowNumbers.minWidth = rowNumbers.maxWidth = 50;
    rowNumbers.visibleByDefault = true;
    catalog.append(rowNumbers);

    for (const CatalogRow& row : kRows) {
        ColumnDescription column;
        column.identifier = record::fieldKey(row.field);
        column.field = row.field;
        column.title = record::fieldTitle(row.field);
        column.columnClass = row.columnClass;
        column.alignment = row.alignment;
        column.isReadOnly = !record::isEditable(row.field);
        column.minWidth = row.minWidth;
        column.maxWidth = row.maxWidth;
        column.width = column.clampedWidth(row.width);
        column.searchable = row.searchable;
        column.visibleByDefault = row.visible;
        column.defaultIndex = row.index;
        column.sortKey = sortKeyOf(row);
        column.isAudioProperty = isAudioPropertyField(row.field);
        catalog.append(column);
    }
    return catalog;
}

QString columnKey(const char* property, const QString& identifier)
{
    return QStringLiteral("QZTagLibTableColumn_%1_%2").arg(QLatin1String(property), identifier);
}

} // namespace

const QList<ColumnDescription>& columnCatalog()
{
    static const QList<ColumnDescription> catalog = makeCatalog();
    return catalog;
}

QList<const ColumnDescription*> layoutColumns()
{
    QList<const ColumnDescription*> columns;
    for (const ColumnDescription& column : columnCatalog()) {
        if (!column.isRowNumber())
            columns.append(&column);
    }
    return columns;
}

const ColumnDescription* columnDescription(const QString& identifier)
{
    for (const ColumnDescription& column : columnCatalog()) {
        if (column.identifier == identifier)
            return &column;
    }
    return nullptr;
}

const ColumnDescription* columnDescriptionWithTitle(const QString& title)
{
    for (const ColumnDescription& column : columnCatalog()) {
        if (!column.isRowNumber() && column.title == title)
            return &column;
    }
    return nullptr;
}

QStringList defaultVisibleTextColumns()
{
    QList<const ColumnDescription*> shown;
    for (const ColumnDescription* column : layoutColumns()) {
        if (column->visibleByDefault && column->columnClass != ColumnClass::Artwork)
            shown.append(column);
    }
    std::sort(shown.begin(), shown.end(), [](const ColumnDescription* a, const ColumnDescription* b) {
        return a->defaultIndex < b->defaultIndex;
    });
    QStringList identifiers;
    for (const ColumnDescription* column : shown)
        identifiers.append(column->identifier);
    return identifiers;
}

std::optional<SortDescriptor> sortDescriptorForColumn(const QString& identifier, bool ascending)
{
    const ColumnDescription* column = columnDescription(identifier);
    if (!column || !column->sortKey)
        return std::nullopt;
    SortDescriptor descriptor = *column->sortKey;
    descriptor.ascending = ascending;
    return descriptor;
}

QString titlesOfColumnsSeparatedByComma(const QStringList& identifiers)
{
    QStringList titles;
    for (const QString& identifier : identifiers) {
        const ColumnDescription* column = columnDescription(identifier);
        if (column && !column->isRowNumber())
            titles.append(column->title);
    }
    if (titles.size() < 2)
        return titles.value(0);
    const QString last = titles.takeLast();
    return titles.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString widthKey(const QString& identifier)
{
    return columnKey("width", identifier);
}

QString visibleKey(const QString& identifier)
{
    return columnKey("visible", identifier);
}

QString indexKey(const QString& identifier)
{
    return columnKey("index", identifier);
}

} // namespace tagmint::table
