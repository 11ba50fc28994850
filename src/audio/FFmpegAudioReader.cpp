#include "audio/FFmpegAudioReader.h"

#include "audio/CompressedInPcm.h"
#include "audio/FFmpegLibrary.h"
#include "util/TextConversion.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagmint::audio {

namespace {

using Clock = std::chrono::steady_clock;

// Opening and analysing a file is bounded by FFmpeg's 10-second analysis
// limit (in media time); this bounds it in wall time too.
constexpr auto kOpenDeadline = std::chrono::seconds(60);
constexpr int64_t kMaxAnalyzeDuration = 10'000'000;  // microseconds

// Only called once the reader found FFmpeg loaded.
const FFmpegFunctions& ff()
{
    return *ffmpeg();
}

// Extensions that are never audio; FFmpeg would happily open some of them
// (images, subtitles, playlists).
bool isRefusedExtension(const QByteArray& extension)
{
    static const char* const kRefused[] = {
        "txt", "exe", "dll",  "cue",  "jp2", "jpeg", "jpg", "nfo",  "tiff", "tif", "html",
        "htm", "gif", "ico",  "dat",  "srt", "idx",  "zip", "so",   "plist", "png", "nib",
        "xib", "icns", "doc", "xls",  "ppt", "bmp",  "log", "ini",  "strings", "vob",
    };
    return std::any_of(std::begin(kRefused), std::end(kRefused),
                       [&](const char* refused) { return extension == refused; });
}

// The demuxers a file of this extension may plausibly be opened with; empty
// when any is fine. FFmpeg picks a demuxer by content and, failing that, by
// extension alone, so junk under ".mp3" or ".flac" opens "successfully".
QList<QByteArrayView> plausibleDemuxers(const QByteArray& extension)
{
    static const QList<QByteArrayView> mov = {"mov", "mp4", "m4a", "3gp", "3g2"};
    if (extension == "mp3")
        return {"mp3"};
    if (extension == "wav")
        return {"wav"};
    if (extension == "aif" || extension == "aiff" || extension == "aifc")
        return {"aiff"};
    if (extension == "au")
        return {"au"};
    if (extension == "caf")
        return {"caf"};
    if (extension == "wma" || extension == "asf")
        return {"asf", "asf_o"};
    if (extension == "ogg" || extension == "oga" || extension == "opus" || extension == "spx")
        return {"ogg"};
    if (extension == "wv")
        return {"wv"};
    if (extension == "ape")
        return {"ape"};
    if (extension == "mpc")
        return {"mpc", "mpc8"};
    if (extension == "tta")
        return {"tta"};
    if (extension == "ac3")
        return {"ac3", "eac3"};
    if (extension == "aac")
        return QList<QByteArrayView>{"aac", "loas"} + mov;
    if (extension == "flac" || extension == "fla")
        return {"flac"};
    if (extension == "m4a" || extension == "mp4" || extension == "mov" || extension == "3gp"
        || extension == "3g2")
        return mov;
    return {};
}

bool isPlausibleDemuxer(const AVInputFormat* format, const QByteArray& extension)
{
    const QList<QByteArrayView> wanted = plausibleDemuxers(extension);
    if (wanted.isEmpty())
        return true;
    // FFmpeg names a demuxer of several formats with a comma list ("mov,mp4,m4a,...").
    const QList<QByteArray> names = QByteArray(format->name).split(',');
    return std::any_of(names.begin(), names.end(),
                       [&](const QByteArray& name) { return wanted.contains(name); });
}

bool startsWithDotR(const QByteArray& path)
{
    char head[2] = {};
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool read = ::read(fd, head, 2) == 2;
    ::close(fd);
    return read && head[0] == '.' && (head[1] == 'r' || head[1] == 'R');
}

QByteArray metadataValue(const AVDictionary* metadata, const char* key)
{
    const AVDictionaryEntry* entry = ff().av_dict_get(metadata, key, nullptr, 0);
    return entry && entry->value ? QByteArray(entry->value) : QByteArray();
}

bool isProtected(const AVFormatContext* context)
{
    const QByteArray name = context->iformat->name;
    if (name.contains("asf")) {
        if (!metadataValue(context->metadata, "encryption").isEmpty())
            return true;
        if (metadataValue(context->metadata, "ASF_Protection_Type").compare("DRM", Qt::CaseInsensitive) == 0)
            return true;
    }
    if (name.contains("mp4")) {
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVStream* stream = context->streams[i];
            const uint32_t tag = stream->codecpar->codec_tag;
            // FairPlay ('drms', 'drma') and Common Encryption ('enca') sample entries.
            if (tag == MKTAG('d', 'r', 'm', 's') || tag == MKTAG('d', 'r', 'm', 'a')
                || tag == MKTAG('e', 'n', 'c', 'a'))
                return true;
            if (ff().av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INIT_INFO, nullptr))
                return true;
        }
    }
    return false;
}

