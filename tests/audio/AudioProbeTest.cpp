#include "audio/AudioProbe.h"
#include "audio/CompressedInPcm.h"
#include "audio/MpegAudioFrames.h"
#include "audio/QZAudioReader.h"

#include "audio/AudioTestSupport.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sys/stat.h>

using namespace tagmint::audio;
using namespace tagmint::test;

namespace {

QZAudioProperties read(const QString& path)
{
    QZAudioProperties properties;
    readAudioProperties(fsPath(path), &properties);
    return properties;
}

const QString kMpegFormat = QStringLiteral("MP2/3 (MPEG audio layer 2/3)");
const QString kMp3Codec = QStringLiteral("MP3 (MPEG audio layer 3)");

struct Expected {
    const char* file;
    QString channelsText;
    QString formatText;
    QString codecText;
    int bitrate;  // kbit/s; -1: any positive value
};

TEST(AudioProbe, EveryKindOfFile)
{
    const Expected cases[] = {
        {"cbr_mpeg1_stereo.mp3", "stereo", kMpegFormat, kMp3Codec, 32},
        {"cbr_mpeg2_mono.mp3", "mono", kMpegFormat, kMp3Codec, 16},
        {"cbr_mpeg25_mono.mp3", "mono", kMpegFormat, kMp3Codec, 8},
        {"cbr_short.mp3", "mono", kMpegFormat, kMp3Codec, 32},
        {"layer2.mp3", "mono", kMpegFormat, "MP2 (MPEG audio layer 2)", 32},
        {"vbr_xing.mp3", "mono", kMpegFormat, kMp3Codec + " (VBR)", -1},
        {"vbr_vbri.mp3", "mono", kMpegFormat, kMp3Codec + " (VBR)", -1},
        {"vbr_no_header.mp3", "mono", kMpegFormat, kMp3Codec + " (VBR)", -1},
        {"tone.flac", "mono", "raw FLAC", "FLAC (Free Lossless Audio Codec)", -1},
        {"tone.m4a", "mono", "QuickTime / MOV", "AAC (Advanced Audio Coding)", -1},
        {"pcm_u8_mono.wav", "mono", "WAV / WAVE (Waveform Audio)", "PCM unsigned 8-bit", 64},
        {"pcm_s16_stereo.wav", "stereo", "WAV / WAVE (Waveform Audio)", "PCM signed 16-bit little-endian", 256},
        {"pcm_s24_mono.wav", "mono", "WAV / WAVE (Waveform Audio)", "PCM signed 24-bit little-endian", 192},
        {"tone.aiff", "mono", "Audio IFF", "PCM signed 16-bit big-endian", 128},
        {"surround51.wav", "5.1", "WAV / WAVE (Waveform Audio)", "PCM signed 16-bit little-endian", 768},
        {"ac3_in_pcm.wav", "stereo", "WAV / WAVE (Waveform Audio)", "ATSC A/52A (AC-3)", 96},
        {"dts_in_pcm.wav", "stereo", "WAV / WAVE (Waveform Audio)", "DCA (DTS Coherent Acoustics)", 384},
    };
    for (const Expected& c : cases) {
        const QString path = audioFixture(QString::fromLatin1(c.file));
        const QZAudioProperties p = read(path);
        const FFprobeFacts facts = ffprobe(path);
        ASSERT_TRUE(facts.ok) << c.file;
        EXPECT_EQ(p.sampleRate, facts.sampleRate) << c.file;
        EXPECT_EQ(p.channels, facts.channels) << c.file;
        EXPECT_EQ(p.channelsText, c.channelsText) << c.file;
        EXPECT_EQ(p.formatText, c.formatText) << c.file;
        EXPECT_EQ(p.codecText, c.codecText) << c.file;
        if (c.bitrate >= 0)
            EXPECT_EQ(p.bitrate, c.bitrate) << c.file;
        else
            EXPECT_GT(p.bitrate, 0) << c.file;
        if (QByteArray(c.file).startsWith("vbr_no_header"))
            continue;  // both durations are estimates from the bit rate
        EXPECT_NEAR(double(p.durationMs), facts.durationSeconds * 1000, 28.0) << c.file;
    }
}

// The data of a WAV file: what follows the "data" chunk header.
QByteArray wavData(const char* file)
{
    QFile wav(audioFixture(QString::fromLatin1(file)));
    EXPECT_TRUE(wav.open(QIODevice::ReadOnly));
    const QByteArray bytes = wav.readAll();
    return bytes.mid(bytes.indexOf("data") + 8);
}

TEST(AudioProbe, OnlyPlainPcmSkipsFFmpegsStreamProbe)
{
    for (const char* file : {"ac3_in_pcm.wav", "dts_in_pcm.wav"})
        EXPECT_TRUE(mayHoldCompressedAudio(wavData(file))) << file;
    // Loud noise finds stray sync patterns, but never a run of frames.
    std::mt19937 random(7);
    QByteArray noise(kPcmProbeWindow, Qt::Uninitialized);
    for (char& byte : noise)
        byte = char(random());
    for (const QByteArray& pcm : {wavData("pcm_s16_stereo.wav"), wavData("surround51.wav"), noise})
        EXPECT_FALSE(mayHoldCompressedAudio(pcm));

    // Three MPEG frames in a row inside the noise are a stream; two are not.
    QFile mp3(audioFixture(QStringLiteral("cbr_mpeg1_stereo.mp3")));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    const QByteArray frames = mp3.readAll();
    const int frameLength = parseMpegFrameHeader(reinterpret_cast<const uchar*>(frames.constData()))->frameLength;
    EXPECT_TRUE(mayHoldCompressedAudio(QByteArray(noise).replace(1001, 3 * frameLength, frames.left(3 * frameLength))));
    EXPECT_FALSE(mayHoldCompressedAudio(QByteArray(noise).replace(1001, 2 * frameLength, frames.left(2 * frameLength))));

    // Every MPEG version and layer has its own frame lengths; AC-3 comes in
    // either byte order.
    QByteArray swappedAc3 = wavData("ac3_in_pcm.wav");
    for (qsizetype at = 0; at + 1 < swappedAc3.size(); at += 2)
        std::swap(swappedAc3[at], swappedAc3[at + 1]);
    QList<std::pair<const char*, QByteArray>> streams = {{"swapped AC-3", swappedAc3.left(4000)}};
    for (const char* file : {"cbr_mpeg2_mono.mp3", "cbr_mpeg25_mono.mp3", "layer2.mp3"}) {
        QFile stream(audioFixture(QString::fromLatin1(file)));
        ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
        streams.append({file, stream.read(2000)});
    }
    for (const auto& [name, stream] : streams)
        EXPECT_TRUE(mayHoldCompressedAudio(QByteArray(noise).replace(1001, stream.size(), stream))) << name;
}

TEST(AudioProbe, EverySyncWordCountsWhereverItStands)
{
    // Silence, which starts nothing, with one sync word planted: at the
    // start, in the middle, and ending with the data. Cut short it is none.
    const QByteArray words[] = {
        QByteArray("\x7F\xFE\x80\x01", 4), QByteArray("\xFE\x7F\x01\x80", 4),  // DTS
        QByteArray("\x1F\xFF\xE8\x00", 4), QByteArray("\xFF\x1F\x00\xE8", 4),  // DTS, 14-bit
        QByteArray("\x64\x58\x20\x25", 4), QByteArray("\x58\x64\x25\x20", 4),  // DTS-HD
        QByteArray("\xF8\x72\x6F\xBA", 4), QByteArray("\xF8\x72\x6F\xBB", 4),  // TrueHD, MLP
        QByteArray("\xF8\x72\x4E\x1F", 4), QByteArray("\x72\xF8\x1F\x4E", 4),  // IEC 61937
    };
    const QByteArray silence(4096, '\0');
    EXPECT_FALSE(mayHoldCompressedAudio(silence));
    for (const QByteArray& word : words) {
        for (const qsizetype at : {qsizetype(0), qsizetype(2001), silence.size() - 4})
            EXPECT_TRUE(mayHoldCompressedAudio(QByteArray(silence).replace(at, 4, word)))
                << word.toHex().constData() << " at " << at;
        EXPECT_FALSE(mayHoldCompressedAudio(QByteArray(silence).replace(silence.size() - 2, 2, word.left(2))))
            << word.toHex().constData();
    }
}

TEST(AudioProbe, VbrDurationComesFromTheFrameAnalysis)
{
    // Without a header FFmpeg estimates from the first frame's rate; ours
    // averages eight frames.
    const QString path = audioFixture(QStringLiteral("vbr_no_header.mp3"));
    const std::optional<MpegAudioInfo> info = analyseMpegAudioFile(fsPath(path));
    ASSERT_TRUE(info && info->isVbr);
    EXPECT_EQ(quint64(read(path).durationMs), framesToMilliseconds(info->totalSamples, info->sampleRate()));
}

TEST(AudioProbe, TooManyChannelsCountAsNone)
{
    const QZAudioProperties p = read(audioFixture(QStringLiteral("twelve_channels.wav")));
    EXPECT_EQ(p.channels, 0);
    EXPECT_EQ(p.channelsText, QStringLiteral("-"));
    EXPECT_EQ(p.sampleRate, 8000);
}

TEST(AudioProbe, MidiThroughItsOwnReader)
{
    const QZAudioProperties p = read(audioFixture(QStringLiteral("tempo_change.mid")));
    EXPECT_EQ(p.formatText, QStringLiteral("MIDI"));
    EXPECT_EQ(p.codecText, QStringLiteral("MIDI"));
    EXPECT_EQ(p.durationMs, 3000);
    EXPECT_EQ(p.sampleRate, 0);
    EXPECT_EQ(p.channels, 0);
}

void expectUnknown(const QZAudioProperties& p, const char* reason, const std::string& what)
{
    const QString text = QStringLiteral("Unknown (%1)").arg(QLatin1String(reason));
    EXPECT_EQ(p.formatText, text) << what;
    EXPECT_EQ(p.codecText, text) << what;
    EXPECT_EQ(p.sampleRate, 0) << what;
    EXPECT_EQ(p.bitrate, 0) << what;
    EXPECT_EQ(p.channels, 0) << what;
    EXPECT_EQ(p.durationMs, 0) << what;
}

TEST(AudioProbe, RefusedFilesAnswerUnknownWithTheReason)
{
    TempDir dir;
    // An iTunes-protected sample entry ('drms' where 'mp4a' was).
    QFile source(audioFixture(QStringLiteral("tone.m4a")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    const qsizetype at = bytes.indexOf("mp4a");
    ASSERT_GE(at, 0);
    bytes.replace(at, 4, "drms");
    const auto copy = [&dir](const char* fixture, const char* name) {
        return dir.copyFixture(QStringLiteral("audio/") + QLatin1String(fixture), QString::fromLatin1(name));
    };
    const std::pair<QString, const char*> cases[] = {
        {audioFixture(QStringLiteral("protected.wma")), "DRM protected file"},
        {dir.writeFile(QStringLiteral("protected.m4a"), bytes), "DRM protected file"},
        {copy("pcm_s16_stereo.wav", "sound.txt"), "Audio codec is not supported"},
        // A ".ram" file must start with ".r" (RealMedia) to be opened at all.
        {copy("pcm_s16_stereo.wav", "sound.RAM"), "Audio codec is not supported"},
        // FFmpeg would open these by their content; the extension says otherwise.
        {copy("tone.flac", "flac.m4a"), "Corrupted file"},
        {copy("tone.m4a", "m4a.flac"), "Could not open file"},
        {copy("tone.aiff", "aiff.mp3"), "Corrupted file"},
    };
    for (const auto& [path, reason] : cases)
        expectUnknown(read(path), reason, path.toStdString());
}

TEST(AudioProbe, FilesThatAreNotFiles)
{
    TempDir dir;
    QZAudioProperties p;
    EXPECT_FALSE(probeAudioProperties(fsPath(dir.filePath(QStringLiteral("missing.mp3"))), &p));
    EXPECT_TRUE(p.formatText.isEmpty());

    const QString fifo = dir.filePath(QStringLiteral("pipe.mp3"));
    ASSERT_EQ(::mkfifo(fsPath(fifo).constData(), 0600), 0);
    ASSERT_TRUE(probeAudioProperties(fsPath(fifo), &p));
    expectUnknown(p, "Could not open file", "fifo");

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.flac")));
    ASSERT_TRUE(probeAudioProperties(fsPath(dir.filePath(QStringLiteral("folder.flac"))), &p));
    expectUnknown(p, "Could not open file", "folder");
}

// Any bytes under any extension a record can have: a clear "Unknown (...)"
// and zeros, never a crash.
TEST(AudioProbe, JunkUnderEverySupportedExtension)
{
    std::mt19937 random(20240607);
    auto noise = [&random](int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random());
        return bytes;
    };
    const QByteArray contents[] = {
        QByteArray(), noise(4000), noise(300000), QByteArray(5000, '\0'), QByteArray(3000, 'a'),
        QByteArray("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) + noise(100),  // a tag claiming 256 MB
        QByteArray("RIFF\xff\xff\xff\xffWAVEfmt ", 16) + noise(64),
        QByteArray("fLaC") + noise(200),
        QByteArray("\0\0\0\x20" "ftypM4A ", 12) + noise(500),
    };
    TempDir dir;
    const char* extensions[] = {"mp3", "m4a", "mp4", "mov", "3gp", "3g2", "wav", "aif", "aiff", "aifc",
                                "flac", "fla", "mid", "ogg", "oga", "opus", "spx", "wv", "ape",
                                "mpc", "tta", "wma", "asf"};
    int n = 0;
    for (const char* extension : extensions) {
        for (const QByteArray& bytes : contents) {
            const QString name = QStringLiteral("junk%1.%2").arg(n++).arg(QLatin1String(extension));
            const QZAudioProperties p = read(dir.writeFile(name, bytes));
            const std::string what = name.toStdString();
            EXPECT_TRUE(p.formatText.startsWith(QStringLiteral("Unknown ("))) << what << " " << p.formatText.toStdString();
            EXPECT_TRUE(p.codecText.startsWith(QStringLiteral("Unknown ("))) << what << " " << p.codecText.toStdString();
            EXPECT_EQ(p.sampleRate, 0) << what;
            EXPECT_EQ(p.bitrate, 0) << what;
            EXPECT_EQ(p.channels, 0) << what;
            EXPECT_EQ(p.durationMs, 0) << what;
        }
    }
}

// Real files cut short or overwritten in places still get an answer.
TEST(AudioProbe, DamagedFilesStillAnswer)
{
    TempDir dir;
    const QStringList fixtures = QDir(audioFixture(QString())).entryList(QDir::Files);
    ASSERT_GE(fixtures.size(), 15);
    int n = 0;
    for (const QString& fixture : fixtures) {
        QFile file(audioFixture(fixture));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QString extension = fixture.section(QLatin1Char('.'), -1);
        QByteArray scribbled = bytes;
        for (qsizetype i = 40; i < scribbled.size(); i += 97)
            scribbled[i] = char(scribbled[i] ^ 0x5a);
        for (const QByteArray& damaged : {bytes.left(bytes.size() / 2), bytes.left(64), scribbled}) {
            const QString name = QStringLiteral("damaged%1.%2").arg(n++).arg(extension);
            const QZAudioProperties p = read(dir.writeFile(name, damaged));
            EXPECT_FALSE(p.formatText.isEmpty()) << fixture.toStdString();
            EXPECT_FALSE(p.codecText.isEmpty()) << fixture.toStdString();
            if (p.codecText.startsWith(QStringLiteral("Unknown ("))) {
                EXPECT_EQ(p.sampleRate, 0) << name.toStdString();
                EXPECT_EQ(p.durationMs, 0) << name.toStdString();
            }
        }
    }
}

} // namespace
