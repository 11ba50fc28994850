#include "audio/MpegAudioFrames.h"
#include "audio/QZAudioReader.h"

#include "audio/AudioTestSupport.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tagmint::audio;
using namespace tagmint::test;

namespace {

enum class Version { Mpeg1 = 3, Mpeg2 = 2, Mpeg25 = 0 };

// Layer III bit-rate indexes of the kbit/s values used below.
int bitrateIndex(Version version, int kbps)
{
    static const int mpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const int* table = version == Version::Mpeg1 ? mpeg1 : mpeg2;
    for (int i = 1; i < 15; ++i) {
        if (table[i] == kbps)
            return i;
    }
    ADD_FAILURE() << "no index for " << kbps;
    return 1;
}

struct FrameSpec {
    Version version = Version::Mpeg1;
    int kbps = 128;
    int sampleRateIndex = 0;
    bool mono = false;
    int layerBits = 1;  // 1 = Layer III
};

QByteArray header(const FrameSpec& spec, int bitrateIndexOverride = -1)
{
    QByteArray bytes(4, '\0');
    bytes[0] = char(0xff);
    bytes[1] = char(0xe0 | (int(spec.version) << 3) | (spec.layerBits << 1) | 1);
    const int index = bitrateIndexOverride >= 0 ? bitrateIndexOverride : bitrateIndex(spec.version, spec.kbps);
    bytes[2] = char((index << 4) | (spec.sampleRateIndex << 2));
    bytes[3] = char(spec.mono ? 0xc0 : 0x00);
    return bytes;
}

// A whole frame: its header, then zeros up to its length.
QByteArray frame(const FrameSpec& spec)
{
    const QByteArray head = header(spec);
    const std::optional<MpegFrameHeader> parsed = parseMpegFrameHeader(reinterpret_cast<const uchar*>(head.constData()));
    if (!parsed) {
        ADD_FAILURE() << "not a frame header";
        return head;
    }
    return head + QByteArray(parsed->frameLength - 4, '\0');
}

QByteArray stream(FrameSpec spec, const std::vector<int>& kbpsPerFrame)
{
    QByteArray bytes;
    for (int kbps : kbpsPerFrame) {
        spec.kbps = kbps;
        bytes += frame(spec);
    }
    return bytes;
}

std::optional<MpegAudioInfo> analyse(const QByteArray& bytes)
{
    return analyseMpegAudio(bytes, 0, bytes.size());
}

void putBigEndian(QByteArray& bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (24 - 8 * i));
}

TEST(MpegFrameHeader, DecodesVersionsRatesAndSizes)
{
    struct Case {
        FrameSpec spec;
        int sampleRate, bitrate, channels, samplesPerFrame, frameLength, sideInfo;
    };
    const Case cases[] = {
        {{Version::Mpeg1, 128, 0, false}, 44100, 128000, 2, 1152, 417, 32},
        {{Version::Mpeg1, 320, 1, true}, 48000, 320000, 1, 1152, 960, 17},
        {{Version::Mpeg1, 32, 2, false}, 32000, 32000, 2, 1152, 144, 32},
        {{Version::Mpeg2, 64, 0, false}, 22050, 64000, 2, 576, 208, 17},
        {{Version::Mpeg2, 8, 2, true}, 16000, 8000, 1, 576, 36, 9},
        {{Version::Mpeg25, 8, 2, true}, 8000, 8000, 1, 576, 72, 9},
        {{Version::Mpeg25, 160, 0, false}, 11025, 160000, 2, 576, 1044, 17},
    };
    for (const Case& c : cases) {
        const QByteArray bytes = header(c.spec);
        const std::optional<MpegFrameHeader> h = parseMpegFrameHeader(reinterpret_cast<const uchar*>(bytes.constData()));
        ASSERT_TRUE(h) << c.sampleRate;
        EXPECT_EQ(h->sampleRate, c.sampleRate);
        EXPECT_EQ(h->bitrate, c.bitrate);
        EXPECT_EQ(h->channels, c.channels);
        EXPECT_EQ(h->samplesPerFrame, c.samplesPerFrame);
        EXPECT_EQ(h->frameLength, c.frameLength) << c.sampleRate << " " << c.bitrate;
        EXPECT_EQ(h->sideInfoSize, c.sideInfo);
    }
}