QString printable(const char* text)
{
    QByteArray bytes(text ? text : "");
    for (char& c : bytes) {
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = ' ';
    }
    return text::fromExternalBytes(bytes);
}

int64_t toMilliseconds(int64_t value, AVRational timeBase)
{
    if (value == AV_NOPTS_VALUE || value <= 0)
        return 0;
    return ff().av_rescale_q(value, timeBase, AVRational{1, 1000});
}

// FFmpeg probes the data of every 16-bit WAV stream for a compressed
// bitstream while it analyses the file; false when our cheaper look at the
// same bytes shows there is none. The reading position is kept.
bool needsStreamProbe(AVFormatContext* format)
{
    if (std::strcmp(format->iformat->name, "wav") != 0 || format->nb_streams != 1
        || format->streams[0]->codecpar->codec_id != AV_CODEC_ID_PCM_S16LE)
        return true;
    AVIOContext* io = format->pb;
    const int64_t start = ff().avio_seek(io, 0, SEEK_CUR);
    QByteArray head(kPcmProbeWindow, Qt::Uninitialized);
    const int read = ff().avio_read(io, reinterpret_cast<unsigned char*>(head.data()), int(head.size()));
    head.truncate(std::max(read, 0));
    return ff().avio_seek(io, start, SEEK_SET) != start || mayHoldCompressedAudio(head);
}

} // namespace

struct FFmpegAudioReader::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int streamIndex = -1;
    Clock::time_point deadline = Clock::time_point::max();

    AVChannelLayout outputLayout{};
    // The input the resampler was set up for.
    AVChannelLayout resamplerLayout{};
    int resamplerRate = 0;
    int resamplerFormat = -1;

    std::vector<qint16> pending;  // converted, not yet delivered
    size_t pendingStart = 0;
    bool inputEnded = false;
    bool finished = false;
    bool failed = false;

    ~State()
    {
        if (!ffmpeg())
            return;   // nothing was made
        ff().av_channel_layout_uninit(&outputLayout);
        ff().av_channel_layout_uninit(&resamplerLayout);
        ff().swr_free(&resampler);
        ff().av_frame_free(&frame);
        ff().av_packet_free(&packet);
        ff().avcodec_free_context(&decoder);
        ff().avformat_close_input(&format);
    }

    const AVStream* stream() const { return streamIndex >= 0 ? format->streams[streamIndex] : nullptr; }
    const AVCodecParameters* parameters() const { return stream() ? stream()->codecpar : nullptr; }

    static int interrupted(void* opaque)
    {
        return Clock::now() > static_cast<State*>(opaque)->deadline ? 1 : 0;
    }

    int open(const QByteArray& path, Purpose purpose);
    int openDecoder();
    bool decodeMore();
    bool convert(const AVFrame* decoded);
    bool setUpResampler(const AVFrame* decoded);
};

