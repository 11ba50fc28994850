#pragma once
// The on-disk caches of network answers: a PersistentCacheStore per kind of
// answer, each behind its own lock, one per process. A fresh entry answers
// without the network; an expired one still serves when the network fails.

#include "network/AlbumTypes.h"
#include "settings/PersistentCacheStore.h"

#include <functional>
#include <optional>

#include <mutex>

namespace tagmint::network {

class ResultCache {
public:
    ResultCache(const QString& name, quint32 lifetimeSeconds);

    PersistentCacheStore::Lookup get(const QByteArray& key, QByteArray* data);
    void put(const QByteArray& key, const QByteArray& data);
    QString directory() const { return m_store.directory(); }

    // A fresh entry answers at once (any entry when cacheOnly); otherwise
    // fetch runs and what it gives is stored; when it gives nothing, an
    // expired entry still answers.
    template <typename Value>
    std::optional<Value> through(const QByteArray& key, bool cacheOnly, const std::function<std::optional<Value>()>& fetch)
    {
        QByteArray bytes;
        Value cached;
        const PersistentCacheStore::Lookup found = get(key, &bytes);
        const bool haveCached = found != PersistentCacheStore::Absent && deserialize(bytes, &cached);
        if (haveCached && (found == PersistentCacheStore::Fresh || cacheOnly))
            return cached;
        if (cacheOnly)
            return std::nullopt;
        std::optional<Value> fetched = fetch();
        if (fetched) {
            put(key, serialize(*fetched));
            return fetched;
        }
        return haveCached ? std::optional<Value>(std::move(cached)) : std::nullopt;
    }

    // The stores (created at first use under the user's cache folder).
    static ResultCache& artistAlbums();     // MusicBrainz album lists, 21 days
    static ResultCache& albumDetails();     // MusicBrainz album details, 21 days
    static ResultCache& fingerprints();     // AcoustID answers per file content, 7 days
    static ResultCache& coverArt();         // Cover Art Archive images, 30 days
    static ResultCache& albumInfo();        // album-information artwork, 30 days

private:
    std::mutex m_mutex;
    PersistentCacheStore m_store;
};

} // namespace tagmint::network
