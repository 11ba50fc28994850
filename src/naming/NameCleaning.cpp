#include "naming/NameCleaning.h"

#include "tags/NumberPair.h"

#include <algorithm>

namespace tagmint::naming {

namespace {

// Views on literals, tested with isOneOf: a short scan, no string made.
constexpr QStringView kLeadingNumberChars = u"0123456789 ";
constexpr QStringView kLeadingJunkChars = u"\t\n\r-=.?!@#$%^&*+, ";
constexpr QStringView kTrailingJunkChars = u"\t\n\r-=@#$%^&+, ";
constexpr QStringView kSeparatorTrimChars = u"-=,.()/% ";
constexpr QStringView kClosingBrackets = u")]}";
constexpr QStringView kOpeningBrackets = u"([{";

constexpr int kMaximumNoisePasses = 16;

// QStringView::contains(QChar) runs Qt's substring search, slow per character.
bool isOneOf(QChar c, QStringView set)
{
    return std::find(set.begin(), set.end(), c) != set.end();
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number directly followed by one of these stays: 1980s, 1st, 2nd, 3rd,
// 5th, "10, the"; a blank before the suffix ("01 song") does not protect it.
bool keepsLeadingNumber(const QString& text, qsizetype numberLength)
{
    const QStringView rest = QStringView(text).sliced(numberLength);
    const auto startsWith = [rest](QStringView suffix) {
        if (rest.size() < suffix.size())
            return false;
        for (qsizetype i = 0; i < suffix.size(); ++i) {
            if (rest.at(i).toLower() != suffix.at(i))
                return false;
        }
        return true;
    };
    const bool blankBefore = text.at(numberLength - 1) == QLatin1Char(' ');
    for (const QStringView suffix : {u"s", u"th", u"rd", u"nd"}) {
        if (!blankBefore && startsWith(suffix))
            return true;
    }
    return isOneOf(rest.front(), u",([{");
}

// normalizeSpaces on a piece of a text, made into a string once. Gives
// *whole (shared, not copied) when the piece is all of it and stays as it is.
QString normalizedSpaces(QStringView text, const QString* whole = nullptr)
{
    const QStringView trimmed = text.trimmed();
    // A plain loop: Qt's substring search is slow for a two-character needle.
    qsizetype doubled = 0;
    while (doubled + 1 < trimmed.size()
           && (trimmed[doubled] != QLatin1Char(' ') || trimmed[doubled + 1] != QLatin1Char(' ')))
        ++doubled;
    if (doubled + 1 >= trimmed.size())
        return whole && trimmed.size() == whole->size() ? *whole : trimmed.toString();
    // One pass into a buffer of the trimmed size; runs only shrink it.
    QString result(trimmed.size(), Qt::Uninitialized);
    QChar* out = std::copy_n(trimmed.data(), doubled + 1, result.data());
    for (const QChar c : trimmed.sliced(doubled + 1)) {
        if (c != QLatin1Char(' ') || out[-1] != QLatin1Char(' '))
            *out++ = c;
    }
    result.truncate(out - result.constData());
    return result;
}

// Cuts trailing characters of the set when at least two characters remain
// and at least one goes; "" when the whole text belongs to the set.
QString cutTrailing(const QString& text, QStringView set, bool* consumedAll = nullptr)
{
    qsizetype end = text.size();
    while (end > 0 && isOneOf(text.at(end - 1), set))
        --end;
    if (consumedAll)
        *consumedAll = end == 0;
    if (end >= 2 && end < text.size())
        return normalizedSpaces(QStringView(text).first(end));
    return text;
}

} // namespace

QString replaceInvalidFileNameCharacters(const QString& text)
{
    constexpr QStringView invalid = u"\\/;:*|@";
    const auto first = std::find_if(text.cbegin(), text.cend(), [invalid](QChar c) { return isOneOf(c, invalid); });
    if (first == text.cend())
        return text;   // shared, not copied
    QString result = text;
    for (auto c = result.begin() + (first - text.cbegin()); c != result.end(); ++c) {
        if (isOneOf(*c, invalid))
            *c = QLatin1Char(' ');
    }
    return result;
}

QString normalizeSpaces(const QString& text)
{
    return normalizedSpaces(text, &text);
}

bool hasLetterBeforeEnd(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isLetter())
            return true;
    }
    return false;
}