TEST(MpegFrameHeader, RefusesWhatIsNotALayerIIIFrame)
{
    FrameSpec layer2;
    layer2.layerBits = 2;
    FrameSpec reservedRate;
    reservedRate.sampleRateIndex = 3;
    const QByteArray refused[] = {
        header(layer2),
        header(FrameSpec{}, 0),   // free format
        header(FrameSpec{}, 15),  // forbidden index
        header(reservedRate),
        QByteArray("\xff\xea\x90\x00", 4),  // version bits 01: reserved
        QByteArray("\xfe\xfb\x90\x00", 4),  // no sync
    };
    for (const QByteArray& bytes : refused)
        EXPECT_FALSE(parseMpegFrameHeader(reinterpret_cast<const uchar*>(bytes.constData()))) << bytes.toHex().constData();
}

TEST(MpegAudioAnalysis, ConstantRate)
{
    const QByteArray bytes = stream({}, std::vector<int>(20, 128));
    const std::optional<MpegAudioInfo> info = analyse(bytes);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->isVbr);
    EXPECT_EQ(info->vbrHeader, MpegVbrHeader::None);
    EXPECT_EQ(info->bitrate, 128000);
    EXPECT_EQ(info->frameCount, 20u);
    EXPECT_EQ(info->totalSamples, 20u * 1152);
    EXPECT_EQ(info->sampleRate(), 44100);
    EXPECT_EQ(info->channels(), 2);
}

TEST(MpegAudioAnalysis, ThreeRateChangesMakeAVariableRate)
{
    // Two changes (frames 5 and 13); frames 6 to 13 average 33 kbit/s,
    // which no table has, so the rate is the sum's whole kbit/s per frame.
    std::vector<int> rates(4, 40);
    rates.resize(12, 32);
    rates.resize(20, 40);
    std::optional<MpegAudioInfo> info = analyse(stream({}, rates));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->isVbr);
    EXPECT_EQ(info->bitrate, 33000);

    // Changes at frames 7, 8 and 9.
    rates.assign(20, 64);
    rates[6] = 128;
    rates[7] = 96;
    info = analyse(stream({}, rates));
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isVbr);
    EXPECT_EQ(info->bitrate, (6 * 64000 + 128000 + 96000) / 8);
}

TEST(MpegAudioAnalysis, NeedsThirteenFramesWithoutAHeader)
{
    EXPECT_FALSE(analyse(stream({}, std::vector<int>(12, 128))));
    EXPECT_TRUE(analyse(stream({}, std::vector<int>(13, 128))));
    // A broken thirteenth frame is as bad as a missing one.
    QByteArray bytes = stream({}, std::vector<int>(20, 128));
    bytes[12 * 417] = 0;
    EXPECT_FALSE(analyse(bytes));
}

TEST(MpegAudioAnalysis, SkipsJunkAndStraySyncPatterns)
{
    // A lone valid header inside the junk is not followed by another frame.
    QByteArray junk(300, '\x11');
    junk.replace(100, 4, header({}));
    const QByteArray bytes = junk + stream({}, std::vector<int>(15, 128));
    const std::optional<MpegAudioInfo> info = analyseMpegAudio(bytes, 1000, 1000 + bytes.size());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->firstFrameOffset, 1300);
    EXPECT_EQ(info->frameCount, 15u);
}

