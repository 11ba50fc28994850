#pragma once
// The stream TagLib reads and writes a media file through. Reads come from
// the file; writes never reach it: the stream keeps a piece table of the
// original's byte ranges and the new bytes, so after TagLib's save it knows
// the whole new file and which original ranges it kept where. Committing
// that to disk is SafeFileCommit's job.

#include "tags/FileReadCache.h"

#include <QByteArray>
#include <stdexcept>
#include <vector>

#include <taglib/tiostream.h>

namespace tagmint::tags {

class LockedFile;

// Thrown into TagLib when a save would grow the file or write more than
// the stream allows; the wrapper's save catches it.
class WriteLimitExceeded : public std::runtime_error {
public:
    WriteLimitExceeded() : std::runtime_error("write limit exceeded") {}
};

class CopyOnWriteStream : public TagLib::IOStream {
public:
    // A run of the stream: `length` bytes at `start`, taken from the
    // original file at `source`, or from the new bytes at `source`.
    struct Piece {
        qint64 start = 0;
        qint64 length = 0;
        qint64 source = 0;
        bool isNew = false;
    };

    explicit CopyOnWriteStream(const LockedFile& file);
    ~CopyOnWriteStream() override;

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0,
                unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override;
    bool isOpen() const override;
    void seek(long offset, Position p = Beginning) override;
    void clear() override;
    long tell() const override;
    long length() override;
    void truncate(long length) override;

    // A save may make the stream at most `maxLength` bytes long and write at
    // most `maxWritten` bytes in all; beyond that writes throw
    // WriteLimitExceeded, so a hostile file cannot make TagLib write forever.
    void setWriteLimits(qint64 maxLength, qint64 maxWritten);

    qint64 originalLength() const { return m_originalLength; }
    qint64 currentLength() const { return m_length; }
    const std::vector<Piece>& pieces() const { return m_pieces; }
    // The new bytes of a piece that has them.
    const char* newBytes(const Piece& piece) const { return m_added.constData() + piece.source; }
    bool isModified() const;
    // Whether the new stream is the original with only same-length
    // overwrites: every original byte still at its place, the length kept.
    bool keepsLayout() const;
    // How many leading bytes are still the original's at their place.
    qint64 unchangedPrefix() const;
    // Where the original range [offset, offset + length) now starts, when it
    // survives as one untouched run; -1 otherwise.
    qint64 newOffsetOf(qint64 offset, qint64 length) const;
    // A write of the last save went beyond the limits.
    bool limitExceeded() const { return m_limitExceeded; }
    // Reading the file failed at some point: what TagLib saw is incomplete.
    bool hadReadError() const { return m_readError; }

    // Reads original bytes; false on a short read or an error.
    bool readOriginal(qint64 offset, char* destination, qint64 length) const;
    // The original file's reads, for a structure walk over the very file
    // TagLib reads (and the headers TagLib read already).
    FileReadCache& originalFile() const { return m_original; }

    // After a commit the file holds what the stream holds: start over with
    // the file (the same one, or the one that replaced it) as the original.
    void rebase();

private:
    // Index of the piece that starts at `position`, splitting one if needed.
    std::size_t splitAt(qint64 position);
    // Replaces [start, start + removed) by `bytes` (which may be empty).
    void replace(qint64 start, qint64 removed, const char* bytes, qint64 count);
    // Zero bytes from the end up to `position`, as writing past the end does.
    void extendTo(qint64 position);
    void account(qint64 written, qint64 newLength);
    // Starts with the original as the whole stream.
    void startOver(qint64 originalLength);

    const LockedFile& m_file;
    QByteArray m_name;
    std::vector<Piece> m_pieces;
    QByteArray m_added;   // new bytes, append-only
    qint64 m_originalLength = 0;
    qint64 m_length = 0;
    qint64 m_position = 0;
    qint64 m_maxLength = -1;
    qint64 m_maxWritten = -1;
    qint64 m_written = 0;
    bool m_readError = false;
    bool m_limitExceeded = false;

    mutable FileReadCache m_original;
};

} // namespace tagmint::tags
