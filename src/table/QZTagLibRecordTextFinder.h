#pragma once
// The find engine of one window: the find text, the options and the
// replacement, over the window's record collection. It counts occurrences,
// steps from one to the next through the cells with wrap-around, replaces
// one or all, and filters the collection to the records that hold the find
// text. Only text values are searched; the caller names the columns and
// rows (the selection's scope).

#include "collection/RecordList.h"
#include "table/FindOptions.h"
#include "table/QZTagLibTableCellPath.h"
#include "table/QZTagLibTableSelection.h"
#include "table/TextCommands.h"
#include "table/TextMatcher.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QZTagLibRecord;
class QZTagLibRecordDataArrayController;

// Where the last find stopped.
struct FoundOccurrence {
    QZTagLibTableCellPath cell;
    tagmint::table::TextRange range;
    QString matched;   // the text the range held when it was found
};

class QZTagLibRecordTextFinder {
public:
    using FindOptions = tagmint::table::FindOptions;
    using TextRange = tagmint::table::TextRange;

    struct Occurrences {
        int count = 0;
        // Some occurrence lies in a replace column of a writable record.
        bool replaceable = false;
    };

    // Every match in a cell's text, and the current one when it is there.
    struct Highlight {
        QList<TextRange> matches;
        std::optional<TextRange> current;
    };

    QZTagLibRecordTextFinder(QZTagLibRecordDataArrayController& collection, const FindOptions& options);
    QZTagLibRecordTextFinder(const QZTagLibRecordTextFinder&) = delete;
    QZTagLibRecordTextFinder& operator=(const QZTagLibRecordTextFinder&) = delete;

    const QString& query() const { return m_matcher.query(); }
    const FindOptions& options() const { return m_options; }
    const QString& replacement() const { return m_replacement; }
    void setReplacement(const QString& text) { m_replacement = text; }
    const std::optional<FoundOccurrence>& lastFound() const { return m_found; }

    // Both forget the last found occurrence, then filter the collection by
    // the columns (a non-empty text with the filter on) or remove the filter.
    void setQuery(const QString& text, const QStringList& columns);
    void setOptions(const FindOptions& options, const QStringList& columns);
    // An empty and a missing text count as equal.
    bool hasQuery(const QString& text) const { return query() == text; }

    Occurrences countOccurrences(const SelectionScope& scope, const QStringList& replaceColumns) const;

    // Move the found occurrence from the start cell on (backwards for
    // previous), row by row with wrap-around; start must be a cell of the
    // scope. False when there is none.
    bool findNext(const QZTagLibTableCellPath& start, const SelectionScope& scope);
    bool findPrevious(const QZTagLibTableCellPath& start, const SelectionScope& scope);

    // When start is the found cell and its text still holds the found text
    // there: writes the replacement in its place, and the found occurrence
    // becomes the empty range after it, so finding next goes on from there.
    // False when nothing was written (refusals go to outcome).
    bool replaceFound(const QZTagLibTableCellPath& start, tagmint::table::TextEditOutcome* outcome);
    // Every occurrence in the scope's writable records; changes counts the
    // replacements of the cells whose value changed.
    tagmint::table::TextEditOutcome replaceAll(const SelectionScope& scope);

    Highlight highlight(const QString& text, int row, const QString& identifier) const;
    // The found occurrence's range when this cell holds it.
    std::optional<TextRange> selectedRange(const QString& text, int row, const QString& identifier) const;

private:
    void applyFilter(const QStringList& columns);
    std::optional<QString> cellText(int row, const QString& identifier) const;
    bool find(const QZTagLibTableCellPath& start, const SelectionScope& scope, bool forward);
    // Looks for an occurrence in one cell (forward: the first beginning at or
    // after limit; else the last ending at or before it) and makes it the
    // found one.
    bool findInCell(int row, const QString& identifier, bool forward, qsizetype limit);

    QZTagLibRecordDataArrayController& m_collection;
    FindOptions m_options;
    tagmint::table::TextMatcher m_matcher;
    QString m_replacement;
    std::optional<FoundOccurrence> m_found;
};
