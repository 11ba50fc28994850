#include "tags/TagLibText.h"

#include "util/TextConversion.h"

namespace tagmint::tags {

QString fromTagLib(const TagLib::String& text)
{
    if (text.isEmpty())
        return QString();
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
