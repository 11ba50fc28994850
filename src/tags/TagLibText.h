#pragma once
// Conversion between TagLib strings and the record's texts, and a look at
// TagLib's bytes.

#include <QByteArray>
#include <QString>
#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

namespace tagmint::tags {

// A null TagLib string gives "". As with TagLib's own UTF-8 conversion, a
// leading byte order mark is dropped; a lone surrogate in a damaged text
// reads as U+FFFD, so the rest of the text still shows.
QString fromTagLib(const TagLib::String& text);

// An empty text becomes TagLib's null string, which TagLib's generic setters
// treat as "clear the field".
TagLib::String toTagLib(const QString& text);

// The bytes of `data` without a copy (a cover's header is all a size needs);
// valid while `data` lives unchanged.
inline QByteArray viewOf(const TagLib::ByteVector& data)
{
    return QByteArray::fromRawData(data.data(), qsizetype(data.size()));
}

} // namespace tagmint::tags
