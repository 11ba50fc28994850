#pragma once
// Calls into TagLib that may throw (allocation, stream errors): nothing may
// leave a tag wrapper as an exception.

#include <taglib/tag.h>

namespace tagmint::tags {

template <class Result, class Body>
Result guarded(Result fallback, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <class Body>
void guardedVoid(Body&& body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}

// TagLib's generic accessors, for tables of fields.
using TagGetter = TagLib::String (TagLib::Tag::*)() const;
using TagSetter = void (TagLib::Tag::*)(const TagLib::String&);

} // namespace tagmint::tags
