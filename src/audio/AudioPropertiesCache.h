#pragma once
// The two-level cache of probed audio properties: up to 1024 entries in
// memory (the older half dropped when full) over a persistent store that
// keeps them for 1000 days. Entries are keyed by the MD5 of the path and
// valid while the file's size and modification time are unchanged.
//
// New entries reach the persistent store from a writer thread: creating a
// file costs far more than probing an MP3 on some file systems, and a probe
// should not wait for it. Destroying the cache writes what is still queued.

#include "record/QZAudioProperties.h"
#include "settings/PersistentCacheStore.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <functional>
#include <memory>
#include <optional>

namespace tagmint::audio {

class AudioPropertiesCache {
public:
    static constexpr int kMemoryLimit = 1024;
    static constexpr quint32 kLifetimeSeconds = 86'400'000;  // 1000 days
    static constexpr const char* kStoreName = "AudioProperties";

    // What reads the facts of a file the cache cannot answer for.
    using FileReader = std::function<void(const QByteArray& fileSystemPath, QZAudioProperties* properties)>;

    // The store lives under `cacheRoot` (empty: the user's cache folder).
    // Files are read with readAudioProperties unless another reader is given.
    explicit AudioPropertiesCache(const QString& cacheRoot = QString(), int memoryLimit = kMemoryLimit,
                                  FileReader reader = {});
    ~AudioPropertiesCache();
    AudioPropertiesCache(const AudioPropertiesCache&) = delete;
    AudioPropertiesCache& operator=(const AudioPropertiesCache&) = delete;

    // The process's cache, behind probeAudioProperties(); its store is
    // opened under the user's cache folder on first use.
    static AudioPropertiesCache& shared();

    // probeAudioProperties() on this cache. Thread-safe; the cache's lock is
    // never held while a file or the disk store is read, so probes of
    // different files run side by side.
    bool probe(const QByteArray& fileSystemPath, QZAudioProperties* properties);

    // Waits until every probed result has been written to the persistent store.
    void flush();

    int memoryEntryCount() const;
    // How many probes had to read their file (no usable cache entry).
    quint64 filesRead() const;
    const PersistentCacheStore& store() const { return m_store; }

    // The byte form of an entry in the persistent store; nullopt for bytes
    // that are not one (damaged, or written by another version).
    static QByteArray serialise(const QZAudioProperties& properties);
    static std::optional<QZAudioProperties> deserialise(QByteArrayView bytes);

private:
    struct Entry {
        QZAudioProperties properties;
        quint64 stamp = 0;
    };

    class StoreWriter;

    // The entry of `key` from memory or the disk store when it was made
    // from a file of this size and modification time.
    std::optional<QZAudioProperties> lookUp(const QByteArray& key, quint64 size, quint64 modificationTime);
    // Both with m_mutex held.
    void trimMemory();
    void remember(const QByteArray& key, const QZAudioProperties& properties);

    const FileReader m_reader;
    mutable QMutex m_mutex;
    PersistentCacheStore m_store;
    std::unique_ptr<StoreWriter> m_writer;
    QHash<QByteArray, Entry> m_entries;
    int m_memoryLimit;
    quint64 m_clock = 0;
    quint64 m_filesRead = 0;
};

} // namespace tagmint::audio
