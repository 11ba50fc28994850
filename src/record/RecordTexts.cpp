#include "record/RecordTexts.h"

#include <cstdlib>

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
    const bool negative = milliseconds < 0;
    const qint64 totalSeconds = std::llabs(milliseconds) / 1000;
    const QString text = QString::asprintf("%lld:%.2lld:%.2lld", totalSeconds / 3600,
                                           (totalSeconds / 60) % 60, totalSeconds % 60);
    return negative ? QLatin1Char('-') + text : text;
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
