// Entries of the persistent cache as another version, a crash or a hostile
// user may have left them: the store reads any file as an entry or as
// absent, and the audio properties cache takes only entries that read back
// the same after being written again.

#include "FuzzSupport.h"

#include "audio/AudioPropertiesCache.h"
#include "settings/PersistentCacheStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace tagmint;

namespace {

bool sameProperties(const QZAudioProperties& a, const QZAudioProperties& b)
{
    return a.fileSize == b.fileSize && a.modificationTime == b.modificationTime && a.sampleRate == b.sampleRate
        && a.bitrate == b.bitrate && a.channels == b.channels && a.durationMs == b.durationMs
        && a.channelsText == b.channelsText && a.formatText == b.formatText && a.codecText == b.codecText;
}

void expectStableProperties(QByteArrayView bytes)
{
    const std::optional<QZAudioProperties> read = audio::AudioPropertiesCache::deserialise(bytes);
    if (!read)
        return;
    const std::optional<QZAudioProperties> again =
        audio::AudioPropertiesCache::deserialise(audio::AudioPropertiesCache::serialise(*read));
    fuzz::expect(again && sameProperties(*read, *again), "an accepted entry reads back the same");
}

} // namespace

void fuzzCacheEntries(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    static PersistentCacheStore store(QStringLiteral("Fuzz"), 3600, 0, root.path());
    static const QByteArray key("entry");
    const QByteArray bytes = fuzz::bytesOf(data, size);

    const QString path = store.entryPath(key);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    fuzz::expect(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
                 "the entry file can be written", path);
    file.close();

    QByteArray stored;
    if (store.get(key, &stored) != PersistentCacheStore::Absent) {
        fuzz::expect(stored.size() + PersistentCacheStore::kHeaderSize <= bytes.size(),
                     "an entry holds no more than its file");
        expectStableProperties(stored);
    }
    expectStableProperties(bytes);
}

TAGMINT_FUZZ_TARGET(fuzzCacheEntries)
