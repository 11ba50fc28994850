#pragma once
// The fixed catalogue of table columns: one per record field plus the
// leading row-number column, with titles, limits, defaults and sort keys.
// The widget layer builds its header from these descriptions.

#include "collection/RecordArrangement.h"
#include "record/RecordField.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

enum class ColumnClass { Text, Artwork, FileName };

struct ColumnDescription {
    QString identifier;                 // the field key; "num" for the row numbers
    std::optional<RecordField> field;   // none for the row numbers
    QString title;
    ColumnClass columnClass = ColumnClass::Text;
    Qt::Alignment alignment;            // horizontal only
    bool isReadOnly = true;
    float width = 0;
    float minWidth = 0;
    float maxWidth = 0;
    bool searchable = false;
    bool visibleByDefault = false;
    int defaultIndex = 0;
    // Ascending; none for the row numbers.
    std::optional<SortDescriptor> sortKey;
    bool isAudioProperty = false;

    bool isRowNumber() const { return !field.has_value(); }
    // Auto-sizing leaves such a column alone.
    bool isFixedWidth() const { return maxWidth - minWidth <= 1; }
    float clampedWidth(float value) const;
};

namespace tagmint::table {

inline constexpr QLatin1String kRowNumberIdentifier{"num"};

// The table view's own default width and largest width, as Qt's header has them.
inline constexpr float kPlatformDefaultWidth = 100;
inline constexpr float kPlatformMaximumWidth = 1048575;

// The row-number column first, then the field columns in catalogue order.
const QList<ColumnDescription>& columnCatalog();
// The field columns only: those with a stored layout.
QList<const ColumnDescription*> layoutColumns();
const ColumnDescription* columnDescription(const QString& identifier);
// The text columns a new window shows, in their default order (the table's
// text form when no columns are named).
QStringList defaultVisibleTextColumns();
const ColumnDescription* columnDescriptionWithTitle(const QString& title);

// The descriptor a header click starts from; none for the row numbers.
std::optional<SortDescriptor> sortDescriptorForColumn(const QString& identifier,
                                                      bool ascending = true);

// "Title", "Title and Artist", "Title, Artist and Album"; identifiers that
// name no column are left out.
QString titlesOfColumnsSeparatedByComma(const QStringList& identifiers);

// The flat settings keys of one column: "QZTagLibTableColumn_width_title", ...
QString widthKey(const QString& identifier);
QString visibleKey(const QString& identifier);
QString indexKey(const QString& identifier);

} // namespace tagmint::table