QString stripLeadingTrackNumber(const QString& text)
{
    if (text.isEmpty())
        return QString();
    const QString spaced = normalizeSpaces(text);
    if (!hasLetterBeforeEnd(spaced))
        return spaced;
    const QString clean = spaced.contains(QLatin1Char('_'))
        ? normalizeSpaces(QString(spaced).replace(QLatin1Char('_'), QLatin1Char(' ')))
        : spaced;

    qsizetype position = 0;
    while (position < clean.size() && isOneOf(clean.at(position), kLeadingNumberChars))
        ++position;
    if (position > 0 && position < clean.size() && keepsLeadingNumber(clean, position))
        position = 0;
    while (position < clean.size() && isOneOf(clean.at(position), kLeadingJunkChars))
        ++position;
    if (position == clean.size())
        return clean;
    const QString rest = position > 0 ? normalizedSpaces(QStringView(clean).sliced(position)) : clean;

    bool consumedAll = false;
    const QString result = cutTrailing(rest, kTrailingJunkChars, &consumedAll);
    return consumedAll ? rest : result;
}

QString trimSeparatorChars(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && isOneOf(text.at(start), kSeparatorTrimChars))
        ++start;
    if (start == text.size())
        return QString();
    return normalizeSpaces(cutTrailing(text.sliced(start), kSeparatorTrimChars));
}

QString stripTrailingYear(const QString& text)
{
    qsizetype digits = text.size();
    while (digits > 0 && isAsciiDigit(text.at(digits - 1)))
        --digits;
    if (digits == text.size() || digits < 2)
        return text;
    const qsizetype separator = digits - 1;
    const QChar before = text.at(separator);
    if (!before.isSpace() && before != QLatin1Char('-'))
        return text;
    const QString tail = trimSeparatorChars(normalizedSpaces(QStringView(text).sliced(separator)));
    const int year = tags::leadingInteger(tail);
    if (year < 1901 || year > 2099)
        return text;
    const QString head = normalizedSpaces(QStringView(text).first(separator));
    return head.size() > tail.size() ? head : text;
}

QString stripTrailingBracket(const QString& text)
{
    const QString clean = stripLeadingTrackNumber(text);
    if (clean.isEmpty() || !isOneOf(clean.back(), kClosingBrackets))
        return clean;
    for (qsizetype i = clean.size() - 2; i > 0; --i) {
        if (isOneOf(clean.at(i), kOpeningBrackets))
            return normalizedSpaces(QStringView(clean).first(i));
    }
    return clean;
}

QString stripTrailingNoise(const QString& text)
{
    QString current = text;
    for (int pass = 0; pass < kMaximumNoisePasses; ++pass) {
        const QString next = stripTrailingBracket(stripTrailingYear(current));
        if (next == current)
            break;
        current = next;
    }
    return current;
}

QString tidyName(const QString& text)
{
    QString spaced = text;
    // Each replacement only where needed: most texts need none, and an
    // untouched text is never copied.
    if (spaced.contains(QLatin1Char('&')))
        spaced.replace(QStringLiteral("&"), QStringLiteral(" & "));
    if (spaced.contains(QLatin1Char('_')))
        spaced.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (spaced.contains(QLatin1Char('-'))) {
        spaced.replace(QStringLiteral("- "), QStringLiteral(" - "));
        spaced.replace(QStringLiteral(" -"), QStringLiteral(" - "));
    }
    return normalizeSpaces(stripLeadingTrackNumber(stripTrailingNoise(spaced)));
}

QString removeExtraCharacters(const QString& text)
{
    return tidyName(stripLeadingTrackNumber(text));
}

QString capitalizeWords(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool insideWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text.at(i).unicode();
        qsizetype width = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            width = 2;
        }
        if (QChar::isLetter(code)) {
            code = insideWord ? QChar::toLower(code) : QChar::toTitleCase(code);
            insideWord = true;
        } else {
            const bool apostrophe = code == U'\'' || code == U'\u2019';
            insideWord = QChar::isDigit(code) || (apostrophe && insideWord);
        }
        if (QChar::requiresSurrogates(code)) {
            result.append(QChar(QChar::highSurrogate(code)));
            result.append(QChar(QChar::lowSurrogate(code)));
        } else {
            result.append(QChar(code));
        }
        i += width - 1;
    }
    return result;
}

} // namespace tagmint::naming
