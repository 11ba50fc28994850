#include "tags/FileReadCache.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tagmint::tags {

namespace {

// Windows start on a page boundary, so a read a little before an earlier
// one (a walk's container header, then TagLib's first chunk) hits it too.
constexpr qint64 kAlignment = 4096;
constexpr qint64 kFirstWindow = 32 * 1024;
// Reads this long are no headers: they go to the file directly.
constexpr qint64 kLargestWindow = 64 * 1024;

} // namespace

void FileReadCache::reset(int fd, qint64 size)
{
    m_fd = fd;
    m_size = std::max<qint64>(size, 0);
    for (Window& window : m_windows)
        window = Window();
    m_uses = 0;
    m_lastEnd = -1;
    m_lastLength = 0;
}

FileReadCache::Window* FileReadCache::windowAt(qint64 offset)
{
    for (Window& window : m_windows) {
        if (offset >= window.offset && offset < window.offset + window.bytes.size())
            return &window;
    }
    return nullptr;
}

bool FileReadCache::copyHeld(qint64 offset, char* destination, qint64 length)
{
    // All or nothing: a read that windows cover only in part goes to the file.
    qint64 done = 0;
    while (done < length) {
        const Window* window = windowAt(offset + done);
        if (!window)
            return false;
        done = window->offset + window->bytes.size() - offset;
    }
    for (done = 0; done < length;) {
        Window* window = windowAt(offset + done);
        const qint64 inWindow = offset + done - window->offset;
        const qint64 count = std::min(length - done, window->bytes.size() - inWindow);
        std::memcpy(destination + done, window->bytes.constData() + inWindow, size_t(count));
        window->lastUse = ++m_uses;
        done += count;
    }
    return true;
}

qint64 FileReadCache::readFile(qint64 offset, char* destination, qint64 length) const
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, destination + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? done : -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

qint64 FileReadCache::read(qint64 offset, char* destination, qint64 length)
{
    if (offset < 0 || length < 0 || m_fd < 0)
        return -1;
    length = std::min(length, m_size - offset);
    if (length <= 0)
        return 0;
    if (copyHeld(offset, destination, length))
        return length;
    if (length >= kLargestWindow)
        return readFile(offset, destination, length);

    // A read that goes on from the last window gets a longer one, as a
    // walk over a run of headers or pages reads on and on.
    const qint64 start = offset - offset % kAlignment;
    const bool onward = m_lastEnd >= 0 && offset <= m_lastEnd && offset >= m_lastEnd - m_lastLength;
    qint64 windowLength = onward ? std::min(2 * m_lastLength, kLargestWindow) : kFirstWindow;
    windowLength = std::min(std::max(windowLength, offset + length - start), m_size - start);

    Window& window = *std::min_element(m_windows.begin(), m_windows.end(),
                                       [](const Window& a, const Window& b) { return a.lastUse < b.lastUse; });
    window.offset = start;
    window.bytes.resize(windowLength);
    const qint64 got = readFile(start, window.bytes.data(), windowLength);
    window.bytes.resize(std::max<qint64>(got, 0));
    window.lastUse = ++m_uses;
    if (got < 0)
        return -1;
    m_lastEnd = start + got;
    m_lastLength = got;
    const qint64 count = std::clamp<qint64>(start + got - offset, 0, length);
    std::memcpy(destination, window.bytes.constData() + (offset - start), size_t(count));
    return count;
}

} // namespace tagmint::tags
