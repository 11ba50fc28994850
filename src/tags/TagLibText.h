#pragma once
// Conversion between TagLib strings and the record's texts.

#include <QString>
#include <taglib/tstring.h>

namespace tagmint::tags {

// A null TagLib string gives "".
QString fromTagLib(const TagLib::String& text);

// An empty text becomes TagLib's null string, which TagLib's generic setters
// treat as "clear the field".
TagLib::String toTagLib(const QString& text);

} // namespace tagmint::tags