int FFmpegAudioReader::State::open(const QByteArray& path, Purpose purpose)
{
    // From the bytes: the name need not be UTF-8.
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray extension = name.contains('.') ? name.mid(name.lastIndexOf('.') + 1).toLower() : QByteArray();
    if (isRefusedExtension(extension))
        return CodecNotSupported;
    if (extension == "ram" && !startsWithDotR(path))
        return CodecNotSupported;

    format = ff().avformat_alloc_context();
    if (!format)
        return NotEnoughMemory;
    deadline = Clock::now() + kOpenDeadline;
    format->interrupt_callback = AVIOInterruptCB{&State::interrupted, this};

    // Local files only: a "file:" URL cannot be taken for another protocol,
    // and the whitelist keeps playlists and references from reaching out.
    AVDictionary* options = nullptr;
    ff().av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = ff().avformat_open_input(&format, QByteArray("file:" + path).constData(), nullptr, &options);
    ff().av_dict_free(&options);
    if (opened < 0)
        return CouldNotOpenFile;  // avformat_open_input freed the context
    if (!isPlausibleDemuxer(format->iformat, extension))
        return CorruptedFile;

    format->max_analyze_duration = kMaxAnalyzeDuration;
    // The smallest probe size ends FFmpeg's stream probe after one look; the
    // facts themselves come from the header all the same.
    if (purpose == Purpose::Properties && !needsStreamProbe(format))
        format->probesize = 32;
    if (ff().avformat_find_stream_info(format, nullptr) < 0)
        return CouldNotOpenAudioStream;
    if (isProtected(format))
        return DrmProtectedFile;

    streamIndex = ff().av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex < 0) {
        streamIndex = -1;
        return NoAudioStream;
    }
    deadline = Clock::time_point::max();
    return purpose == Purpose::Decoding ? openDecoder() : NoError;
}

int FFmpegAudioReader::State::openDecoder()
{
    const AVCodec* codec = ff().avcodec_find_decoder(parameters()->codec_id);
    if (!codec)
        return CodecNotAvailable;
    decoder = ff().avcodec_alloc_context3(codec);
    packet = ff().av_packet_alloc();
    frame = ff().av_frame_alloc();
    if (!decoder || !packet || !frame)
        return NotEnoughMemory;
    if (ff().avcodec_parameters_to_context(decoder, parameters()) < 0
        || ff().avcodec_open2(decoder, codec, nullptr) < 0)
        return CouldNotOpenAudioStream;
    return NoError;
}

// Converts one more frame (or learns that the stream ended); false when
// nothing more will come.
bool FFmpegAudioReader::State::decodeMore()
{
    for (;;) {
        const int received = ff().avcodec_receive_frame(decoder, frame);
        if (received == 0) {
            const bool converted = convert(frame);
            ff().av_frame_unref(frame);
            if (!converted) {
                failed = true;
                return false;
            }
            return true;
        }
        if (received == AVERROR_EOF) {
            if (resampler)
                convert(nullptr);  // what the resampler still holds
            finished = true;
            return false;
        }
        if (received != AVERROR(EAGAIN)) {
            failed = true;
            return false;
        }
        if (inputEnded) {
            finished = true;
            return false;
        }
        const int read = ff().av_read_frame(format, packet);
        if (read < 0) {
            inputEnded = true;
            ff().avcodec_send_packet(decoder, nullptr);
            continue;
        }
        if (packet->stream_index == streamIndex) {
            // A damaged packet is skipped; the decoder resynchronises.
            ff().avcodec_send_packet(decoder, packet);
        }
        ff().av_packet_unref(packet);
    }
}

