#include "table/ColumnWidth.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tagmint::table {

namespace {

// The blocks of the basic plane whose characters take two cells in a
// terminal and about two Latin letters' width in a proportional font.
bool isWide(char16_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF)
           || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)
           || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
           || (c >= 0xFFE0 && c <= 0xFFE6);
}

// The widest of the texts that can be the widest; stops at the maximum.
double largestWidth(const QStringList& texts, float maxWidth, const ColumnContent& content)
{
    // Rows by estimated width, widest first; then the first distinct texts
    // are measured (an album repeated on every row is measured once).
    std::vector<std::pair<int, qsizetype>> ranked;
    ranked.reserve(size_t(texts.size()));
    for (qsizetype row = 0; row < texts.size(); ++row) {
        if (!texts.at(row).isEmpty())
            ranked.emplace_back(estimatedTextWidth(texts.at(row)), row);
    }
    const auto widerFirst = [](const auto& a, const auto& b) { return a.first > b.first; };
    // Only the head is put in order; all of it when repeated texts fill it.
    auto head = ranked.begin() + std::min<qsizetype>(4 * kWidestCandidates, qsizetype(ranked.size()));
    std::partial_sort(ranked.begin(), head, ranked.end(), widerFirst);

    QSet<QString> measured;
    double largest = 0;
    for (auto it = ranked.begin(); it != ranked.end() && measured.size() < kWidestCandidates; ++it) {
        if (it == head) {
            std::sort(head, ranked.end(), widerFirst);
            head = ranked.end();
        }
        const qsizetype row = it->second;
        const QString& text = texts.at(row);
        if (measured.contains(text))
            continue;
        measured.insert(text);
        const double width = content.measure(text);
        if (!std::isfinite(width))
            continue;
        // Nothing longer can matter once the maximum is reached.
        if (width > maxWidth)
            return maxWidth;
        largest = std::max(largest, width);
    }
    return largest;
}

// The average of the widths that reach the minimum, over an even sample of
// the rows (every row of a smaller table); the minimum when none does.
double averageWidth(const QStringList& texts, float minWidth, const ColumnContent& content)
{
    const qsizetype step = std::max<qsizetype>(1, texts.size() / kAverageSample);
    QHash<QString, double> measured;
    double sum = 0;
    qsizetype counted = 0;
    for (qsizetype row = 0; row < texts.size(); row += step) {
        const QString& text = texts.at(row);
        auto found = measured.constFind(text);
        if (found == measured.constEnd())
            found = measured.insert(text, content.measure(text));
        // Short texts stay out of the average: the column never gets
        // narrower than its minimum anyway.
        if (std::isfinite(*found) && *found >= minWidth) {
            sum += *found;
            ++counted;
        }
    }
    return counted > 0 ? sum / double(counted) : minWidth;
}

} // namespace

int estimatedTextWidth(const QString& text)
{
    int units = 0;
    const char16_t* c = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* const end = c + text.size();
    for (; c != end; ++c) {
        // A pair outside the basic plane (emoji, rarer ideographs): wide.
        if (QChar::isHighSurrogate(*c) && c + 1 != end && QChar::isLowSurrogate(c[1])) {
            units += 2;
            ++c;
        } else {
            units += isWide(*c) ? 2 : 1;
        }
    }
    return units;
}

float calculateWidthOfTextColumn(const QString& identifier, AutoWidth type, float minWidth,
                                 float maxWidth, const ColumnContent& content)
{
    if (!content.measure || !content.texts)
        return 0;
    if (maxWidth - minWidth <= 1)
        return 0;

    const QStringList texts = content.texts(identifier);
    double result = 0;
    switch (type) {
    case AutoWidth::Size:
        result = largestWidth(texts, maxWidth, content) + kAutoSizeMargin;
        if (identifier == record::fieldKey(RecordField::Filename))
            result += kFileNameExtraMargin;
        break;
    case AutoWidth::Fit:
        result = averageWidth(texts, minWidth, content);
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
