#pragma once
// Display texts the record derives from numbers.

#include <QString>

namespace tagmint::record {

// "1.5 Kb", "1.0 Mb", ... with binary units; below 1 Kb the exact "%lld bytes".
QString sizeText(quint64 bytes);
// "h:mm:ss" (hours unbounded), a leading "-" when negative, "-" for 0.
QString durationText(qint64 milliseconds);
// "%i", or "-" for 0.
QString numberOrDash(int value);
// Every word's first letter in upper case, the rest in lower case.
QString capitalizedWords(const QString& text);

} // namespace tagmint::record
