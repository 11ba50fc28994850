#include "record/RecordTexts.h"

#include <charconv>

namespace tagmint::record {

QString sizeText(quint64 bytes)
{
    struct Unit {
        double divisor;
        const char* name;
    };
    static constexpr Unit units[] = {
        {1099511627776.0, "Tb"},
        {1073741824.0, "Gb"},
        {1048576.0, "Mb"},
        {1024.0, "Kb"},
    };
    const double size = double(bytes);
    for (const Unit& unit : units) {
        const double scaled = size / unit.divisor;
        if (scaled >= 1.0)
            return QString::asprintf("%.1f %s", scaled, unit.name);
    }
    return QString::asprintf("%lld bytes", static_cast<long long>(bytes));
}

QString durationText(qint64 milliseconds)
{
    if (milliseconds == 0)
        return QStringLiteral("-");
    // Written by hand: formatting through asprintf cost more than the rest
    // of the audio columns of a record together.
    const quint64 magnitude = milliseconds < 0 ? 0 - quint64(milliseconds) : quint64(milliseconds);
    const quint64 totalSeconds = magnitude / 1000;
    char buffer[32];
    char* end = buffer;
    if (milliseconds < 0)
        *end++ = '-';
    end = std::to_chars(end, buffer + sizeof buffer, totalSeconds / 3600).ptr;
    for (const quint64 part : {(totalSeconds / 60) % 60, totalSeconds % 60}) {
        *end++ = ':';
        *end++ = char('0' + part / 10);
        *end++ = char('0' + part % 10);
    }
    return QString::fromLatin1(buffer, end - buffer);
}

QString numberOrDash(int value)
{
    return value == 0 ? QStringLiteral("-") : QString::number(value);
}

QString capitalizedWords(const QString& text)
{
    QString result = text.toLower();
    bool atWordStart = true;
    for (QChar& c : result) {
        if (c.isLetterOrNumber()) {
            if (atWordStart)
                c = c.toUpper();
            atWordStart = false;
        } else {
            atWordStart = true;
        }
    }
    return result;
}

} // namespace tagmint::record
