#include "audio/FFmpegAudioReader.h"
#include "audio/MidiAudioReader.h"
#include "audio/Mp3AudioReader.h"
#include "audio/OpenAudioReader.h"
#include "audio/WavAudioReader.h"

#include "audio/AudioTestSupport.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tagmint::audio;
using namespace tagmint::test;

namespace {

std::unique_ptr<QZAudioReader> open(const QString& path, quint32 flags)
{
    return openAudioReader(fsPath(path), flags);
}

QString text(const QZAudioReader& reader, QZAudioReader::Property property)
{
    QString value;
    return reader.textProperty(property, &value) ? value : QStringLiteral("<none>");
}

// Every block the reader delivers, in order.
std::vector<qint64> blockSizes(QZAudioReader& reader, std::vector<qint16>* all = nullptr)
{
    std::vector<qint64> sizes;
    std::vector<qint16> block;
    for (int guard = 0; guard < 1000; ++guard) {
        const qint64 frames = reader.readPcm(block);
        sizes.push_back(frames);
        if (frames <= 0)
            break;
        EXPECT_EQ(block.size(), size_t(frames) * size_t(reader.channels()));
        if (all)
            all->insert(all->end(), block.begin(), block.end());
    }
    return sizes;
}

void put16(QByteArray& bytes, quint16 value)
{
    char b[2];
    qToLittleEndian(value, b);
    bytes.append(b, 2);
}

void put32(QByteArray& bytes, quint32 value)
{
    char b[4];
    qToLittleEndian(value, b);
    bytes.append(b, 4);
}

// A RIFF WAVE file; `declaredData` lets the data chunk claim another size.
QByteArray wavBytes(quint16 formatTag, int channels, int rate, int bits, const QByteArray& samples,
                    qint64 declaredData = -1, const QByteArray& chunksBeforeData = QByteArray())
{
    QByteArray fmt;
    put16(fmt, formatTag);
    put16(fmt, quint16(channels));
    put32(fmt, quint32(rate));
    put32(fmt, quint32(rate * channels * bits / 8));
    put16(fmt, quint16(channels * bits / 8));
    put16(fmt, quint16(bits));
    QByteArray body = "WAVEfmt ";
    put32(body, quint32(fmt.size()));
    body += fmt + chunksBeforeData + "data";
    put32(body, quint32(declaredData >= 0 ? declaredData : samples.size()));
    body += samples;
    QByteArray file = "RIFF";
    put32(file, quint32(body.size()));
    return file + body;
}

QByteArray ramp16(int frames)
{
    QByteArray bytes;
    for (int i = 0; i < frames; ++i)
        put16(bytes, quint16(qint16(i * 7)));
    return bytes;
}

TEST(OpenAudioReader, ChainAndFlags)
{
    TempDir dir;
    const std::unique_ptr<QZAudioReader> missing = open(dir.filePath(QStringLiteral("gone.wav")), 8);
    EXPECT_EQ(missing->error(), FileDoesNotExist);
    EXPECT_EQ(missing->channelsText(), QStringLiteral("Unknown (File does not exist)"));
    std::vector<qint16> block;
    EXPECT_EQ(missing->readPcm(block), -1);

    // Only regular files: a folder, and a FIFO that would block the reader.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
    EXPECT_EQ(open(dir.filePath(QStringLiteral("folder.wav")), 8)->error(), CouldNotOpenFile);
    const QString fifo = dir.filePath(QStringLiteral("pipe.mp3"));
    ASSERT_EQ(::mkfifo(fsPath(fifo).constData(), 0600), 0);
    EXPECT_EQ(open(fifo, ProbeFlag)->error(), CouldNotOpenFile);
    EXPECT_EQ(open(fifo, NoFFmpeg)->error(), CouldNotOpenFile);

    const QString wav = audioFixture(QStringLiteral("pcm_s16_stereo.wav"));
    EXPECT_TRUE(dynamic_cast<FFmpegAudioReader*>(open(wav, ProbeFlag).get()));
    // The WAV repair's decode check: our own reader, no FFmpeg.
    const std::unique_ptr<QZAudioReader> own = open(wav, NoFFmpeg | ProbeFlag);
    ASSERT_TRUE(dynamic_cast<WavAudioReader*>(own.get()));
    EXPECT_EQ(own->error(), NoError);
    EXPECT_EQ(text(*own, QZAudioReader::FormatText), QStringLiteral("WAV / WAVE (Waveform Audio)"));
    EXPECT_EQ(text(*own, QZAudioReader::CodecText), QStringLiteral("PCM signed 16-bit little-endian"));
    EXPECT_EQ(own->channelsText(), QStringLiteral("Stereo"));

    const QString mp3 = audioFixture(QStringLiteral("cbr_mpeg2_mono.mp3"));
    EXPECT_TRUE(dynamic_cast<Mp3AudioReader*>(open(mp3, NoFFmpeg).get()));
    // No reader of our own for FLAC.
    EXPECT_EQ(open(audioFixture(QStringLiteral("tone.flac")), NoFFmpeg)->error(), CouldNotOpenFile);
    EXPECT_EQ(open(audioFixture(QStringLiteral("tone.flac")), ProbeFlag)->error(), NoError);

    const QString mid = audioFixture(QStringLiteral("tempo_change.mid"));
    EXPECT_EQ(open(mid, RefuseMidi | ProbeFlag)->error(), CouldNotOpenFile);
    const std::unique_ptr<QZAudioReader> midi = open(mid, ProbeFlag);
    ASSERT_TRUE(dynamic_cast<MidiAudioReader*>(midi.get()));
    EXPECT_EQ(midi->durationMs(), 3000u);   // 2.0625 s, rounded up to whole seconds
    EXPECT_EQ(midi->sampleRate(), 0);
    EXPECT_EQ(text(*midi, QZAudioReader::CodecText), QStringLiteral("MIDI"));
    EXPECT_EQ(midi->readPcm(block), 0);
}

TEST(AudioReaderPcm, OneSecondBlocksFromEveryReader)
{
    // 1.368 s at 8 kHz: a full second, the rest, then the end.
    const QString mp3 = audioFixture(QStringLiteral("cbr_mpeg25_mono.mp3"));
    for (quint32 flags : {quint32(ProbeFlag), quint32(NoFFmpeg)}) {
        const std::unique_ptr<QZAudioReader> reader = open(mp3, flags);
        ASSERT_EQ(reader->error(), NoError);
        EXPECT_EQ(reader->sampleRate(), 8000);
        const std::vector<qint64> sizes = blockSizes(*reader);
        ASSERT_EQ(sizes.size(), 3u) << "flags " << flags;
        EXPECT_EQ(sizes[0], 8000);
        EXPECT_NEAR(double(sizes[1]), 2944.0, 576.0);
        EXPECT_EQ(sizes[2], 0);
    }

    TempDir dir;
    const QString wav = dir.writeFile(QStringLiteral("long.wav"), wavBytes(1, 1, 8000, 16, ramp16(20000)));
    for (quint32 flags : {quint32(ProbeFlag), quint32(NoFFmpeg)}) {
        const std::unique_ptr<QZAudioReader> reader = open(wav, flags);
        EXPECT_EQ(blockSizes(*reader), (std::vector<qint64>{8000, 8000, 4000, 0})) << "flags " << flags;
    }
}

TEST(AudioReaderPcm, OwnReadersMatchFFmpeg)
{
    // Integer PCM converts exactly, so both readers give the same samples.
    for (const char* name : {"pcm_u8_mono.wav", "pcm_s16_stereo.wav", "pcm_s24_mono.wav", "surround51.wav",
                             "twelve_channels.wav"}) {
        const QString path = audioFixture(QString::fromLatin1(name));
        std::vector<qint16> viaFFmpeg;
        std::vector<qint16> viaOwn;
        const std::unique_ptr<QZAudioReader> ffmpeg = open(path, ProbeFlag);
        const std::unique_ptr<QZAudioReader> own = open(path, NoFFmpeg);
        blockSizes(*ffmpeg, &viaFFmpeg);
        blockSizes(*own, &viaOwn);
        EXPECT_EQ(own->frameCount(), ffmpeg->frameCount()) << name;
        ASSERT_FALSE(viaOwn.empty()) << name;
        EXPECT_EQ(viaOwn, viaFFmpeg) << name;
    }
    // Two MP3 decoders: the same length (both honour the LAME gapless
    // header) and a real signal.
    for (const char* name : {"vbr_xing.mp3", "cbr_mpeg1_stereo.mp3"}) {
        const QString path = audioFixture(QString::fromLatin1(name));
        std::vector<qint16> viaFFmpeg;
        std::vector<qint16> viaOwn;
        blockSizes(*open(path, ProbeFlag), &viaFFmpeg);
        blockSizes(*open(path, NoFFmpeg), &viaOwn);
        EXPECT_EQ(viaOwn.size(), viaFFmpeg.size()) << name;
        EXPECT_GT(*std::max_element(viaOwn.begin(), viaOwn.end()), 1000) << name;
    }
}

TEST(WavAudioReader, FactsAndEstimate)
{
    WavAudioReader u8(fsPath(audioFixture(QStringLiteral("pcm_u8_mono.wav"))));
    ASSERT_EQ(u8.error(), NoError);
    EXPECT_EQ(u8.sampleRate(), 8000);
    EXPECT_EQ(u8.channels(), 1);
    EXPECT_EQ(u8.frameCount(), 2000u);
    EXPECT_EQ(u8.durationMs(), 250u);
    // 8-bit WAV samples are unsigned.
    EXPECT_EQ(text(u8, QZAudioReader::CodecText), QStringLiteral("PCM unsigned 8-bit"));
    EXPECT_EQ(u8.bitrateEstimate(), 64);

    WavAudioReader s24(fsPath(audioFixture(QStringLiteral("pcm_s24_mono.wav"))));
    EXPECT_EQ(text(s24, QZAudioReader::CodecText), QStringLiteral("PCM signed 24-bit little-endian"));
    EXPECT_EQ(s24.bitrateEstimate(), 192);

    WavAudioReader twelve(fsPath(audioFixture(QStringLiteral("twelve_channels.wav"))));
    EXPECT_EQ(twelve.channels(), 12);
    EXPECT_EQ(twelve.channelsText(), QStringLiteral("12 Channels"));
}

TEST(WavAudioReader, DamagedAndUnsupportedFiles)
{
    TempDir dir;
    auto readerFor = [&](const QString& name, const QByteArray& bytes) {
        return std::make_unique<WavAudioReader>(fsPath(dir.writeFile(name, bytes)));
    };

    // A data chunk claiming more than the file holds: what is there counts.
    auto truncated = readerFor(QStringLiteral("truncated.wav"), wavBytes(1, 2, 8000, 16, ramp16(1001), 40000));
    ASSERT_EQ(truncated->error(), NoError);
    EXPECT_EQ(truncated->frameCount(), 500u);  // 1001 samples: 500 whole stereo frames
    EXPECT_EQ(blockSizes(*truncated), (std::vector<qint64>{500, 0}));

    // An odd-sized chunk before the data is padded to an even length.
    QByteArray list = "LIST";
    put32(list, 3);
    list += QByteArray("abc\0", 4);
    auto padded = readerFor(QStringLiteral("padded.wav"), wavBytes(1, 1, 8000, 16, ramp16(100), -1, list));
    ASSERT_EQ(padded->error(), NoError);
    EXPECT_EQ(padded->frameCount(), 100u);

    EXPECT_EQ(readerFor(QStringLiteral("float.wav"), wavBytes(3, 1, 8000, 32, QByteArray(400, '\0')))->error(),
              FormatNotSupported);
    EXPECT_EQ(readerFor(QStringLiteral("nodata.wav"), wavBytes(1, 1, 8000, 16, QByteArray()).left(36))->error(),
              CorruptedFile);
    EXPECT_EQ(readerFor(QStringLiteral("zero.wav"), wavBytes(1, 0, 8000, 16, ramp16(10)))->error(), CorruptedFile);
    EXPECT_EQ(readerFor(QStringLiteral("junk.wav"), QByteArray(100, 'x'))->error(), CorruptedFile);
    EXPECT_EQ(readerFor(QStringLiteral("empty.wav"), QByteArray())->error(), CorruptedFile);
}

// A standard MIDI file from its header fields and raw track bodies.
QByteArray smf(quint16 division, const std::vector<QByteArray>& tracks)
{
    QByteArray bytes("MThd\0\0\0\x06\0\x01", 10);
    bytes.append(char(tracks.size() >> 8)).append(char(tracks.size() & 0xff));
    bytes.append(char(division >> 8)).append(char(division & 0xff));
    for (const QByteArray& body : tracks) {
        bytes += "MTrk";
        bytes.append(char(body.size() >> 24)).append(char(body.size() >> 16));
        bytes.append(char(body.size() >> 8)).append(char(body.size()));
        bytes += body;
    }
    return bytes;
}

const QByteArray kEndOfTrack("\x00\xff\x2f\x00", 4);

TEST(MidiAudioReader, DurationFromTheTempoMap)
{
    // 960 ticks at the default 120 bpm and 480 ticks per quarter: 1 s.
    const QByteArray notes = QByteArray("\x00\x90\x3c\x64\x87\x40\x80\x3c\x00", 9) + kEndOfTrack;
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(smf(480, {notes})), 1'000'000);

    // A tempo change to 60 bpm at tick 480 in another track: 0.5 s + 1 s.
    const QByteArray tempo = QByteArray("\x83\x60\xff\x51\x03\x0f\x42\x40", 8) + kEndOfTrack;
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(smf(480, {tempo, notes})), 1'500'000);

    // SMPTE time, 25 frames of 40 ticks: 960 ticks are 0.96 s.
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(smf(quint16(0xe728), {notes})), 960'000);

    // A track cut short counts as far as it can be read.
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(smf(480, {notes.left(5)})), 0);
    QByteArray cut = smf(480, {notes});
    cut.chop(4);
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(cut), 1'000'000);

    int error = 0;
    EXPECT_EQ(MidiAudioReader::durationMicroseconds("RIFF....", &error), -1);
    EXPECT_EQ(error, FormatNotSupported);
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(smf(0, {notes}), &error), -1);
    EXPECT_EQ(error, CorruptedFile);
    EXPECT_EQ(MidiAudioReader::durationMicroseconds(QByteArray("MThd\0\0", 6), &error), -1);
    EXPECT_EQ(error, CorruptedFile);
}

} // namespace
