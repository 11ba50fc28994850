#include "table/ColumnWidth.h"

#include <algorithm>
#include <cmath>

namespace tagmint::table {

float calculateWidthOfTextColumn(const QString& identifier, AutoWidth type, float minWidth,
                                 float maxWidth, const ColumnContent& content)
{
    if (!content.measure || !content.text)
        return 0;
    if (maxWidth - minWidth <= 1)
        return 0;

    double largest = 0;
    double sum = 0;
    qsizetype counted = 0;
    for (qsizetype row = 0; row < content.rowCount; ++row) {
        const double width = content.measure(content.text(row, identifier));
        if (!std::isfinite(width))
            continue;
        // Short texts stay out of the average: the column never gets
        // narrower than its minimum anyway.
        if (width >= minWidth) {
            sum += width;
            ++counted;
        }
        if (type == AutoWidth::Size && width > maxWidth) {
            // Nothing longer can matter once the maximum is reached.
            largest = maxWidth;
            break;
        }
        largest = std::max(largest, width);
    }

    double result = 0;
    switch (type) {
    case AutoWidth::Size:
        result = largest + kAutoSizeMargin;
        if (identifier == record::fieldKey(RecordField::Filename))
            result += kFileNameExtraMargin;
        break;
    case AutoWidth::Fit:
        result = counted > 0 ? sum / double(counted) : minWidth;
        break;
    }
    return std::clamp(float(result), minWidth, maxWidth);
}

float autoWidthOfColumn(const ColumnDescription& column, AutoWidth type,
                        const ColumnContent& content)
{
    if (column.columnClass == ColumnClass::Artwork)
        return type == AutoWidth::Fit ? column.minWidth : column.maxWidth;
    return calculateWidthOfTextColumn(column.identifier, type, column.minWidth, column.maxWidth,
                                      content);
}

} // namespace tagmint::table
