#pragma once
// Finds the find text in one cell's text under the find options: literal or
// case-folded comparison, and where an occurrence must lie (anywhere, at the
// start, at the end, or covering the whole text). Occurrences never overlap:
// after each one the search goes on at its end. Lengths and positions are
// UTF-16 units, as QString counts them.

#include "table/FindOptions.h"

#include <QString>
#include <QStringMatcher>
#include <optional>

namespace tagmint::table {

// A run of characters inside a text.
struct TextRange {
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    // The range lies inside a text of that length.
    bool fitsIn(qsizetype textLength) const
    {
        return location >= 0 && length >= 0 && end() <= textLength;
    }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

class TextMatcher {
public:
    TextMatcher() = default;
    TextMatcher(const QString& query, const FindOptions& options);

    const QString& query() const { return m_query; }
    bool isEmpty() const { return m_query.isEmpty(); }

    // Calls found(TextRange) for each accepted occurrence that begins at or
    // after start, in order, until it returns false.
    template <typename Found>
    void enumerate(const QString& text, qsizetype start, Found&& found) const;

    // The first accepted occurrence beginning at or after start.
    std::optional<TextRange> first(const QString& text, qsizetype start = 0) const;
    // The last accepted occurrence ending at or before end.
    std::optional<TextRange> last(const QString& text, qsizetype end) const;
    int count(const QString& text) const;
    bool matches(const QString& text) const { return first(text).has_value(); }
    // Replaces every accepted occurrence from the start on, going on after
    // each inserted replacement; answers how many were replaced. Starts with
    // and matches replace at most once: an empty replacement would
    // otherwise expose a new start to match again.
    int replaceAll(QString& text, const QString& replacement) const;

private:
    bool anchoredAtStart() const
    {
        return m_type == SearchType::StartsWith || m_type == SearchType::Matches;
    }

    QString m_query;
    Qt::CaseSensitivity m_case = Qt::CaseInsensitive;
    SearchType m_type = SearchType::Contains;
    // Its skip table is made once per query, not once per cell.
    QStringMatcher m_finder;
};

template <typename Found>
void TextMatcher::enumerate(const QString& text, qsizetype start, Found&& found) const
{
    const qsizetype length = text.size();
    const qsizetype queryLength = m_query.size();
    if (queryLength == 0 || length < queryLength || length <= start || start < 0)
        return;
    if (anchoredAtStart()) {
        // Only the first occurrence counts, and it must begin the text; a
        // prefix test says the same as searching for it.
        if (start > 0 || !text.startsWith(m_query, m_case))
            return;
        if (m_type == SearchType::Matches && length != queryLength)
            return;
        found(TextRange{0, queryLength});
        return;
    }
    qsizetype position = start;
    while (position < length) {
        const qsizetype at = m_finder.indexIn(text, position);
        if (at < 0)
            return;
        const TextRange range{at, queryLength};
        if ((m_type == SearchType::Contains || range.end() == length) && !found(range))
            return;
        position = range.end();
    }
}

} // namespace tagmint::table
