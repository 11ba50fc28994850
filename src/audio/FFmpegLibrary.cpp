#include "audio/FFmpegLibrary.h"

#include "util/RuntimeLibrary.h"

#include <mutex>

namespace tagmint::audio {

namespace {

void silentLog(void*, int, const char*, va_list) {}

bool load(FFmpegFunctions& f)
{
    // Each of the major version the headers describe: another major version
    // has another binary interface.
    void* avutil = runtime::openLibrary("avutil", LIBAVUTIL_VERSION_MAJOR);
    void* swresample = runtime::openLibrary("swresample", LIBSWRESAMPLE_VERSION_MAJOR);
    void* avcodec = runtime::openLibrary("avcodec", LIBAVCODEC_VERSION_MAJOR);
    void* avformat = runtime::openLibrary("avformat", LIBAVFORMAT_VERSION_MAJOR);
    if (!avutil || !swresample || !avcodec || !avformat)
        return false;
    bool bound = true;
#define TAGMINT_FFMPEG_FROM_AVUTIL(name) bound = runtime::bindFunction(avutil, f.name, #name) && bound;
#define TAGMINT_FFMPEG_FROM_SWRESAMPLE(name) bound = runtime::bindFunction(swresample, f.name, #name) && bound;
#define TAGMINT_FFMPEG_FROM_AVCODEC(name) bound = runtime::bindFunction(avcodec, f.name, #name) && bound;
#define TAGMINT_FFMPEG_FROM_AVFORMAT(name) bound = runtime::bindFunction(avformat, f.name, #name) && bound;
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
