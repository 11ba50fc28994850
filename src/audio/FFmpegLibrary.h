#pragma once
// The FFmpeg functions the program calls, bound at run time the first time
// one is needed. Linking FFmpeg pulled some 140 libraries (every codec and
// network library FFmpeg was built with) into every start of either program,
// about 0.1 s of processor time and more of wall time, while most runs
// (tags only, audio facts from the cache) never call FFmpeg at all.

extern "C" {
#include <libavcodec/ac3_parser.h>
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace tagmint::audio {

// X(function) for every function bound, grouped by the library that has it.
#define TAGMINT_FFMPEG_AVUTIL_FUNCTIONS(X)                                                          \
    X(av_log_set_level) X(av_log_set_callback) X(av_version_info) X(av_dict_set) X(av_dict_get)   \
    X(av_dict_free) X(av_rescale_q) X(av_channel_layout_default) X(av_channel_layout_copy)         \
    X(av_channel_layout_compare) X(av_channel_layout_describe) X(av_channel_layout_uninit)         \
    X(av_frame_alloc) X(av_frame_free) X(av_frame_unref) X(av_get_bytes_per_sample)
#define TAGMINT_FFMPEG_SWRESAMPLE_FUNCTIONS(X)                                                      \
    X(swr_alloc_set_opts2) X(swr_init) X(swr_free) X(swr_get_out_samples) X(swr_convert)
#define TAGMINT_FFMPEG_AVCODEC_FUNCTIONS(X)                                                         \
    X(av_ac3_parse_header) X(avcodec_descriptor_get) X(avcodec_find_decoder)                       \
    X(avcodec_alloc_context3) X(avcodec_free_context) X(avcodec_parameters_to_context)             \
    X(avcodec_open2) X(avcodec_send_packet) X(avcodec_receive_frame) X(av_packet_alloc)            \
    X(av_packet_free) X(av_packet_unref)
#define TAGMINT_FFMPEG_AVFORMAT_FUNCTIONS(X)                                                        \
    X(avformat_alloc_context) X(avformat_open_input) X(avformat_find_stream_info)                  \
    X(avformat_close_input) X(av_find_best_stream) X(av_read_frame) X(av_stream_get_side_data)     \
    X(avio_read) X(avio_seek)

struct FFmpegFunctions {
#define TAGMINT_FFMPEG_SLOT(name) decltype(&::name) name = nullptr;
    TAGMINT_FFMPEG_AVUTIL_FUNCTIONS(TAGMINT_FFMPEG_SLOT)
    TAGMINT_FFMPEG_SWRESAMPLE_FUNCTIONS(TAGMINT_FFMPEG_SLOT)
    TAGMINT_FFMPEG_AVCODEC_FUNCTIONS(TAGMINT_FFMPEG_SLOT)
    TAGMINT_FFMPEG_AVFORMAT_FUNCTIONS(TAGMINT_FFMPEG_SLOT)
#undef TAGMINT_FFMPEG_SLOT
};

// Loads the four libraries of the FFmpeg version the program was built
// against and binds every function, once per process (thread-safe), with
// FFmpeg's logging silenced. nullptr when a library or a function is
// missing: FFmpeg is then unavailable and the readers that need it refuse.
const FFmpegFunctions* ffmpeg();

} // namespace tagmint::audio
