#pragma once
// Libraries bound at run time, the first time one of their functions is
// needed, so that they and the libraries behind them do not weigh on every
// start of either program.

#include <dlfcn.h>
#include <string>

namespace tagmint::runtime {

// lib<name>.so.<major>, which stays loaded for the life of the process.
// nullptr when it is missing.
inline void* openLibrary(const char* name, int major)
{
    const std::string file = std::string("lib") + name + ".so." + std::to_string(major);
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// Points `slot` at the library's function `name`; false when it has none.
template <typename Slot>
bool bindFunction(void* library, Slot& slot, const char* name)
{
    slot = reinterpret_cast<Slot>(dlsym(library, name));
    return slot != nullptr;
}

} // namespace tagmint::runtime
