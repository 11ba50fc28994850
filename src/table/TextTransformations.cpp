#include "table/TextTransformations.h"

#include "naming/NameCleaning.h"
#include "record/RecordField.h"

namespace tagmint::table {

namespace {

// The longest text Fix Encoding converts; longer ones are left whole rather
// than cut.
constexpr qsizetype kMaxEncodedLength = 65535;

// Upper-cases the first letter of a piece of text and lower-cases the rest.
// Quotes and brackets before the letter are passed over; a piece that
// begins with a digit ("1980s") keeps its letters lower case.
QString capitalizeFirstLetter(QStringView piece)
{
    qsizetype first = 0;
    while (first < piece.size() && !piece.at(first).isLetterOrNumber())
        ++first;
    if (first == piece.size() || !piece.at(first).isLetter())
        return piece.toString().toLower();
    // A letter outside the basic plane takes two units.
    const qsizetype width = piece.at(first).isHighSurrogate() && first + 1 < piece.size() ? 2 : 1;
    return piece.left(first).toString().toLower() + piece.mid(first, width).toString().toUpper()
        + piece.mid(first + width).toString().toLower();
}

bool isPrintableAscii(QChar c)
{
    return (c.unicode() >= 0x20 && c.unicode() < 0x7f) || c == u'\t' || c == u'\n' || c == u'\r';
}

bool endsSentence(QChar c)
{
    switch (c.unicode()) {
    case u'.': case u'!': case u'?': case u'\u2026': case u'\u3002': case u'\uff01': case u'\uff1f':
        return true;
    default:
        return false;
    }
}

bool closesQuoteOrBracket(QChar c)
{
    return c == u'"' || c == u'\'' || c.category() == QChar::Punctuation_Close
        || c.category() == QChar::Punctuation_FinalQuote;
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// A sentence ends at a line break, or after a full stop, question or
// exclamation mark (and the quotes and brackets closing there) followed by
// white space. ICU's sentence rules would not end one before a lower-case
// word ("hello world. bye"), which is exactly the text this mode repairs.
QString sentenceCase(const QString& text)
{
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype position = 0;
    while (position < size) {
        const QChar c = text.at(position++);
        bool end = isLineBreak(c);
        if (!end && endsSentence(c)) {
            while (position < size && closesQuoteOrBracket(text.at(position)))
                ++position;
            end = position == size || text.at(position).isSpace();
        }
        if (!end)
            continue;
        while (position < size && text.at(position).isSpace())
            ++position;
        result += capitalizeFirstLetter(QStringView(text).mid(start, position - start));
        start = position;
    }
    return result + capitalizeFirstLetter(QStringView(text).mid(start));
}

} // namespace

QString changeCase(const QString& text, int mode)
{
    switch (mode) {
    case 0: return text;
    case SentenceCase: return sentenceCase(text);
    case LowerCase: return text.toLower();
    case UpperCase: return text.toUpper();
    default: return naming::capitalizeWords(text);
    }
}

QString fixEncoding(const QString& text, text::LegacyEncoding encoding)
{
    if (text.isEmpty() || text.size() > kMaxEncodedLength)
        return text;
    bool plain = true;
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return text;
        plain = plain && isPrintableAscii(c);
    }
    // Every offered code page reads printable ASCII as itself.
    if (plain)
        return text;
    // A zero byte decodes to itself in every offered code page, so the
    // text after one is kept rather than dropped.
    const std::optional<QString> decoded = text::decodeLegacy(text.toLatin1(), encoding);
    return decoded ? *decoded : text;
}

QString removeExtraCharacters(const QString& text, const QString& key)
{
    if (key == record::fieldKey(RecordField::Filename))
        return naming::normalizeSpaces(text);
    return naming::removeExtraCharacters(text);
}

} // namespace tagmint::table
