#pragma once
// Widths for auto-sizing a column to its contents. The texts come from the
// table's arranged rows; measuring is the widget layer's (the font of the
// table's text cells), handed in as a callback.

#include "table/ColumnCatalog.h"

#include <QString>
#include <functional>

// What auto-sizing looks at.
struct ColumnContent {
    // Rows as arranged (filtered and sorted).
    qsizetype rowCount = 0;
    // The text of a row's cell in a column.
    std::function<QString(qsizetype row, const QString& identifier)> text;
    // The width of a text drawn as one line in the cells' font; empty while
    // the table has no text cell, which leaves every width as it is.
    std::function<double(const QString& text)> measure;
};

namespace tagmint::table {

enum class AutoWidth {
    Size,   // the longest text, with a margin
    Fit,    // the average text
};

// Extra room after the longest text, and more for the file-name column.
inline constexpr float kAutoSizeMargin = 20;
inline constexpr float kFileNameExtraMargin = 10;

// The width for a text column within [minWidth, maxWidth]; 0 when the column
// has a fixed width or nothing can be measured.
float calculateWidthOfTextColumn(const QString& identifier, AutoWidth type, float minWidth,
                                 float maxWidth, const ColumnContent& content);

// The width auto-sizing gives the column: text columns are measured, the
// artwork column takes its maximum to size and its minimum to fit. Below
// kMinimumAutoWidth means the width cannot be changed.
float autoWidthOfColumn(const ColumnDescription& column, AutoWidth type,
                        const ColumnContent& content);
inline constexpr float kMinimumAutoWidth = 0.01f;

} // namespace tagmint::table
