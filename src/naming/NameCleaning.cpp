#include "naming/NameCleaning.h"

#include "tags/NumberPair.h"

namespace tagmint::naming {

namespace {

const QString kLeadingNumberChars = QStringLiteral("0123456789 ");
const QString kLeadingJunkChars = QStringLiteral("\t\n\r-=.?!@#$%^&*+, ");
const QString kTrailingJunkChars = QStringLiteral("\t\n\r-=@#$%^&+, ");
const QString kSeparatorTrimChars = QStringLiteral("-=,.()/% ");
const QString kClosingBrackets = QStringLiteral(")]}");
const QString kOpeningBrackets = QStringLiteral("([{");

constexpr int kMaximumNoisePasses = 16;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number directly followed by one of these stays: 1980s, 1st, 2nd, 3rd,
// 5th, "10, the"; a blank before the suffix ("01 song") does not protect it.
bool keepsLeadingNumber(const QString& text, qsizetype numberLength)
{
    const QString rest = text.mid(numberLength).toLower();
    const bool blankBefore = text.at(numberLength - 1) == QLatin1Char(' ');
    for (const char* suffix : {"s", "th", "rd", "nd"}) {
        if (rest.startsWith(QLatin1String(suffix)) && !blankBefore)
            return true;
    }
    for (const char* opener : {",", "(", "[", "{"}) {
        if (rest.startsWith(QLatin1String(opener)))
            return true;
    }
    return false;
}

// Cuts trailing characters of the set when at least two characters remain
// and at least one goes; "" when the whole text belongs to the set.
QString cutTrailing(const QString& text, const QString& set, bool* consumedAll = nullptr)
{
    qsizetype end = text.size();
    while (end > 0 && set.contains(text.at(end - 1)))
        --end;
    if (consumedAll)
        *consumedAll = end == 0;
    if (end >= 2 && end < text.size())
        return normalizeSpaces(text.left(end));
    return text;
}

} // namespace

QString replaceInvalidFileNameCharacters(const QString& text)
{
    static const QString invalid = QStringLiteral("\\/;:*|@");
    QString result = text;
    for (QChar& c : result) {
        if (invalid.contains(c))
            c = QLatin1Char(' ');
    }
    return result;
}

QString normalizeSpaces(const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype doubled = trimmed.indexOf(QLatin1String("  "));
    if (doubled < 0)
        return trimmed;   // shares the text when there was nothing to do
    QString result = trimmed.left(doubled + 1);
    for (qsizetype i = doubled + 1; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c != QLatin1Char(' ') || !result.endsWith(QLatin1Char(' ')))
            result.append(c);
    }
    return result;
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
    while (position < clean.size() && kLeadingNumberChars.contains(clean.at(position)))
        ++position;
    if (position > 0 && position < clean.size() && keepsLeadingNumber(clean, position))
        position = 0;
    while (position < clean.size() && kLeadingJunkChars.contains(clean.at(position)))
        ++position;
    if (position == clean.size())
        return clean;
    const QString rest = position > 0 ? normalizeSpaces(clean.mid(position)) : clean;

    bool consumedAll = false;
    const QString result = cutTrailing(rest, kTrailingJunkChars, &consumedAll);
    return consumedAll ? rest : result;
}

QString trimSeparatorChars(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && kSeparatorTrimChars.contains(text.at(start)))
        ++start;
    if (start == text.size())
        return QString();
    return normalizeSpaces(cutTrailing(text.mid(start), kSeparatorTrimChars));
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
    const QString tail = trimSeparatorChars(normalizeSpaces(text.mid(separator)));
    const int year = tags::leadingInteger(tail);
    if (year < 1901 || year > 2099)
        return text;
    const QString head = normalizeSpaces(text.left(separator));
    return head.size() > tail.size() ? head : text;
}

QString stripTrailingBracket(const QString& text)
{
    const QString clean = stripLeadingTrackNumber(text);
    if (clean.isEmpty() || !kClosingBrackets.contains(clean.back()))
        return clean;
    for (qsizetype i = clean.size() - 2; i > 0; --i) {
        if (kOpeningBrackets.contains(clean.at(i)))
            return normalizeSpaces(clean.left(i));
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
    spaced.replace(QLatin1String("&"), QLatin1String(" & "))
        .replace(QLatin1Char('_'), QLatin1Char(' '))
        .replace(QLatin1String("- "), QLatin1String(" - "))
        .replace(QLatin1String(" -"), QLatin1String(" - "));
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
