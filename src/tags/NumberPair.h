#pragma once
// "number/total" texts as stored in ID3v2 TRCK/TPOS frames and Xiph comments.

#include <QString>

namespace tagmint::tags {

struct NumberPair {
    int number = 0;
    int total = 0;
};

// The leading integer of a text: leading blanks skipped, optional sign,
// then digits; 0 when there are no digits.
int leadingInteger(const QString& text);

// "5/12" -> 5, 12; "7" -> 7, 0; "/12" -> 0, 12. Negative values become 0.
NumberPair parseNumberPair(const QString& text);

// How a pair without a number is written.
enum class ZeroNumber { Empty, Zero };

// "%i/%i", "%i", or for a missing number "" or "0"; a total without a
// number is never written.
QString formatNumberPair(int number, int total, ZeroNumber zero);

} // namespace tagmint::tags