bool FFmpegAudioReader::State::setUpResampler(const AVFrame* decoded)
{
    AVChannelLayout input{};
    if (decoded->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        ff().av_channel_layout_default(&input, decoded->ch_layout.nb_channels);
    else if (ff().av_channel_layout_copy(&input, &decoded->ch_layout) < 0)
        return false;
    ff().swr_free(&resampler);
    const int made = ff().swr_alloc_set_opts2(&resampler, &outputLayout, AV_SAMPLE_FMT_S16,
                                         stream()->codecpar->sample_rate, &input,
                                         AVSampleFormat(decoded->format), decoded->sample_rate, 0,
                                         nullptr);
    ff().av_channel_layout_uninit(&resamplerLayout);
    resamplerLayout = input;
    resamplerRate = decoded->sample_rate;
    resamplerFormat = decoded->format;
    return made >= 0 && ff().swr_init(resampler) >= 0;
}

bool FFmpegAudioReader::State::convert(const AVFrame* decoded)
{
    if (decoded) {
        const bool sameInput = resampler && decoded->sample_rate == resamplerRate
            && decoded->format == resamplerFormat
            && (decoded->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC
                    ? decoded->ch_layout.nb_channels == resamplerLayout.nb_channels
                    : ff().av_channel_layout_compare(&decoded->ch_layout, &resamplerLayout) == 0);
        if (!sameInput && !setUpResampler(decoded))
            return false;
    }
    const int inputSamples = decoded ? decoded->nb_samples : 0;
    const int room = ff().swr_get_out_samples(resampler, inputSamples);
    if (room < 0)
        return false;
    if (room == 0)
        return true;
    const size_t channels = size_t(outputLayout.nb_channels);
    const size_t used = pending.size();
    pending.resize(used + size_t(room) * channels);
    auto* out = reinterpret_cast<uint8_t*>(pending.data() + used);
    const int converted = ff().swr_convert(resampler, &out, room,
                                      decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr,
                                      inputSamples);
    if (converted < 0) {
        pending.resize(used);
        return false;
    }
    pending.resize(used + size_t(converted) * channels);
    return true;
}

FFmpegAudioReader::FFmpegAudioReader(const QByteArray& fileSystemPath, Purpose purpose)
    : d(std::make_unique<State>())
{
    m_error = ffmpeg() ? d->open(fileSystemPath, purpose) : FFmpegCouldNotOpenFile;
    const AVCodecParameters* parameters = d->parameters();
    if (m_error != NoError || !parameters)
        return;
    m_sampleRate = std::max(parameters->sample_rate, 0);
    setChannels(parameters->ch_layout.nb_channels);
    const AVStream* stream = d->stream();
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0 && m_sampleRate > 0)
        m_frameCount = quint64(ff().av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_sampleRate}));
    else
        m_frameCount = streamDurationMs() * quint64(m_sampleRate) / 1000;

    if (purpose == Purpose::Decoding) {
        if (parameters->ch_layout.order == AV_CHANNEL_ORDER_NATIVE && parameters->ch_layout.nb_channels == m_channels)
            ff().av_channel_layout_copy(&d->outputLayout, &parameters->ch_layout);
        else
            ff().av_channel_layout_default(&d->outputLayout, m_channels);
    }
}

FFmpegAudioReader::~FFmpegAudioReader() = default;

QString FFmpegAudioReader::formatText() const
{
    if (m_error != NoError || !d->format)
        return QString();
    return printable(d->format->iformat->long_name);
}

QString FFmpegAudioReader::codecText() const
{
    const AVCodecParameters* parameters = d->parameters();
    if (m_error != NoError || !parameters)
        return QString();
    const AVCodecDescriptor* descriptor = ff().avcodec_descriptor_get(parameters->codec_id);
    return descriptor ? printable(descriptor->long_name) : QString();
}

QString FFmpegAudioReader::layoutText() const
{
    const AVCodecParameters* parameters = d->parameters();
    if (m_error != NoError || !parameters)
        return QString();
    const int count = parameters->ch_layout.nb_channels;
    if (count == 1)
        return QStringLiteral("mono");
    if (count == 2)
        return QStringLiteral("stereo");
    if (count <= 0)
        return QStringLiteral("-");
    char description[128] = {};
    if (ff().av_channel_layout_describe(&parameters->ch_layout, description, sizeof description) < 0)
        return QStringLiteral("%1 channels").arg(count);
    return printable(description);
}

