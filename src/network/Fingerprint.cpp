#include "network/Fingerprint.h"

#include "audio/MpegAudioFrames.h"
#include "audio/OpenAudioReader.h"
#include "util/FileSystem.h"
#include "util/RuntimeLibrary.h"
#include "util/TextConversion.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>
#include <chromaprint.h>
#include <memory>
#include <mutex>
#include <string>

namespace tagmint::network {

namespace {

constexpr int kDefaultSeconds = 120;
constexpr qint64 kKeyBlock = 4096;

// Chromaprint links FFmpeg's libavcodec and the hundred-odd libraries
// behind it, a tenth of a second at every start of either program: it is
// loaded the first time a fingerprint is made.
struct Chromaprint {
    decltype(&::chromaprint_new) create = nullptr;
    decltype(&::chromaprint_free) destroy = nullptr;
    decltype(&::chromaprint_start) start = nullptr;
    decltype(&::chromaprint_feed) feed = nullptr;
    decltype(&::chromaprint_finish) finish = nullptr;
    decltype(&::chromaprint_get_fingerprint) fingerprint = nullptr;
    decltype(&::chromaprint_dealloc) dealloc = nullptr;
};

// nullptr when the library or one of its functions is missing.
const Chromaprint* chromaprint()
{
    static Chromaprint functions;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        void* library = runtime::openLibrary("chromaprint", CHROMAPRINT_VERSION_MAJOR);
        Chromaprint& f = functions;
        using runtime::bindFunction;
        loaded = library && bindFunction(library, f.create, "chromaprint_new")
            && bindFunction(library, f.destroy, "chromaprint_free") && bindFunction(library, f.start, "chromaprint_start")
            && bindFunction(library, f.feed, "chromaprint_feed") && bindFunction(library, f.finish, "chromaprint_finish")
            && bindFunction(library, f.fingerprint, "chromaprint_get_fingerprint")
            && bindFunction(library, f.dealloc, "chromaprint_dealloc");
    });
    return loaded ? &functions : nullptr;
}

struct ChromaprintFree {
    void operator()(ChromaprintContext* context) const { chromaprint()->destroy(context); }
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
    const QByteArray fileSystemPath = text::toFileSystemPath(path);
    std::unique_ptr<audio::QZAudioReader> reader =
        audio::openAudioReader(fileSystemPath, audio::RefuseMidi | audio::ProbeFlag);
    if (!reader || reader->error() != audio::NoError || reader->channels() <= 0 || reader->sampleRate() <= 0) {
        setError(error, "Could not read audio");
        return std::nullopt;
    }
    int duration = mpegDurationSeconds(fileSystemPath);
    if (duration == 0)
        duration = wholeSeconds(reader->durationMs());

    const Chromaprint* library = chromaprint();
    if (!library) {
        setError(error, "Could not read audio");
        return std::nullopt;
    }
    std::unique_ptr<ChromaprintContext, ChromaprintFree> context(library->create(CHROMAPRINT_ALGORITHM_TEST2));
    if (!context || !library->start(context.get(), reader->sampleRate(), reader->channels())) {
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
        if (!library->feed(context.get(), samples.data(), int(values)))
            break;
        ++decodedSeconds;
    }
    if (duration == 0)
        duration = decodedSeconds;
    char* text = nullptr;
    if (!library->finish(context.get()) || !library->fingerprint(context.get(), &text) || !text) {
        setError(error, "Could not read audio");
        return std::nullopt;
    }
    AudioFingerprint result{QByteArray(text), duration};
    library->dealloc(text);
    if (result.fingerprint.isEmpty() || duration < kMinFingerprintSeconds) {
        setError(error, "Audio too short to identify");
        return std::nullopt;
    }
    return result;
}

QByteArray fingerprintContentKey(const QString& path)
{
    QFile file;
    if (fs::kindOf(path) != fs::PathKind::File || !fs::openFile(file, text::toFileSystemPath(path), QIODevice::ReadOnly))
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
