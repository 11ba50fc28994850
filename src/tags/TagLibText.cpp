#include "tags/TagLibText.h"

#include "util/TextConversion.h"

namespace tagmint::tags {

namespace {

// Copies TagLib's UTF-16 units into `out` as the text reads: without a
// leading byte order mark and with U+FFFD for each lone surrogate of a
// damaged text (TagLib's own conversion would give up on all of it). Returns
// how many units were written, or -1 for a unit beyond 16 bits.
qsizetype copyUnits(const wchar_t* units, qsizetype size, char16_t* out)
{
    const auto isLow = [](char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    qsizetype written = 0;
    for (qsizetype i = units[0] == 0xFEFF ? 1 : 0; i < size; ++i) {
        const auto unit = char32_t(units[i]);
        if (unit > 0xFFFF)
            return -1;
        if (unit < 0xD800 || unit > 0xDFFF) {
            out[written++] = char16_t(unit);
        } else if (unit < 0xDC00 && i + 1 < size && isLow(char32_t(units[i + 1]))) {
            out[written++] = char16_t(unit);
            out[written++] = char16_t(units[++i]);
        } else {
            out[written++] = u'\uFFFD';
        }
    }
    return written;
}

} // namespace

QString fromTagLib(const TagLib::String& text)
{
    const qsizetype size = text.size();
    if (size == 0)
        return QString();
    // One copy instead of a round trip through UTF-8.
    QString copy(size, Qt::Uninitialized);
    if (const qsizetype length = copyUnits(text.toCWString(), size, reinterpret_cast<char16_t*>(copy.data()));
        length >= 0) {
        copy.truncate(length);
        return copy;
    }
    const std::string bytes = text.to8Bit(true);
    return text::fromExternalBytes(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

TagLib::String toTagLib(const QString& text)
{
    if (text.isEmpty())
        return TagLib::String();
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

} // namespace tagmint::tags