int FFmpegAudioReader::streamChannels() const
{
    const AVCodecParameters* parameters = d->parameters();
    return m_error == NoError && parameters ? parameters->ch_layout.nb_channels : 0;
}

qint64 FFmpegAudioReader::bitrate() const
{
    const AVCodecParameters* parameters = d->parameters();
    if (m_error != NoError || !parameters)
        return 0;
    if (parameters->bit_rate > 0)
        return parameters->bit_rate;
    return std::max<int64_t>(d->format->bit_rate, 0);
}

quint64 FFmpegAudioReader::streamDurationMs() const
{
    const AVStream* stream = d->stream();
    if (m_error != NoError || !stream)
        return 0;
    if (const int64_t ms = toMilliseconds(stream->duration, stream->time_base); ms > 0)
        return quint64(ms);
    // The container's duration is in microseconds.
    const int64_t container = d->format->duration;
    if (container == AV_NOPTS_VALUE || container <= 0)
        return 0;
    return quint64(container / 1000);
}

bool FFmpegAudioReader::numberProperty(Property property, qint64* value) const
{
    const AVCodecParameters* parameters = d->parameters();
    if (m_error != NoError || !parameters)
        return false;
    qint64 answer = 0;
    switch (property) {
    case BytesPerSample:
        answer = ff().av_get_bytes_per_sample(AVSampleFormat(parameters->format));
        if (answer <= 0)
            answer = std::max(parameters->bits_per_raw_sample, parameters->bits_per_coded_sample) / 8;
        break;
    case BitsPerChannel:
        answer = parameters->bits_per_raw_sample > 0 ? parameters->bits_per_raw_sample
                                                     : parameters->bits_per_coded_sample;
        break;
    case BitrateKbps:
        answer = bitrate() / 1000;
        break;
    case BitrateBps:
        answer = bitrate();
        break;
    case DurationMs:
        answer = qint64(streamDurationMs());
        break;
    default:
        return false;
    }
    if (answer <= 0)
        return false;
    *value = answer;
    return true;
}

bool FFmpegAudioReader::textProperty(Property property, QString* value) const
{
    QString answer;
    switch (property) {
    case FormatText:
        answer = formatText();
        break;
    case CodecText:
        answer = codecText();
        break;
    case ChannelsText:
        answer = layoutText();
        break;
    default:
        return false;
    }
    if (answer.isEmpty())
        return false;
    *value = answer;
    return true;
}

qint64 FFmpegAudioReader::readPcm(std::vector<qint16>& samples)
{
    samples.clear();
    if (m_error != NoError || !d->decoder || m_channels == 0 || m_sampleRate <= 0)
        return -1;
    const size_t wanted = size_t(m_sampleRate) * size_t(m_channels);
    while (d->pending.size() - d->pendingStart < wanted && !d->finished && !d->failed)
        d->decodeMore();

    const size_t available = std::min(wanted, d->pending.size() - d->pendingStart);
    if (available == 0)
        return d->failed ? -1 : 0;
    const auto begin = d->pending.begin() + qsizetype(d->pendingStart);
    samples.assign(begin, begin + qsizetype(available));
    d->pendingStart += available;
    if (d->pendingStart == d->pending.size()) {
        d->pending.clear();
        d->pendingStart = 0;
    } else if (d->pendingStart > wanted) {
        d->pending.erase(d->pending.begin(), d->pending.begin() + qsizetype(d->pendingStart));
        d->pendingStart = 0;
    }
    return qint64(available / size_t(m_channels));
}

QString FFmpegAudioReader::versionText()
{
    return ffmpeg() ? QString::fromLatin1(ff().av_version_info()) : QString();
}

} // namespace tagmint::audio
