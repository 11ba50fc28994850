#pragma once
// Widths for auto-sizing a column to its contents. The texts come from the
// table's arranged rows; measuring is the widget layer's (the font of the
// table's text cells), handed in as a callback.
//
// Measuring shapes the text, some microseconds a cell: a table of 20,000
// files would stall the window for seconds. So only the texts that can
// decide a width are measured: for the longest text, the distinct texts
// that are longest by a cheap estimate; for the average, an even sample.

#include "table/ColumnCatalog.h"

#include <QString>
#include <QStringList>
#include <functional>

// What auto-sizing looks at.
struct ColumnContent {
    // A column's texts, one per row as arranged (filtered and sorted).
    std::function<QStringList(const QString& identifier)> texts;
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

// How many of the estimated widest distinct texts are measured to size a
// column, and how many rows at most are measured for its average.
inline constexpr qsizetype kWidestCandidates = 64;
inline constexpr qsizetype kAverageSample = 1024;

// A cheap rank of a text's width: characters, East Asian wide and
// full-width ones counting twice. Only used to choose what to measure.
int estimatedTextWidth(const QString& text);

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
