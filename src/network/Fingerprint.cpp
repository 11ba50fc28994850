#include "network/Fingerprint.h"

#include "audio/MpegAudioFrames.h"
#include "audio/OpenAudioReader.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <chromaprint.h>
#include <memory>

namespace tagmint::network {

namespace {

constexpr int kDefaultSeconds = 120;
constexpr qint64 kKeyBlock = 4096;

struct ChromaprintFree {
    void operator()(ChromaprintContext* context) const { chromaprint_free(context); }
};

// Whole seconds of a millisecond duration; anything under a second counts as one.
int wholeSeconds(quint64 ms)
{
    if (ms == 0)
        return 0;
    return ms < 1000 ? 1 : int(qMin<quint64>(ms / 1000, 1u << 30));
}

int mpegDurationSeconds(const QByteArray& fileSystemPath)
{
    if (!fileSystemPath.toLower().endsWith(".mp3"))
        return 0;
    const std::optional<audio::MpegAudioInfo> info = audio::analyseMpegAudioFile(fileSystemPath);
    if (!info || info->sampleRate() <= 0)
        return 0;
    return wholeSeconds(audio::framesToMilliseconds(info->totalSamples, info->sampleRate()));
}

void setError(QString* error, const char* text)
{
    if (error)
        *error = QString::fromLatin1(text);
}

} // namespace

std::optional<AudioFingerprint> computeFingerprint(const QString& path, int maxSeconds, QString* error)
{
    const QByteArray fileSystemPath = QFile::encodeName(path);
    std::unique_ptr<audio::QZAudioReader> reader =
        audio::openAudioReader(fileSystemPath, audio::RefuseMidi | audio::ProbeFlag);
    if (!reader || reader->error() != audio::NoError || reader->channels() <= 0 || reader->sampleRate() <= 0) {
        setError(error, "Could not read audio");
        return std::nullopt;
    }
    int duration = mpegDurationSeconds(fileSystemPath);
    if (duration == 0)
        duration = wholeSeconds(reader->durationMs());

    std::unique_ptr<ChromaprintContext, ChromaprintFree> chromaprint(chromaprint_new(CHROMAPRINT_ALGORITHM_TEST2));
    if (!chromaprint || !chromaprint_start(chromaprint.get(), reader->sampleRate(), reader->channels())) {
        setError(error, "Could not read audio");
        return std::nullopt;
    }
    const int blocks = maxSeconds > 0 ? maxSeconds : kDefaultSeconds;
    std::vector<qint16> samples;
    int decodedSeconds = 0;
    for (int block = 0; block < blocks; ++block) {
        const qint64 frames = reader->readPcm(samples);
        if (frames < 0) {
            setError(error, "Could not read audio");
            return std::nullopt;
        }
        if (frames == 0)
            break;
        const qint64 values = qMin<qint64>(frames * reader->channels(), qint64(samples.size()));
        if (!chromaprint_feed(chromaprint.get(), samples.data(), int(values)))
            break;
        ++decodedSeconds;
    }
    if (duration == 0)
        duration = decodedSeconds;
    char* text = nullptr;
    if (!chromaprint_finish(chromaprint.get()) || !chromaprint_get_fingerprint(chromaprint.get(), &text) || !text) {
        setError(error, "Could not read audio");
        return std::nullopt;
    }
    AudioFingerprint result{QByteArray(text), duration};
    chromaprint_dealloc(text);
    if (result.fingerprint.isEmpty() || duration < kMinFingerprintSeconds) {
        setError(error, "Audio too short to identify");
        return std::nullopt;
    }
    return result;
}

QByteArray fingerprintContentKey(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    const qint64 size = file.size();
    QCryptographicHash hash(QCryptographicHash::Md5);
    const quint64 sizeLittleEndian = qToLittleEndian(quint64(size));
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&sizeLittleEndian), sizeof sizeLittleEndian));
    hash.addData(file.read(kKeyBlock));
    if (size > kKeyBlock) {
        if (!file.seek(size - kKeyBlock))
            return QByteArray();
        hash.addData(file.read(kKeyBlock));
    }
    return hash.result().toHex();
}

} // namespace tagmint::network
