#pragma once
// Entries of a persistent cache store written many at a time: one file per
// batch in the store's "batches" folder instead of one file per entry, since
// creating a file costs more than most of the work a cache saves. A batch is
// written under a hidden name and renamed into place, so no reader ever sees
// half of one.
//
// A batch file: "QZCB", version 1 (32-bit), then per entry the file key's
// length (32-bit), the file key, and the entry exactly as an entry file holds
// it (magic, time of writing, length, data). Numbers in the machine's byte
// order, as in entry files.
//
// The batches are indexed on first use; batches other processes write later
// are seen by the next process. Entries stay readable through the files this
// index opened even when another process merges them away meanwhile. Thread-
// safe: a cache's writer thread puts while its probes look up.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QMutex>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

class CacheBatchFiles {
public:
    // More batch files than this are merged into one by the next write.
    static constexpr int kMaxFiles = 8;

    struct Entry {
        quint32 writtenAt = 0;
        QByteArray data;
    };

    explicit CacheBatchFiles(const QByteArray& storeDirectory);
    ~CacheBatchFiles();
    CacheBatchFiles(const CacheBatchFiles&) = delete;
    CacheBatchFiles& operator=(const CacheBatchFiles&) = delete;

    // The newest entry of the file key.
    std::optional<Entry> get(QByteArrayView fileKey);
    // Writes the entries (file key, data) stamped with writtenAt as one
    // batch; false when the batch could not be written (nothing is then).
    bool put(const std::vector<std::pair<QByteArray, QByteArray>>& entries, quint32 writtenAt);

private:
    struct Location {
        int file = -1;
        qint64 offset = 0;   // of the data
        quint32 length = 0;
        quint32 writtenAt = 0;
    };
    struct BatchFile {
        QByteArray path;
        int fd = -1;
    };

    void loadIndex();
    void indexFile(const QByteArray& path);
    // Adds a written batch file to the index; its entries win over older ones.
    void addToIndex(const QByteArray& path, int fd, const QByteArray& bytes);
    bool writeBatchFile(const QByteArray& bytes, QByteArray* path, int* fd);
    void mergeFiles();
    QByteArray readData(const Location& location) const;

    QByteArray m_folder;
    QMutex m_mutex;
    bool m_indexed = false;
    std::vector<BatchFile> m_files;
    QHash<QByteArray, Location> m_index;
    quint64 m_written = 0;
};
