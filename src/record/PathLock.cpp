#include "record/PathLock.h"

#include "util/TextConversion.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// O_NONBLOCK keeps FIFOs and device files from blocking the open.
int openForFlags(const QByteArray& path)
{
    return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

} // namespace

std::optional<quint32> LinuxFileFlags::flags(const QByteArray& path) const
{
    const int fd = openForFlags(path);
    if (fd < 0)
        return std::nullopt;
    int value = 0;
    const int rc = ::ioctl(fd, FS_IOC_GETFLAGS, &value);
    ::close(fd);
    if (rc != 0)
        return std::nullopt;
    return quint32(value);
}

bool LinuxFileFlags::setFlags(const QByteArray& path, quint32 flags)
{
    const int fd = openForFlags(path);
    if (fd < 0)
        return false;
    int value = int(flags);
    const int rc = ::ioctl(fd, FS_IOC_SETFLAGS, &value);
    ::close(fd);
    return rc == 0;
}

quint32 LinuxFileFlags::lockFlag() const
{
    return FS_IMMUTABLE_FL;
}

LinuxFileFlags& LinuxFileFlags::instance()
{
    static LinuxFileFlags access;
    return access;
}

namespace tagmint::record {

QByteArray lockTestedParent(const QByteArray& path)
{
    // Parent folders shorter than this are never tested, so "/" is left alone.
    constexpr qsizetype kMinParentLength = 3;
    QByteArray trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf('/');
    if (slash < kMinParentLength)
        return QByteArray();
    return trimmed.left(slash);
}

bool isPathLocked(const QString& path, const FileFlagsAccess& access)
{
    if (path.isEmpty())
        return false;
    QByteArray current = text::toFileSystemPath(path);
    while (true) {
        const std::optional<quint32> flags = access.flags(current);
        if (flags && (*flags & access.lockFlag()))
            return true;
        current = lockTestedParent(current);
        if (current.isEmpty())
            return false;
    }
}

namespace {

void unlockFileSystemPath(const QByteArray& path, FileFlagsAccess& access)
{
    const QByteArray parent = lockTestedParent(path);
    if (!parent.isEmpty())
        unlockFileSystemPath(parent, access);
    const std::optional<quint32> flags = access.flags(path);
    if (flags && (*flags & access.lockFlag()))
        access.setFlags(path, *flags & ~access.lockFlag());
}

} // namespace

void unlockPath(const QString& path, FileFlagsAccess& access)
{
    if (path.isEmpty())
        return;
    unlockFileSystemPath(text::toFileSystemPath(path), access);
}

} // namespace tagmint::record
