#pragma once
// Text clean-up shared by the file-name composer, the path parser, the
// record's file-name check and the text tools ("Remove Extra Spaces",
// "Remove Extra Characters"). Pure functions on text; nothing here touches
// a file.

#include <QString>

namespace tagmint::naming {

// Each of \ / ; : * | @ becomes one blank.
QString replaceInvalidFileNameCharacters(const QString& text);

// Trims white space and line breaks at both ends, then collapses every run
// of blanks into one blank. The text tools' "Remove Extra Spaces".
QString normalizeSpaces(const QString& text);

// True when a letter stands anywhere but in the last position.
bool hasLetterBeforeEnd(const QString& text);

// Removes a leading track number ("01 - ", "7. ") and the punctuation after
// it, and trailing junk ("Title -"). Ordinals and decades keep their number
// (1st, 2nd, 3rd, 5th, 1980s), as does a number followed by a bracket or a
// comma. A text without a letter before its end comes back only with its
// spaces normalised.
QString stripLeadingTrackNumber(const QString& text);

// Drops the characters - = , . ( ) / % and blanks at the start, and at the
// end when at least two characters remain.
QString trimSeparatorChars(const QString& text);

// "Title 1999" and "Title - 1999" give "Title"; only years 1901 to 2099
// after a blank or a hyphen go, and only when the rest is longer than the
// year.
QString stripTrailingYear(const QString& text);

// "Song (Live)" gives "Song"; the opening bracket may be of any kind and must
// not be the first character. The text is cleaned by stripLeadingTrackNumber
// first.
QString stripTrailingBracket(const QString& text);

// Trailing years and bracketed remarks, repeated until nothing changes.
QString stripTrailingNoise(const QString& text);

// The final clean-up of a name: spaced "&" and " - ", underscores as blanks,
// trailing noise and a leading track number removed.
QString tidyName(const QString& text);

// The text tools' "Remove Extra Characters" for every column but the file
// name: stripLeadingTrackNumber, then tidyName.
QString removeExtraCharacters(const QString& text);

// Every word's first letter upper case, its other letters lower case. A word
// continues over letters, digits and apostrophes, so "1980s" and "don't"
// stay one word.
QString capitalizeWords(const QString& text);

} // namespace tagmint::naming
