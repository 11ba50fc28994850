#include "audio/AudioProbe.h"

#include "audio/AudioPropertiesCache.h"
#include "audio/FFmpegAudioReader.h"
#include "audio/FormatCatalogue.h"
#include "audio/MpegAudioFrames.h"
#include "audio/OpenAudioReader.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>

namespace tagmint::audio {

namespace {

// FFmpeg's count is not trusted beyond this many channels.
constexpr int kMaxChannels = 10;

QByteArray lowerExtension(const QByteArray& path)
{
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0 || path.indexOf('/', dot) >= 0)
        return QByteArray();
    return path.mid(dot + 1).toLower();
}

void clearFacts(QZAudioProperties* properties)
{
    const quint64 size = properties->fileSize;
    const quint64 time = properties->modificationTime;
    *properties = QZAudioProperties();
    properties->fileSize = size;
    properties->modificationTime = time;
}

// Our frame analysis; nullopt when it cannot parse the file.
std::optional<MpegAudioInfo> analyseMp3(const QByteArray& path)
{
    try {
        return analyseMpegAudioFile(path);
    } catch (...) {
        return std::nullopt;
    }
}

// The reader chain's facts. Texts are taken from a failed reader too when
// asked (it has none to give today, but the FLAC path asks for them).
int fillFromReader(const QByteArray& path, quint32 flags, bool textsRegardless,
                   QZAudioProperties* properties)
{
    std::unique_ptr<QZAudioReader> reader;
    try {
        reader = openAudioReader(path, flags);
    } catch (...) {
        return NotEnoughMemory;
    }
    const bool open = reader->error() == NoError;
    if (open) {
        properties->sampleRate = reader->sampleRate();
        properties->channels = reader->channels();
        properties->durationMs = qint64(reader->durationMs());
        properties->bitrate = reader->bitrateEstimate();
        properties->channelsText = reader->channelsText();
    }
    if (open || textsRegardless) {
        QString text;
        if (reader->textProperty(QZAudioReader::FormatText, &text) && !text.isEmpty())
            properties->formatText = text;
        if (reader->textProperty(QZAudioReader::CodecText, &text) && !text.isEmpty())
            properties->codecText = text;
    }
    return reader->error();
}

int fillFromFFmpeg(const QByteArray& path, std::optional<quint64> knownDurationMs,
                   QZAudioProperties* properties)
{
    try {
        const FFmpegAudioReader reader(path, FFmpegAudioReader::Purpose::Properties);
        if (reader.error() != NoError)
            return reader.error();
        properties->formatText = reader.formatText();
        properties->codecText = reader.codecText();
        properties->bitrate = int(reader.bitrate() / 1000);
        properties->sampleRate = reader.sampleRate();
        const int channels = reader.streamChannels();
        properties->channels = channels <= kMaxChannels ? channels : 0;
        properties->durationMs = qint64(knownDurationMs ? *knownDurationMs : reader.streamDurationMs());
        properties->channelsText = properties->channels == 0 ? QStringLiteral("-")
            : properties->channels == 1                      ? QStringLiteral("mono")
            : properties->channels == 2                      ? QStringLiteral("stereo")
                                                             : reader.layoutText();
        return NoError;
    } catch (const std::bad_alloc&) {
        clearFacts(properties);
        return NotEnoughMemory;
    } catch (...) {
        clearFacts(properties);
        return CouldNotOpenFile;
    }
}

void fillFromMpegAnalysis(const MpegAudioInfo& info, quint64 durationMs, QZAudioProperties* properties)
{
    properties->bitrate = (info.bitrate + 999) / 1000;
    properties->sampleRate = info.sampleRate();
    properties->channels = info.channels();
    properties->durationMs = qint64(durationMs);
    properties->channelsText = info.channels() == 2 ? QStringLiteral("stereo") : QStringLiteral("mono");
    properties->formatText = QStringLiteral("MP2/3 (MPEG audio layer 2/3)");
    properties->codecText = QString::fromLatin1(formatDescriptionForExtension("mp3"));
}

} // namespace

void readAudioProperties(const QByteArray& path, QZAudioProperties* properties)
{
    clearFacts(properties);
    const QByteArray extension = lowerExtension(path);

    // Folders, FIFOs and devices: nothing to read, and a FIFO would block.
    struct stat info;
    const bool found = ::stat(path.constData(), &info) == 0;
    if (!found || !S_ISREG(info.st_mode)) {
        const int error = !found && errno == ENOENT ? FileDoesNotExist : CouldNotOpenFile;
        const QString unknown = QStringLiteral("Unknown (%1)").arg(readerErrorText(error));
        properties->formatText = unknown;
        properties->codecText = unknown;
        return;
    }

    bool isVbr = false;
    std::optional<quint64> knownDurationMs;
    if (extension == "mp3") {
        if (const std::optional<MpegAudioInfo> info = analyseMp3(path)) {
            const quint64 durationMs = framesToMilliseconds(info->totalSamples, info->sampleRate());
            if (!info->isVbr) {
                fillFromMpegAnalysis(*info, durationMs, properties);
                return;
            }
            // FFmpeg names the codec and the average rate; the duration is ours.
            isVbr = true;
            if (durationMs > 0)
                knownDurationMs = durationMs;
        }
    }

    int error = NoError;
    if (extension == "flac" || extension == "fla") {
        error = fillFromReader(path, ProbeFlag, true, properties);
    } else {
        error = fillFromFFmpeg(path, knownDurationMs, properties);
        // FFmpeg failed: our own readers may still know the file. FFmpeg is
        // not asked again, and protected content stays refused.
        if (error != NoError && error != DrmProtectedFile) {
            QZAudioProperties fromReader = *properties;
            if (fillFromReader(path, ProbeFlag | NoFFmpeg, false, &fromReader) == NoError) {
                *properties = fromReader;
                error = NoError;
            }
        }
    }

    const QString fallback = error == NoError
        ? QStringLiteral("Unknown")
        : QStringLiteral("Unknown (%1)").arg(readerErrorText(error));
    if (properties->formatText.isEmpty())
        properties->formatText = fallback;
    if (properties->codecText.isEmpty())
        properties->codecText = fallback;
    else if (isVbr)
        properties->codecText += QStringLiteral(" (VBR)");
}

bool probeAudioProperties(const QByteArray& fileSystemPath, QZAudioProperties* properties)
{
    return AudioPropertiesCache::shared().probe(fileSystemPath, properties);
}

} // namespace tagmint::audio
