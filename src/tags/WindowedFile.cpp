#include "tags/WindowedFile.h"

#include "util/TextConversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagmint::tags {

namespace {

constexpr qint64 kWindowSize = 64 * 1024;

} // namespace

WindowedFile::WindowedFile(const QString& path) : m_path(path) {}

WindowedFile::~WindowedFile()
{
    close();
}

bool WindowedFile::open()
{
    close();
    m_fd = ::open(text::toFileSystemPath(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
        setErrorString(text::systemErrorText(errno));
        close();
        return false;
    }
    m_size = qint64(info.st_size);
    return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void WindowedFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_window.clear();
    if (isOpen())
        QIODevice::close();
}

qint64 WindowedFile::readAt(char* data, qint64 length, qint64 at) const
{
    ssize_t got;
    do
        got = ::pread(m_fd, data, size_t(length), off_t(at));
    while (got < 0 && errno == EINTR);
    return got;
}

qint64 WindowedFile::readData(char* data, qint64 maxSize)
{
    const qint64 at = pos();
    if (maxSize > kWindowSize)
        return readAt(data, maxSize, at);
    const qint64 windowEnd = m_windowOffset + m_window.size();
    if (at < m_windowOffset || at > windowEnd || (at + maxSize > windowEnd && windowEnd < m_size)) {
        m_window.resize(kWindowSize);
        const qint64 got = readAt(m_window.data(), kWindowSize, at);
        m_window.resize(std::max<qint64>(got, 0));
        m_windowOffset = at;
        if (got < 0)
            return -1;
    }
    const qint64 count = std::min(maxSize, m_windowOffset + m_window.size() - at);
    std::memcpy(data, m_window.constData() + (at - m_windowOffset), size_t(count));
    return count;
}

qint64 WindowedFile::writeData(const char*, qint64)
{
    return -1;
}

} // namespace tagmint::tags