TEST(MpegAudioAnalysis, XingHeaderGivesTheFrameCount)
{
    FrameSpec mono2;
    mono2.version = Version::Mpeg2;
    mono2.mono = true;
    QByteArray first = frame({mono2.version, 64, 0, true});
    const int at = 4 + 9;  // MPEG-2 mono side information
    first.replace(at, 4, "Xing");
    putBigEndian(first, at + 4, 0x1);
    putBigEndian(first, at + 8, 1000);
    const QByteArray bytes = first + stream({mono2.version, 64, 0, true}, {32, 64, 48});
    const std::optional<MpegAudioInfo> info = analyse(bytes);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vbrHeader, MpegVbrHeader::Xing);
    EXPECT_TRUE(info->isVbr);
    EXPECT_EQ(info->frameCount, 1000u);
    EXPECT_EQ(info->totalSamples, 576000u);

    // Without the frames flag the header is ignored and the frames walked.
    QByteArray noFrames = frame({});
    noFrames.replace(36, 4, "Xing");
    putBigEndian(noFrames, 40, 0x6);
    const std::optional<MpegAudioInfo> walked = analyse(noFrames + stream({}, std::vector<int>(14, 128)));
    ASSERT_TRUE(walked);
    EXPECT_EQ(walked->vbrHeader, MpegVbrHeader::None);
    EXPECT_FALSE(walked->isVbr);
    EXPECT_EQ(walked->frameCount, 15u);
}

TEST(MpegAudioAnalysis, VbriHeaderSitsThirtyTwoBytesAfterTheHeader)
{
    // In a mono MPEG-2 frame the side information is 9 bytes; VBRI is still at 36.
    QByteArray first = frame({Version::Mpeg2, 64, 0, true});
    first.replace(36, 4, "VBRI");
    putBigEndian(first, 36 + 4 + 10, 250);
    const std::optional<MpegAudioInfo> info = analyse(first + frame({Version::Mpeg2, 64, 0, true}));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vbrHeader, MpegVbrHeader::Vbri);
    EXPECT_EQ(info->frameCount, 250u);
}

TEST(MpegAudioAnalysis, FilesSkipID3v2AndLeaveID3v1Out)
{
    TempDir dir;
    QByteArray id3v2("ID3\x04\x00\x00\x00\x00\x01\x00", 10);  // 128 bytes of tag body
    id3v2 += QByteArray(128, '\0');
    QByteArray id3v1("TAG");
    id3v1 += QByteArray(125, ' ');
    const QString path = dir.writeFile(QStringLiteral("tagged.mp3"), id3v2 + stream({}, std::vector<int>(20, 128)) + id3v1);
    const std::optional<MpegAudioInfo> info = analyseMpegAudioFile(fsPath(path));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->firstFrameOffset, 138);
    EXPECT_EQ(info->frameCount, 20u);
}

TEST(MpegAudioAnalysis, EncodedFixtures)
{
    struct Case {
        const char* file;
        MpegVbrHeader header;
        bool vbr;
    };
    const Case cases[] = {
        {"cbr_mpeg1_stereo.mp3", MpegVbrHeader::None, false},
        {"cbr_info_header.mp3", MpegVbrHeader::None, false},  // LAME's "Info" is no VBR header
        {"vbr_xing.mp3", MpegVbrHeader::Xing, true},
        {"vbr_vbri.mp3", MpegVbrHeader::Vbri, true},
        {"vbr_no_header.mp3", MpegVbrHeader::None, true},
    };
    for (const Case& c : cases) {
        const std::optional<MpegAudioInfo> info = analyseMpegAudioFile(fsPath(audioFixture(QString::fromLatin1(c.file))));
        ASSERT_TRUE(info) << c.file;
        EXPECT_EQ(info->vbrHeader, c.header) << c.file;
        EXPECT_EQ(info->isVbr, c.vbr) << c.file;
    }
    // Layer II, and fewer than 13 frames: not ours to answer.
    EXPECT_FALSE(analyseMpegAudioFile(fsPath(audioFixture(QStringLiteral("layer2.mp3")))));
    EXPECT_FALSE(analyseMpegAudioFile(fsPath(audioFixture(QStringLiteral("cbr_short.mp3")))));
}

TEST(FramesToMilliseconds, IntegerArithmetic)
{
    EXPECT_EQ(framesToMilliseconds(44100, 44100), 1000u);
    EXPECT_EQ(framesToMilliseconds(44099, 44100), 999u);
    EXPECT_EQ(framesToMilliseconds(19008, 22050), 862u);
    EXPECT_EQ(framesToMilliseconds(1000, 0), 0u);
    // No overflow where frames x 1000 would not fit in 64 bits.
    EXPECT_EQ(framesToMilliseconds(quint64(1) << 62, 1000), (quint64(1) << 62));
}

} // namespace
