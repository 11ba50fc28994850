#include "network/ResultCache.h"

namespace tagmint::network {

ResultCache::ResultCache(const QString& name, quint32 lifetimeSeconds) : m_store(name, lifetimeSeconds) {}

PersistentCacheStore::Lookup ResultCache::get(const QByteArray& key, QByteArray* data)
{
    std::lock_guard lock(m_mutex);
    return m_store.get(key, data);
}

void ResultCache::put(const QByteArray& key, const QByteArray& data)
{
    std::lock_guard lock(m_mutex);
    m_store.put(key, data);
}

ResultCache& ResultCache::artistAlbums()
{
    static ResultCache cache(QStringLiteral("MusicBrainzAl"), 1814400);
    return cache;
}

ResultCache& ResultCache::albumDetails()
{
    static ResultCache cache(QStringLiteral("MusicBrainzDt"), 1814400);
    return cache;
}

ResultCache& ResultCache::fingerprints()
{
    static ResultCache cache(QStringLiteral("AcoustIDFile"), 604800);
    return cache;
}

ResultCache& ResultCache::coverArt()
{
    static ResultCache cache(QStringLiteral("CoverArtArch"), 2592000);
    return cache;
}

ResultCache& ResultCache::albumInfo()
{
    // Named like the album-information service's key table.
    static ResultCache cache(QStringLiteral("AlbumInfoWS"), 2592000);
    return cache;
}

} // namespace tagmint::network
