#include "audio/FFmpegLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace tagmint::audio {

namespace {

void silentLog(void*, int, const char*, va_list) {}

// The library of the major version the headers describe: another major
// version has another binary interface.
void* openLibrary(const char* name, int majorVersion)
{
    const std::string file = std::string("lib") + name + ".so." + std::to_string(majorVersion);
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

template <typename Slot>
bool bind(void* library, Slot& slot, const char* name)
{
    slot = reinterpret_cast<Slot>(dlsym(library, name));
    return slot != nullptr;
}

bool load(FFmpegFunctions& f)
{
    // The libraries stay loaded for the life of the process.
    void* avutil = openLibrary("avutil", LIBAVUTIL_VERSION_MAJOR);
    void* swresample = openLibrary("swresample", LIBSWRESAMPLE_VERSION_MAJOR);
    void* avcodec = openLibrary("avcodec", LIBAVCODEC_VERSION_MAJOR);
    void* avformat = openLibrary("avformat", LIBAVFORMAT_VERSION_MAJOR);
    if (!avutil || !swresample || !avcodec || !avformat)
        return false;
    bool bound = true;
#define TAGMINT_FFMPEG_FROM_AVUTIL(name) bound = bind(avutil, f.name, #name) && bound;
#define TAGMINT_FFMPEG_FROM_SWRESAMPLE(name) bound = bind(swresample, f.name, #name) && bound;
#define TAGMINT_FFMPEG_FROM_AVCODEC(name) bound = bind(avcodec, f.name, #name) && bound;
#define TAGMINT_FFMPEG_FROM_AVFORMAT(name) bound = bind(avformat, f.name, #name) && bound;
    TAGMINT_FFMPEG_AVUTIL_FUNCTIONS(TAGMINT_FFMPEG_FROM_AVUTIL)
    TAGMINT_FFMPEG_SWRESAMPLE_FUNCTIONS(TAGMINT_FFMPEG_FROM_SWRESAMPLE)
    TAGMINT_FFMPEG_AVCODEC_FUNCTIONS(TAGMINT_FFMPEG_FROM_AVCODEC)
    TAGMINT_FFMPEG_AVFORMAT_FUNCTIONS(TAGMINT_FFMPEG_FROM_AVFORMAT)
#undef TAGMINT_FFMPEG_FROM_AVUTIL
#undef TAGMINT_FFMPEG_FROM_SWRESAMPLE
#undef TAGMINT_FFMPEG_FROM_AVCODEC
#undef TAGMINT_FFMPEG_FROM_AVFORMAT
    if (!bound)
        return false;
    f.av_log_set_level(AV_LOG_QUIET);
    f.av_log_set_callback(silentLog);
    return true;
}

} // namespace

const FFmpegFunctions* ffmpeg()
{
    static FFmpegFunctions functions;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = load(functions); });
    return loaded ? &functions : nullptr;
}

} // namespace tagmint::audio
