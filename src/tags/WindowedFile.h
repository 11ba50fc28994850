#pragma once
// A file read through a FileReadCache, as a QIODevice for the structure
// walks: either a file it opens itself or the reads of a file TagLib has
// open (the walk then reads the very file TagLib reads, and mostly bytes
// already in memory).

#include "tags/FileReadCache.h"

#include <QIODevice>

namespace tagmint::tags {

class WindowedFile : public QIODevice {
public:
    explicit WindowedFile(const QString& path);
    // Reads through `source`, whose file must stay open meanwhile; open at once.
    explicit WindowedFile(FileReadCache& source);
    ~WindowedFile() override;

    // Opens the file read-only; false (with errorString()) if it cannot.
    bool open();
    qint64 size() const override { return m_reads->size(); }
    bool isSequential() const override { return false; }
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QString m_path;
    int m_fd = -1;   // of the file opened here
    FileReadCache m_ownReads;
    FileReadCache* m_reads = &m_ownReads;
};

} // namespace tagmint::tags
