#include "tags/WindowedFile.h"

#include "util/TextConversion.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagmint::tags {

WindowedFile::WindowedFile(const QString& path) : m_path(path) {}

WindowedFile::WindowedFile(FileReadCache& source) : m_reads(&source)
{
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

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
    m_ownReads.reset(m_fd, qint64(info.st_size));
    return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void WindowedFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_ownReads.reset(-1, 0);
    if (isOpen())
        QIODevice::close();
}

qint64 WindowedFile::readData(char* data, qint64 maxSize)
{
    return m_reads->read(pos(), data, maxSize);
}

qint64 WindowedFile::writeData(const char*, qint64)
{
    return -1;
}

} // namespace tagmint::tags
