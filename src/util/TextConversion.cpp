#include "util/TextConversion.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace tagmint::text {

namespace {

// Byte b (0x80-0xFF) that is no part of valid UTF-8 <-> U+EF00 + b.
constexpr char16_t kFirstEscape = 0xEF80;
constexpr char16_t kLastEscape = 0xEFFF;
constexpr char16_t kEscapeOffset = 0xEF00;

bool isEscape(char16_t c) { return c >= kFirstEscape && c <= kLastEscape; }

bool hasEscape(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return isEscape(c.unicode()); });
}

// The length of the well-formed UTF-8 sequence (RFC 3629: no overlong forms,
// no surrogates, nothing past U+10FFFF) that starts at `p`, with its code
// point; 0 when there is none. A sequence of one of our escape characters
// counts as none, so such a name keeps its bytes too.
int sequenceAt(const uchar* p, qsizetype available, char32_t* codePoint)
{
    const uchar lead = p[0];
    int length;
    char32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)
        || (value >= kFirstEscape && value <= kLastEscape))
        return 0;
    *codePoint = value;
    return length;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | c >> 6));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | c >> 12));
        out.append(char(0x80 | (c >> 6 & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | c >> 18));
        out.append(char(0x80 | (c >> 12 & 0x3F)));
        out.append(char(0x80 | (c >> 6 & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Windows-1252 for 0x80-0x9F; 0 where it assigns nothing.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QString fromExternalBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(bytes);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(bytes);
}

QString fromFileSystemPath(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    // Never more UTF-16 units than bytes.
    QString result(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    qsizetype at = 0;
    while (at < size) {
        if (p[at] < 0x80) {
            *out++ = p[at++];
            continue;
        }
        char32_t codePoint;
        const int length = sequenceAt(p + at, size - at, &codePoint);
        if (length == 0) {
            *out++ = char16_t(kEscapeOffset + p[at++]);
        } else if (codePoint < 0x10000) {
            *out++ = char16_t(codePoint);
            at += length;
        } else {
            *out++ = QChar::highSurrogate(codePoint);
            *out++ = QChar::lowSurrogate(codePoint);
            at += length;
        }
    }
    result.truncate(out - reinterpret_cast<const char16_t*>(result.constData()));
    return result;
}

QByteArray toFileSystemPath(const QString& path)
{
    if (!hasEscape(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    const qsizetype size = path.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = path.at(i).unicode();
        if (isEscape(c)) {
            out.append(char(c - kEscapeOffset));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && path.at(i + 1).isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(c, path.at(i + 1).unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            appendUtf8(out, QChar::ReplacementCharacter);   // as QString::toUtf8 does
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

QString readable(const QString& path)
{
    if (!hasEscape(path))
        return path;
    QString shown = path;
    for (QChar& c : shown) {
        if (!isEscape(c.unicode()))
            continue;
        const int byte = c.unicode() - kEscapeOffset;
        const char16_t mapped = byte >= 0xA0 ? char16_t(byte) : kWindows1252[byte - 0x80];
        c = mapped ? QChar(mapped) : QChar(QChar::ReplacementCharacter);
    }
    return shown;
}

QStringList commandLineArguments(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(fromFileSystemPath(argv[i]));
    return arguments;
}

QString pathFromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return QString();
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return url.toLocalFile();   // a share: "//host/path"
    return fromFileSystemPath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl urlFromPath(const QString& path)
{
    return QUrl::fromEncoded("file://" + toFileSystemPath(path).toPercentEncoding("/"));
}

QString systemErrorText(int errorNumber)
{
    QString message = fromExternalBytes(QByteArray(std::strerror(errorNumber)));
    if (!message.isEmpty())
        message[0] = message[0].toLower();
    return message;
}

} // namespace tagmint::text
