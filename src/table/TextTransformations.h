#pragma once
// The text tools of the Edit menu as plain string functions: change case,
// repair text that was read with the wrong code page, remove extra
// characters (removing extra spaces is naming::normalizeSpaces). The
// commands apply them cell by cell.

#include "util/LegacyEncodings.h"

#include <QString>

namespace tagmint::table {

// The case modes; they are the menu items' tags.
enum CaseMode {
    SentenceCase = 10001,
    CapitalizedCase = 10002,   // every word's first letter; also any other mode but 0
    LowerCase = 10003,
    UpperCase = 10004,
};

// Mode 0 leaves the text as it is.
QString changeCase(const QString& text, int mode);

// Text whose characters are the bytes of a legacy code page read as
// Latin-1, decoded again in that code page. The text itself when it cannot
// be such bytes (a character beyond Latin-1, nothing to convert, more than
// 65,535 of them) or the bytes are not valid in the code page.
QString fixEncoding(const QString& text, text::LegacyEncoding encoding);

// Leading track numbers, trailing junk, years and bracketed remarks go;
// the file name (key "filename") only loses extra spaces.
QString removeExtraCharacters(const QString& text, const QString& key);

} // namespace tagmint::table
