#pragma once
// The two-level cache of probed audio properties: up to 1024 entries in
// memory (the older half dropped when full) over a persistent store that
// keeps them for 1000 days. Entries are keyed by the MD5 of the path and
// valid while the file's size and modification time are unchanged.

#include "record/QZAudioProperties.h"
#include "settings/PersistentCacheStore.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <optional>

namespace tagmint::audio {

class AudioPropertiesCache {
public:
    static constexpr int kMemoryLimit = 1024;
    static constexpr quint32 kLifetimeSeconds = 86'400'000;  // 1000 days
    static constexpr const char* kStoreName = "AudioProperties";

    // The store lives under `cacheRoot` (empty: the user's cache folder).
    explicit AudioPropertiesCache(const QString& cacheRoot = QString(), int memoryLimit = kMemoryLimit);

    // The process's cache, behind probeAudioProperties(); its store is
    // opened under the user's cache folder on first use.
    static AudioPropertiesCache& shared();

    // probeAudioProperties() on this cache. Holds the cache's mutex for the
    // whole probe, so probes are serialised.
    bool probe(const QByteArray& fileSystemPath, QZAudioProperties* properties);

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

    void trimMemory();
    Entry& remember(const QByteArray& key, const QZAudioProperties& properties);

    mutable QMutex m_mutex;
    PersistentCacheStore m_store;
    QHash<QByteArray, Entry> m_entries;
    int m_memoryLimit;
    quint64 m_clock = 0;
    quint64 m_filesRead = 0;
};

} // namespace tagmint::audio
