#include "table/QZTagLibRecordTextFinder.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"

using namespace tagmint::table;

namespace {

bool hasMatch(const TextMatcher& matcher, const QZTagLibRecord& record, const QList<TextColumn>& columns)
{
    for (const TextColumn& column : columns) {
        if (matcher.matches(record.text(column.field)))
            return true;
    }
    return false;
}

} // namespace

QZTagLibRecordTextFinder::QZTagLibRecordTextFinder(QZTagLibRecordDataArrayController& collection,
                                                   const FindOptions& options)
    : m_collection(collection), m_options(options), m_matcher(QString(), options)
{
}

void QZTagLibRecordTextFinder::setQuery(const QString& text, const QStringList& columns)
{
    m_matcher = TextMatcher(text, m_options);
    m_found.reset();
    applyFilter(columns);
}

void QZTagLibRecordTextFinder::setOptions(const FindOptions& options, const QStringList& columns)
{
    m_options = options;
    m_matcher = TextMatcher(query(), m_options);
    m_found.reset();
    applyFilter(columns);
}

void QZTagLibRecordTextFinder::applyFilter(const QStringList& columns)
{
    if (m_matcher.isEmpty() || !m_options.filterEnabled) {
        if (m_collection.hasFilter())
            m_collection.clearFilter();
        return;
    }
    // The filter asks the record itself, so records opened later and
    // re-sorted rows are judged by the same query.
    m_collection.setFilter([matcher = m_matcher, texts = textColumns(columns)](const QZTagLibRecord& record) {
        return hasMatch(matcher, record, texts);
    });
}

std::optional<QString> QZTagLibRecordTextFinder::cellText(int row, const QString& identifier) const
{
    const QZTagLibRecord* record = m_collection.recordAtRow(row);
    return record ? textValue(*record, identifier) : std::nullopt;
}

QZTagLibRecordTextFinder::Occurrences
QZTagLibRecordTextFinder::countOccurrences(const SelectionScope& scope,
                                           const QStringList& replaceColumns) const
{
    Occurrences occurrences;
    if (m_matcher.isEmpty())
        return occurrences;
    const QList<TextColumn> texts = textColumns(scope.columns);
    QList<bool> replaceable;
    for (const TextColumn& column : texts)
        replaceable.append(replaceColumns.contains(column.key));
    const int last = std::min(scope.lastRow, int(m_collection.shownCount()) - 1);
    for (int row = std::max(scope.firstRow, 0); row <= last; ++row) {
        const QZTagLibRecord& record = m_collection.objectAtIndex(row);
        for (qsizetype column = 0; column < texts.size(); ++column) {
            const int count = m_matcher.count(record.text(texts.at(column).field));
            occurrences.count += count;
            if (count > 0 && replaceable.at(column) && record.isEditable())
                occurrences.replaceable = true;
        }
    }
    return occurrences;
}

bool QZTagLibRecordTextFinder::findInCell(int row, const QString& identifier, bool forward,
                                          qsizetype limit)
{
    const std::optional<QString> text = cellText(row, identifier);
    if (!text)
        return false;
    const std::optional<TextRange> range =
        forward ? m_matcher.first(*text, limit) : m_matcher.last(*text, limit);
    if (!range)
        return false;
    m_found = FoundOccurrence{{identifier, row, -1}, *range, text->mid(range->location, range->length)};
    return true;
}

bool QZTagLibRecordTextFinder::findNext(const QZTagLibTableCellPath& start, const SelectionScope& scope)
{
    return find(start, scope, true);
}

bool QZTagLibRecordTextFinder::findPrevious(const QZTagLibTableCellPath& start,
                                            const SelectionScope& scope)
{
    return find(start, scope, false);
}

