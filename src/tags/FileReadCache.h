#pragma once
// Reads of one open file served from a few windows of it held in memory.
// TagLib and our structure walks read many small headers at scattered
// places, often the same ones twice (the walk, then TagLib); through the
// file each read costs a system call, and a system call costs more than
// parsing what it returns.

#include <QByteArray>
#include <QtGlobal>
#include <array>

namespace tagmint::tags {

class FileReadCache {
public:
    // Reads `fd` (not owned), `size` bytes long; forgets what was held.
    void reset(int fd, qint64 size);
    int fd() const { return m_fd; }
    qint64 size() const { return m_size; }

    // Copies up to `length` bytes at `offset` into `destination`: the count
    // copied, fewer only at the end of the file, or -1 when reading failed.
    qint64 read(qint64 offset, char* destination, qint64 length);

private:
    struct Window {
        qint64 offset = 0;
        QByteArray bytes;
        quint64 lastUse = 0;
    };

    Window* windowAt(qint64 offset);
    // Copies the bytes when windows hold all of them.
    bool copyHeld(qint64 offset, char* destination, qint64 length);
    qint64 readFile(qint64 offset, char* destination, qint64 length) const;

    int m_fd = -1;
    qint64 m_size = 0;
    std::array<Window, 4> m_windows;
    quint64 m_uses = 0;
    // Where the last window read from the file ends and how long it was:
    // reads going on from there get longer windows.
    qint64 m_lastEnd = -1;
    qint64 m_lastLength = 0;
};

} // namespace tagmint::tags
