#include "tags/LockedFile.h"

#include "util/TextConversion.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tagmint::tags {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::atomic<qint64> g_lockWaitMs{5000};

enum class LockAttempt { Locked, Busy, NotSupported };

// Open-file-description locks belong to this open file, not to the process:
// two records of one process exclude each other like two processes do, and
// closing another descriptor of the file never drops the lock.
LockAttempt tryLock(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return LockAttempt::Locked;
    if (errno == EAGAIN || errno == EACCES || errno == EINTR)
        return LockAttempt::Busy;
    // A file system without locks (some network and FUSE mounts).
    return LockAttempt::NotSupported;
}

bool sameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

void failed(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}

} // namespace

std::unique_ptr<LockedFile> LockedFile::open(const QString& path, Access access, QString* error)
{
    const QByteArray fsPath = text::toFileSystemPath(path);
    const Clock::time_point deadline = Clock::now() + lockWaitLimit();
    auto pause = 5ms;
    for (;;) {
        // Non-blocking, so a FIFO named like a media file cannot hang us.
        constexpr int kFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        bool openForWriting = false;
        int fd = -1;
        if (access == Access::Write) {
            fd = ::open(fsPath.constData(), O_RDWR | kFlags);
            openForWriting = fd >= 0;
        }
        if (fd < 0)
            fd = ::open(fsPath.constData(), O_RDONLY | kFlags);
        if (fd < 0) {
            failed(error, QStringLiteral("the file cannot be opened: %1").arg(text::systemErrorText(errno)));
            return nullptr;
        }
        std::unique_ptr<LockedFile> file(new LockedFile);
        file->m_fd = fd;
        file->m_path = path;
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            failed(error, QStringLiteral("not a regular file"));
            return nullptr;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

        if (access == Access::Unlocked) {
            file->takeFacts();
            return file;
        }
        const short type = openForWriting ? F_WRLCK : F_RDLCK;
        LockAttempt attempt = tryLock(fd, type);
        while (attempt == LockAttempt::Busy && Clock::now() < deadline) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::duration_cast<decltype(pause)>(100ms));
            attempt = tryLock(fd, type);
        }
        if (attempt == LockAttempt::Busy) {
            failed(error, busyReason());
            return nullptr;
        }
        // A save that finished while we waited put a new file at the path:
        // this descriptor holds the old one.
        struct stat current;
        const bool found = ::stat(fsPath.constData(), &current) == 0;
        if (found && !sameInode(opened, current)) {
            if (Clock::now() >= deadline) {
                failed(error, busyReason());
                return nullptr;
            }
            continue;
        }
        file->m_allowsWriting = access == Access::Write
            ? openForWriting
            : ::faccessat(AT_FDCWD, fsPath.constData(), W_OK, AT_EACCESS) == 0;
        // Taken under the lock, of this very file: its facts as locked.
        if (found)
            file->takeFacts(current);
        else
            file->takeFacts();
        return file;
    }
}

LockedFile::~LockedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void LockedFile::takeFacts()
{
    struct stat info;
    if (::fstat(m_fd, &info) == 0)
        takeFacts(info);
}

void LockedFile::takeFacts(const struct stat& info)
{
    m_stamp = FileStamp{info.st_dev, info.st_ino, qint64(info.st_size), nanoseconds(info.st_mtim),
                        nanoseconds(info.st_ctim)};
    m_mode = info.st_mode;
    m_owner = info.st_uid;
    m_group = info.st_gid;
    m_links = info.st_nlink;
}

void LockedFile::adopt(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    m_allowsWriting = true;
    takeFacts();
}

bool LockedFile::isAt(const QString& path) const
{
    struct stat opened;
    struct stat current;
    return ::fstat(m_fd, &opened) == 0 && ::stat(text::toFileSystemPath(path).constData(), &current) == 0
        && sameInode(opened, current);
}

void LockedFile::unlock()
{
    struct flock lock = {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(m_fd, F_OFD_SETLK, &lock);
}

bool LockedFile::lockExclusivelyNow(int fd)
{
    return tryLock(fd, F_WRLCK) == LockAttempt::Locked;
}

std::chrono::milliseconds LockedFile::lockWaitLimit()
{
    return std::chrono::milliseconds(g_lockWaitMs.load());
}

void LockedFile::setLockWaitLimit(std::chrono::milliseconds limit)
{
    g_lockWaitMs.store(limit.count());
}

QString LockedFile::busyReason()
{
    return QStringLiteral("the file is busy: another save or program is using it");
}

} // namespace tagmint::tags
