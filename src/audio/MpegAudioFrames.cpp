#include "audio/MpegAudioFrames.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagmint::audio {

namespace {

// Layer III bit rates in kbit/s by index (0 = free format, not supported).
constexpr int kMpeg1Bitrates[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kMpeg2Bitrates[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kBaseSampleRates[3] = {44100, 48000, 32000};

constexpr int kWalkedFrames = 13;
constexpr int kUnsummedFrames = 5;
constexpr int kSummedFrames = kWalkedFrames - kUnsummedFrames;

quint32 bigEndian32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

bool isStandardBitrate(int bitsPerSecond)
{
    if (bitsPerSecond % 1000 != 0)
        return false;
    const int kbps = bitsPerSecond / 1000;
    return std::find(std::begin(kMpeg1Bitrates) + 1, std::end(kMpeg1Bitrates), kbps)
            != std::end(kMpeg1Bitrates)
        || std::find(std::begin(kMpeg2Bitrates) + 1, std::end(kMpeg2Bitrates), kbps)
            != std::end(kMpeg2Bitrates);
}

int frameLengthFactor(MpegVersion version)
{
    return version == MpegVersion::Mpeg1 ? 144 : 72;
}

bool sameStream(const MpegFrameHeader& a, const MpegFrameHeader& b)
{
    return a.version == b.version && a.sampleRate == b.sampleRate;
}

class Window {
public:
    Window(QByteArrayView data, qint64 offset, qint64 audioEnd)
        : m_data(reinterpret_cast<const uchar*>(data.data())),
          m_size(std::min<qint64>(data.size(), std::max<qint64>(0, audioEnd - offset))),
          m_offset(offset),
          m_audioEnd(audioEnd)
    {
    }

    bool has(qint64 position, qint64 length) const { return position >= 0 && position + length <= m_size; }
    const uchar* at(qint64 position) const { return m_data + position; }
    qint64 size() const { return m_size; }
    qint64 fileOffset(qint64 position) const { return m_offset + position; }
    qint64 audioEnd() const { return m_audioEnd; }

    std::optional<MpegFrameHeader> headerAt(qint64 position) const
    {
        return has(position, 4) ? parseMpegFrameHeader(at(position)) : std::nullopt;
    }

private:
    const uchar* m_data;
    qint64 m_size;
    qint64 m_offset;
    qint64 m_audioEnd;
};

// The first header followed by another frame of the same stream (or by the
// end of the audio), so a stray sync pattern in junk is not taken for audio.
std::optional<qint64> findFirstFrame(const Window& window)
{
    const qint64 limit = std::min(window.size(), kMpegSyncSearchLength);
    for (qint64 position = 0; position + 4 <= limit; ++position) {
        if (*window.at(position) != 0xff)
            continue;
        const std::optional<MpegFrameHeader> header = window.headerAt(position);
        if (!header)
            continue;
        const qint64 next = position + header->frameLength;
        if (window.fileOffset(next) == window.audioEnd())
            return position;
        const std::optional<MpegFrameHeader> following = window.headerAt(next);
        if (following && sameStream(*header, *following))
            return position;
    }
    return std::nullopt;
}

// The frame count of a Xing (with its frames flag) or VBRI header in the
// first frame; 0 when there is none.
quint32 headerFrameCount(const Window& window, qint64 position, const MpegFrameHeader& header,
                         MpegVbrHeader* kind)
{
    const qint64 xing = position + 4 + header.sideInfoSize;
    if (window.has(xing, 12) && std::memcmp(window.at(xing), "Xing", 4) == 0) {
        const quint32 flags = bigEndian32(window.at(xing + 4));
        if (flags & 0x1) {
            *kind = MpegVbrHeader::Xing;
            return bigEndian32(window.at(xing + 8));
        }
    }
    // Fraunhofer's encoder puts VBRI at a fixed place, 32 bytes after the
    // header whatever the side information's size.
    const qint64 vbri = position + 4 + 32;
    if (window.has(vbri, 18) && std::memcmp(window.at(vbri), "VBRI", 4) == 0) {
        *kind = MpegVbrHeader::Vbri;
        return bigEndian32(window.at(vbri + 4 + 10));
    }
    *kind = MpegVbrHeader::None;
    return 0;
}

struct Walk {
    int bitrateChanges = 0;
    qint64 summedBitrates = 0;
};

std::optional<Walk> walkFrames(const Window& window, qint64 position, const MpegFrameHeader& first)
{
    Walk walk;
    MpegFrameHeader previous = first;
    for (int frame = 2; frame <= kWalkedFrames; ++frame) {
        position += previous.frameLength;
        const std::optional<MpegFrameHeader> header = window.headerAt(position);
        if (!header || !sameStream(first, *header))
            return std::nullopt;
        if (header->bitrate != previous.bitrate)
            ++walk.bitrateChanges;
        if (frame > kUnsummedFrames)
            walk.summedBitrates += header->bitrate;
        previous = *header;
    }
    return walk;
}

qint64 syncSafe(const uchar* p)
{
    return (qint64(p[0] & 0x7f) << 21) | (qint64(p[1] & 0x7f) << 14) | (qint64(p[2] & 0x7f) << 7)
        | qint64(p[3] & 0x7f);
}

class ReadOnlyFile {
public:
    // Non-blocking, so a FIFO cannot stall the open; size() refuses it.
    explicit ReadOnlyFile(const QByteArray& path) : m_fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~ReadOnlyFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    qint64 size() const
    {
        struct stat info;
        return ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) ? qint64(info.st_size) : -1;
    }
    // Up to `length` bytes at `offset`.
    QByteArray read(qint64 offset, qint64 length) const
    {
        QByteArray bytes(qsizetype(std::max<qint64>(length, 0)), Qt::Uninitialized);
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::pread(m_fd, bytes.data() + done, size_t(length - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        bytes.truncate(qsizetype(done));
        return bytes;
    }

private:
    int m_fd;
};

} // namespace

std::optional<MpegFrameHeader> parseMpegFrameHeader(const uchar* p)
{
    if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0)
        return std::nullopt;
    const int versionBits = (p[1] >> 3) & 0x3;
    const int layerBits = (p[1] >> 1) & 0x3;
    const int bitrateIndex = (p[2] >> 4) & 0xf;
    const int sampleRateIndex = (p[2] >> 2) & 0x3;
    const int padding = (p[2] >> 1) & 0x1;
    const int channelMode = (p[3] >> 6) & 0x3;
    // Layer III only: other layers have other frame sizes and are left to FFmpeg.
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15
        || sampleRateIndex == 3)
        return std::nullopt;

    MpegFrameHeader header;
    header.version = versionBits == 3 ? MpegVersion::Mpeg1
        : versionBits == 2            ? MpegVersion::Mpeg2
                                      : MpegVersion::Mpeg25;
    const bool mpeg1 = header.version == MpegVersion::Mpeg1;
    header.sampleRate = kBaseSampleRates[sampleRateIndex]
        / (mpeg1 ? 1 : header.version == MpegVersion::Mpeg2 ? 2 : 4);
    header.bitrate = (mpeg1 ? kMpeg1Bitrates : kMpeg2Bitrates)[bitrateIndex] * 1000;
    header.channels = channelMode == 3 ? 1 : 2;
    header.samplesPerFrame = mpeg1 ? 1152 : 576;
    header.frameLength = frameLengthFactor(header.version) * header.bitrate / header.sampleRate + padding;
    header.sideInfoSize = mpeg1 ? (header.channels == 1 ? 17 : 32) : (header.channels == 1 ? 9 : 17);
    return header;
}

std::optional<MpegAudioInfo> analyseMpegAudio(QByteArrayView data, qint64 dataOffset, qint64 audioEnd)
{
    const Window window(data, dataOffset, audioEnd);
    const std::optional<qint64> first = findFirstFrame(window);
    if (!first)
        return std::nullopt;
    const MpegFrameHeader header = *window.headerAt(*first);

    MpegAudioInfo info;
    info.firstFrame = header;
    info.firstFrameOffset = window.fileOffset(*first);
    const qint64 audioBytes = audioEnd - info.firstFrameOffset;

    const quint32 headerFrames = headerFrameCount(window, *first, header, &info.vbrHeader);
    if (headerFrames > 0) {
        info.isVbr = true;
        info.frameCount = headerFrames;
        info.totalSamples = quint64(header.samplesPerFrame) * headerFrames;
        // A damaged count must not overflow the average.
        info.bitrate = int(std::min<quint64>(
            quint64(audioBytes) * 8 * quint64(header.sampleRate) / info.totalSamples, INT_MAX));
        return info;
    }
    info.vbrHeader = MpegVbrHeader::None;

    const std::optional<Walk> walk = walkFrames(window, *first, header);
    if (!walk)
        return std::nullopt;
    const qint64 average = walk->summedBitrates / kSummedFrames;
    if (walk->bitrateChanges < 3) {
        info.bitrate = isStandardBitrate(int(average))
            ? int(average)
            : int(walk->summedBitrates / (kSummedFrames * 1000) * 1000);
    } else {
        info.isVbr = true;
        info.bitrate = int(average);
    }
    if (info.bitrate <= 0)
        return std::nullopt;
    // Rounded to the nearest frame: padding bytes make real frames slightly
    // longer than the average, and truncating would lose the last one.
    const quint64 bytesPerFrameTimesRate = quint64(info.bitrate) * quint64(frameLengthFactor(header.version));
    info.frameCount = (quint64(audioBytes) * quint64(header.sampleRate) + bytesPerFrameTimesRate / 2)
        / bytesPerFrameTimesRate;
    info.totalSamples = quint64(header.samplesPerFrame) * info.frameCount;
    return info;
}

std::optional<MpegAudioInfo> analyseMpegAudioFile(const QByteArray& fileSystemPath)
{
    const ReadOnlyFile file(fileSystemPath);
    if (!file.isOpen())
        return std::nullopt;
    const qint64 size = file.size();
    if (size < 4)
        return std::nullopt;

    qint64 audioEnd = size;
    if (size >= 128 && file.read(size - 128, 3) == "TAG")
        audioEnd -= 128;

    // Skip ID3v2 tags; some files carry more than one.
    qint64 start = 0;
    for (;;) {
        const QByteArray tag = file.read(start, 10);
        if (tag.size() < 10 || !tag.startsWith("ID3"))
            break;
        const auto* p = reinterpret_cast<const uchar*>(tag.constData());
        const bool footer = p[5] & 0x10;
        start += 10 + syncSafe(p + 6) + (footer ? 10 : 0);
    }
    if (start >= audioEnd)
        return std::nullopt;

    const QByteArray head = file.read(start, std::min(kMpegAnalysisWindow, audioEnd - start));
    return analyseMpegAudio(head, start, audioEnd);
}

} // namespace tagmint::audio
