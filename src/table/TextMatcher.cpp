#include "table/TextMatcher.h"

namespace tagmint::table {

TextMatcher::TextMatcher(const QString& query, const FindOptions& options)
    : m_query(query),
      m_case(options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive),
      m_type(options.searchType),
      m_finder(query, m_case)
{
}

std::optional<TextRange> TextMatcher::first(const QString& text, qsizetype start) const
{
    std::optional<TextRange> result;
    enumerate(text, start, [&result](const TextRange& range) {
        result = range;
        return false;
    });
    return result;
}

std::optional<TextRange> TextMatcher::last(const QString& text, qsizetype end) const
{
    std::optional<TextRange> result;
    enumerate(text, 0, [&result, end](const TextRange& range) {
        if (range.end() > end)
            return false;
        result = range;
        return true;
    });
    return result;
}

int TextMatcher::count(const QString& text) const
{
    int occurrences = 0;
    enumerate(text, 0, [&occurrences](const TextRange&) {
        ++occurrences;
        return true;
    });
    return occurrences;
}

int TextMatcher::replaceAll(QString& text, const QString& replacement) const
{
    int replaced = 0;
    qsizetype position = 0;
    while (const std::optional<TextRange> range = first(text, position)) {
        text.replace(range->location, range->length, replacement);
        ++replaced;
        if (anchoredAtStart())
            break;
        position = range->location + replacement.size();
    }
    return replaced;
}

} // namespace tagmint::table
