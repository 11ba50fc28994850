#pragma once
// The legacy 8-bit and East Asian code pages that text in old tags was
// written in, as Fix Encoding offers them. Each has our own stable
// identifier (the menu item's tag), its IANA name (the command line's word)
// and a title. Decoding goes through ICU behind Qt's string decoder.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tagmint::text {

// Stable numbers: menus carry them, so they are never reused.
enum class LegacyEncoding {
    Windows1252 = 1, Iso8859_15, MacRoman,
    Windows1250, Iso8859_2,
    Windows1251, Koi8R, Koi8U, Ibm866, Iso8859_5,
    Windows1253, Windows1254, Windows1257, Windows1255, Windows1256,
    ShiftJis, EucJp, Gb18030, Big5, EucKr,
};

struct LegacyEncodingInfo {
    LegacyEncoding id;
    const char* ianaName;      // what the decoder and the command line take
    const char* script;        // "Western", "Cyrillic", ...: the menu groups by it
    const char* name;          // "Windows-1251", "KOI8-R", ...
    const char* alias;         // a further accepted name, or nullptr

    // "Cyrillic (Windows-1251)"
    QString title() const;
};

// In menu order; entries of one script follow each other.
const QList<LegacyEncodingInfo>& legacyEncodings();
const LegacyEncodingInfo* legacyEncoding(int id);
// By IANA name or alias, ignoring case.
const LegacyEncodingInfo* legacyEncodingNamed(const QString& name);
// The accepted names, lower case, in menu order.
QStringList legacyEncodingNames();

// The bytes read in that code page; nothing when a byte sequence is not
// valid there.
std::optional<QString> decodeLegacy(const QByteArray& bytes, LegacyEncoding encoding);

} // namespace tagmint::text