bool QZTagLibRecordTextFinder::find(const QZTagLibTableCellPath& start, const SelectionScope& scope,
                                    bool forward)
{
    constexpr qsizetype kWholeText = std::numeric_limits<qsizetype>::max();
    const QStringList& columns = scope.columns;
    const int startColumn = int(columns.indexOf(start.identifier));
    const int firstRow = std::max(scope.firstRow, 0);
    const int lastRow = std::min(scope.lastRow, int(m_collection.shownCount()) - 1);
    if (m_matcher.isEmpty() || startColumn < 0 || start.row < firstRow || start.row > lastRow)
        return false;
    // In the start cell: past the found occurrence (before it, going back).
    const bool again = m_found && m_found->cell == start;
    const qsizetype limit = forward ? (again ? m_found->range.end() : 0)
                                    : (again ? m_found->range.location : kWholeText);
    if (findInCell(start.row, start.identifier, forward, limit))
        return true;
    // Then the scope's cells row by row, wrapping around, the start cell
    // last and whole: a lone occurrence is found again.
    const qint64 width = columns.size();
    const qint64 cells = qint64(lastRow - firstRow + 1) * width;
    const qint64 origin = qint64(start.row - firstRow) * width + startColumn;
    for (qint64 step = 1; step <= cells; ++step) {
        const qint64 at = ((origin + (forward ? step : -step)) % cells + cells) % cells;
        if (findInCell(firstRow + int(at / width), columns.at(at % width), forward,
                       forward ? 0 : kWholeText))
            return true;
    }
    return false;
}

bool QZTagLibRecordTextFinder::replaceFound(const QZTagLibTableCellPath& start, TextEditOutcome* outcome)
{
    // An empty range is the place after a replacement, not an occurrence.
    if (!m_found || !(m_found->cell == start) || m_found->range.length == 0)
        return false;
    const RecordPtr record = m_collection.isIndexValid(start.row)
        ? m_collection.arrangedObjects().at(start.row)
        : RecordPtr();
    if (!record || !record->isEditable())
        return false;
    const std::optional<QString> text = textValue(*record, start.identifier);
    const TextRange range = m_found->range;
    // The cell may have been edited since it was found.
    if (!text || !range.fitsIn(text->size())
        || QStringView(*text).mid(range.location, range.length) != m_found->matched)
        return false;
    QString changed = *text;
    changed.replace(range.location, range.length, m_replacement);
    if (!writeText(record, start.identifier, changed, outcome))
        return false;
    m_found->range = TextRange{range.location + m_replacement.size(), 0};
    m_found->matched.clear();
    return true;
}

TextEditOutcome QZTagLibRecordTextFinder::replaceAll(const SelectionScope& scope)
{
    TextEditOutcome outcome;
    if (m_matcher.isEmpty())
        return outcome;
    const RecordList& rows = m_collection.arrangedObjects();
    const QList<TextColumn> texts = textColumns(scope.columns);
    const int last = std::min(scope.lastRow, int(rows.size()) - 1);
    for (int row = std::max(scope.firstRow, 0); row <= last; ++row) {
        const RecordPtr& record = rows.at(row);
        if (!record->isEditable())
            continue;
        for (const TextColumn& column : texts) {
            const QString text = record->text(column.field);
            QString changed = text;
            const int replaced = m_matcher.replaceAll(changed, m_replacement);
            if (replaced > 0 && changed != text && writeText(record, column.key, changed, &outcome))
                outcome.changes += replaced;
        }
    }
    m_found.reset();
    return outcome;
}

QZTagLibRecordTextFinder::Highlight QZTagLibRecordTextFinder::highlight(const QString& text, int row,
                                                                       const QString& identifier) const
{
    Highlight highlight;
    m_matcher.enumerate(text, 0, [&highlight](const TextRange& range) {
        highlight.matches.append(range);
        return true;
    });
    highlight.current = selectedRange(text, row, identifier);
    return highlight;
}

std::optional<TextRange> QZTagLibRecordTextFinder::selectedRange(const QString& text, int row,
                                                                const QString& identifier) const
{
    if (!m_found || !m_found->cell.isAt(row, identifier) || !m_found->range.fitsIn(text.size())
        || QStringView(text).mid(m_found->range.location, m_found->range.length) != m_found->matched)
        return std::nullopt;
    return m_found->range;
}
