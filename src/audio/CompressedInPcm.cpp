#include "audio/CompressedInPcm.h"

#include "audio/FFmpegLibrary.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace tagmint::audio {

namespace {

// Frames in a row that count as a stream: fewer than any of FFmpeg's probes
// needs before it takes the data for that format.
constexpr int kFramesInARow = 3;
// Bytes a header is read from.
constexpr qsizetype kHeaderBytes = 8;

using FrameLength = int (*)(const uchar*);

// MPEG audio, any layer; free format and reserved values are no frame.
int mpegFrameLength(const uchar* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (p[1] >> 3) & 3;   // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const int layer = 4 - ((p[1] >> 1) & 3);   // 4: reserved
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static constexpr short kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    };
    static constexpr int kRates[3] = {44100, 48000, 32000};
    const int lowRate = version == 3 ? 0 : 1;
    const int sampleRate = kRates[rateIndex] >> (lowRate + (version == 0 ? 1 : 0));
    const int kbps = kBitrates[lowRate][layer - 1][bitrateIndex];
    const int padding = (p[2] >> 1) & 1;
    if (layer == 1)
        return (kbps * 12000 / sampleRate + padding) * 4;
    if (layer == 2)
        return kbps * 144000 / sampleRate + padding;
    return kbps * 144000 / (sampleRate << lowRate) + padding;
}

// AAC in ADTS frames.
int adtsFrameLength(const uchar* p)
{
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0)
        return 0;
    const int length = (p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5;
    return length >= 7 ? length : 0;
}

// AAC in LATM/LOAS frames.
int loasFrameLength(const uchar* p)
{
    if ((p[0] << 3 | p[1] >> 5) != 0x2B7)
        return 0;
    return ((p[1] & 0x1F) << 8 | p[2]) + 3;
}

int ac3FrameLength(const uchar* p)
{
    if (p[0] != 0x0B || p[1] != 0x77)
        return 0;
    const FFmpegFunctions* av = ffmpeg();
    uint8_t bitstreamId = 0;
    uint16_t length = 0;
    return !av || av->av_ac3_parse_header(p, kHeaderBytes, &bitstreamId, &length) < 0 ? 0 : length;
}

// AC-3 written as little-endian 16-bit words, as a PCM stream carries it.
int swappedAc3FrameLength(const uchar* p)
{
    if (p[0] != 0x77 || p[1] != 0x0B)
        return 0;
    uchar swapped[kHeaderBytes];
    for (qsizetype i = 0; i < kHeaderBytes; i += 2) {
        swapped[i] = p[i + 1];
        swapped[i + 1] = p[i];
    }
    return ac3FrameLength(swapped);
}

// The header bytes at `at`; near the end they come zero-padded from
// `scratch`, and zeros are no header.
const uchar* headerAt(QByteArrayView data, qsizetype at, uchar (&scratch)[kHeaderBytes])
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.data());
    if (data.size() - at >= kHeaderBytes)
        return bytes + at;
    std::memset(scratch, 0, sizeof scratch);
    std::memcpy(scratch, bytes + at, size_t(data.size() - at));
    return scratch;
}

bool startsARun(QByteArrayView data, qsizetype at, FrameLength frameLength)
{
    uchar scratch[kHeaderBytes];
    for (int frame = 0; frame < kFramesInARow; ++frame) {
        if (at >= data.size())
            return false;
        const int length = frameLength(headerAt(data, at, scratch));
        if (length <= 0)
            return false;
        at += length;
    }
    return true;
}

bool isSyncWord(const uchar* p)
{
    static constexpr quint32 kSyncWords[] = {
        0x7FFE8001, 0xFE7F0180,   // DTS core
        0x1FFFE800, 0xFF1F00E8,   // DTS core, 14-bit words
        0x64582025, 0x58642520,   // DTS-HD substream
        0xF8726FBA, 0xF8726FBB,   // TrueHD, MLP
        0xF8724E1F, 0x72F81F4E,   // IEC 61937 burst preamble
    };
    const quint32 word = qFromBigEndian<quint32>(p);
    return std::find(std::begin(kSyncWords), std::end(kSyncWords), word) != std::end(kSyncWords);
}

// Whether a sync word or a run of frames starts at `at`: the first two
// bytes decide which checks can apply, so most positions cost two compares.
bool startsCompressedAudio(QByteArrayView data, qsizetype at)
{
    uchar scratch[kHeaderBytes];
    const uchar* header = headerAt(data, at, scratch);
    const uchar second = header[1];
    switch (header[0]) {
    case 0xFF:
        return second == 0x1F ? isSyncWord(header)
            : (second & 0xE0) == 0xE0
                && (startsARun(data, at, mpegFrameLength) || startsARun(data, at, adtsFrameLength));
    case 0x56:
        return (second & 0xE0) == 0xE0 && startsARun(data, at, loasFrameLength);
    case 0x0B:
        return second == 0x77 && startsARun(data, at, ac3FrameLength);
    case 0x77:
        return second == 0x0B && startsARun(data, at, swappedAc3FrameLength);
    case 0x7F: case 0xFE: case 0x1F: case 0x64: case 0x58: case 0xF8: case 0x72:
        return isSyncWord(header);
    default:
        return false;
    }
}

} // namespace

bool mayHoldCompressedAudio(QByteArrayView data)
{
    if (data.startsWith("ID3"))
        return true;
    // The first bytes any of the headers and sync words above can start with.
    static constexpr std::array<bool, 256> kFirstBytes = [] {
        std::array<bool, 256> first{};
        for (const uchar byte : {0xFF, 0x56, 0x0B, 0x77, 0x7F, 0xFE, 0x1F, 0x64, 0x58, 0xF8, 0x72})
            first[byte] = true;
        return first;
    }();
    const auto* bytes = reinterpret_cast<const uchar*>(data.data());
    for (qsizetype at = 0; at < data.size(); ++at) {
        if (kFirstBytes[bytes[at]] && startsCompressedAudio(data, at))
            return true;
    }
    return false;
}

} // namespace tagmint::audio
