#include "table/TextTransformations.h"

#include <QTextBoundaryFinder>

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

QString sentenceCase(const QString& text)
{
    QString result;
    result.reserve(text.size());
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() >= 0) {
        const qsizetype end = finder.position();
        result += capitalizeFirstLetter(QStringView(text).mid(start, end - start));
        start = end;
    }
    return result;
}

// Words are what white space separates.
QString capitalizedCase(const QString& text)
{
    QString result;
    result.reserve(text.size());
    qsizetype position = 0;
    while (position < text.size()) {
        qsizetype end = position;
        const bool space = text.at(position).isSpace();
        while (end < text.size() && text.at(end).isSpace() == space)
            ++end;
        const QStringView run = QStringView(text).mid(position, end - position);
        result += space ? run.toString() : capitalizeFirstLetter(run);
        position = end;
    }
    return result;
}

} // namespace

QString changeCase(const QString& text, int mode)
{
    switch (mode) {
    case 0: return text;
    case SentenceCase: return sentenceCase(text);
    case LowerCase: return text.toLower();
    case UpperCase: return text.toUpper();
    default: return capitalizedCase(text);
    }
}

QString fixEncoding(const QString& text, text::LegacyEncoding encoding)
{
    if (text.isEmpty() || text.size() > kMaxEncodedLength)
        return text;
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return text;
    }
    // A zero byte decodes to itself in every offered code page, so the
    // text after one is kept rather than dropped.
    const std::optional<QString> decoded = text::decodeLegacy(text.toLatin1(), encoding);
    return decoded ? *decoded : text;
}

} // namespace tagmint::table
