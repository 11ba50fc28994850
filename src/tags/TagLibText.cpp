#include "tags/TagLibText.h"

#include "util/TextConversion.h"

namespace tagmint::tags {

namespace {

// Copies TagLib's UTF-16 units into `out` as they stand. Refuses (false) what
// TagLib's own UTF-8 conversion would change: a leading byte order mark
// (dropped by the decoder), a lone surrogate (TagLib gives up on the whole
// text) or a unit beyond 16 bits.
bool copyWellFormed(const wchar_t* units, qsizetype size, char16_t* out)
{
    if (units[0] == 0xFEFF)
        return false;
    for (qsizetype i = 0; i < size; ++i) {
        const auto unit = char32_t(units[i]);
        if (unit >= 0xD800) {
            if (unit > 0xFFFF)
                return false;
            if (unit <= 0xDFFF) {
                if (unit >= 0xDC00 || i + 1 == size)
                    return false;
                const auto low = char32_t(units[i + 1]);
                if (low < 0xDC00 || low > 0xDFFF)
                    return false;
                out[i++] = char16_t(unit);
                out[i] = char16_t(low);
                continue;
            }
        }
        out[i] = char16_t(unit);
    }
    return true;
}

} // namespace

QString fromTagLib(const TagLib::String& text)
{
    const qsizetype size = text.size();
    if (size == 0)
        return QString();
    // Almost every text is well-formed: one copy instead of a round trip
    // through UTF-8, with the same result.
    QString copy(size, Qt::Uninitialized);
    if (copyWellFormed(text.toCWString(), size, reinterpret_cast<char16_t*>(copy.data())))
        return copy;
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
