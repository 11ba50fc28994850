#include "tags/NumberPair.h"

#include <QStringList>
#include <limits>

namespace tagmint::tags {

int leadingInteger(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')
                     || text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')
                     || text[i] == QLatin1Char('\v') || text[i] == QLatin1Char('\f')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return int(negative ? -value : value);
}

NumberPair parseNumberPair(const QString& text)
{
    NumberPair pair;
    if (text.isEmpty())
        return pair;
    const QStringList pieces = text.split(QLatin1Char('/'));
    if (pieces.size() >= 2) {
        pair.number = leadingInteger(pieces[0]);
        pair.total = leadingInteger(pieces[1]);
    } else {
        pair.number = leadingInteger(text);
    }
    pair.number = qMax(pair.number, 0);
    pair.total = qMax(pair.total, 0);
    return pair;
}

QString formatNumberPair(int number, int total, ZeroNumber zero)
{
    number = qMax(number, 0);
    total = qMax(total, 0);
    if (number == 0)
        return zero == ZeroNumber::Zero ? QStringLiteral("0") : QString();
    if (total > 0)
        return QStringLiteral("%1/%2").arg(number).arg(total);
    return QString::number(number);
}

} // namespace tagmint::tags
