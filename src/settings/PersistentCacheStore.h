#pragma once
// An on-disk key-value store for the results of slow work (probed audio
// properties, network answers), kept across launches: one folder per store
// under the user's cache folder, one file per key in 256 bucket folders, each
// file a 12-byte header (magic, time of writing, length) and the data.
// Entries older than the store's lifetime still answer, marked as expired.
// Entries written many at a time go into batch files instead
// (CacheBatchFiles); a lookup answers the newer of the two. Entry files are
// looked for only in bucket folders that exist, listed at most once a second.
//
// get() may run on several threads at once and beside put() or putBatch():
// entry files are renamed into place whole, and batches and the listing of
// bucket folders carry locks of their own. Two put() calls of one key must
// not run at once (they share a temporary name).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

class CacheBatchFiles;

class PersistentCacheStore {
public:
    enum Flag : quint32 {
        // Remove the store's folder when the store is destroyed.
        RemoveOnDestroy = 0x1,
    };

    enum Lookup {
        Absent = 0,   // no usable entry
        Fresh = 1,    // found, younger than the lifetime
        Expired = 2,  // found, older than the lifetime
    };

    static constexpr quint32 kMagic = 0x01020304;
    static constexpr int kHeaderSize = 12;
    static constexpr const char* kVendorFolder = "tagmint";

    // Creates <cacheRoot>/tagmint/<name> with its parents. An empty
    // cacheRoot means the user's cache folder (userCacheRoot()). A lifetime
    // of 0 never expires.
    PersistentCacheStore(const QString& name, quint32 lifetimeSeconds, quint32 flags = 0,
                         const QString& cacheRoot = QString());
    ~PersistentCacheStore();
    PersistentCacheStore(const PersistentCacheStore&) = delete;
    PersistentCacheStore& operator=(const PersistentCacheStore&) = delete;

    // Writes the entry, replacing any earlier one. False for an empty key,
    // an unusable store or a failed write.
    bool put(QByteArrayView key, QByteArrayView data);
    // Writes (key, data) entries as one batch file: far cheaper than a file
    // per entry. False when nothing could be written or a key is empty.
    bool putBatch(const std::vector<std::pair<QByteArray, QByteArray>>& entries);
    // Absent, Fresh or Expired. `data` receives the entry's bytes when it is
    // found; `writtenAt` the header's time whenever the header is valid.
    Lookup get(QByteArrayView key, QByteArray* data, quint32* writtenAt = nullptr) const;

    // False when the store's folder could not be created.
    bool isUsable() const { return m_usable; }
    QString directory() const { return m_directory; }
    quint32 lifetime() const { return m_lifetime; }
    // Where the entry of `key` lives (whether or not it exists).
    QString entryPath(QByteArrayView key) const;

    // $XDG_CACHE_HOME, else $HOME/.cache, else /home/<LOGNAME or USER>/.cache.
    static QString userCacheRoot();
    // The entry's file name: blanks, control and punctuation characters
    // become "_", letters are lower-cased; 64 bytes or more become their MD5
    // digest in hex.
    static QByteArray fileKey(QByteArrayView key);
    // The bucket folder (0..255) of a file key.
    static int bucketOf(QByteArrayView fileKey);

private:
    class BucketFolders;

    // The entry file of a file key (see fileKey()).
    QByteArray entryFileSystemPath(const QByteArray& name, QByteArray* bucketDirectory) const;

    QString m_directory;
    QByteArray m_directoryBytes;
    std::unique_ptr<CacheBatchFiles> m_batches;
    std::unique_ptr<BucketFolders> m_buckets;
    quint32 m_lifetime;
    quint32 m_flags;
    bool m_usable = false;
};
