#include "util/FileSystem.h"

#include "util/TextConversion.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagmint::fs {

namespace {

constexpr int kUniqueNameAttempts = 100;

} // namespace

bool renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename atomically without replacing.
    struct stat info;
    if (::lstat(to.constData(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

PathKind kindOf(const QString& path)
{
    struct stat info;
    if (path.isEmpty() || ::stat(text::toFileSystemPath(path).constData(), &info) != 0)
        return PathKind::Missing;
    return S_ISREG(info.st_mode) ? PathKind::File : S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool isTaken(const QString& path)
{
    struct stat info;
    return ::lstat(text::toFileSystemPath(path).constData(), &info) == 0;
}

bool makeFolders(const QByteArray& fileSystemPath)
{
    struct stat info;
    for (qsizetype slash = fileSystemPath.indexOf('/', 1);; slash = fileSystemPath.indexOf('/', slash + 1)) {
        const QByteArray folder = slash < 0 ? fileSystemPath : fileSystemPath.left(slash);
        if (!folder.isEmpty() && ::mkdir(folder.constData(), 0777) != 0
            && (errno != EEXIST || ::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode)))
            return false;
        if (slash < 0)
            return true;
    }
}

QString absolutePath(const QString& path)
{
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    // QDir::currentPath() would lose the bytes of a non-UTF-8 folder name.
    char* folder = ::getcwd(nullptr, 0);
    const QString base = text::fromFileSystemPath(folder ? folder : "");
    std::free(folder);
    return QDir::cleanPath(base + QLatin1Char('/') + path);
}

QString canonicalPath(const QString& path)
{
    char* resolved = ::realpath(text::toFileSystemPath(path).constData(), nullptr);
    if (!resolved)
        return QString();
    const QString result = text::fromFileSystemPath(resolved);
    std::free(resolved);
    return result;
}

bool openFile(QFile& file, const QByteArray& fileSystemPath, QIODevice::OpenMode mode)
{
    const int access = (mode & QIODevice::WriteOnly) ? O_RDWR : O_RDONLY;
    const int fd = ::open(fileSystemPath.constData(), access | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    errno = EIO;
    return false;
}

UniqueFile::UniqueFile(const QString& folder, const QByteArray& prefix, const QByteArray& suffix,
                       mode_t mode)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QByteArray base = text::toFileSystemPath(folder) + '/' + prefix;
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        QByteArray name = base;
        for (int i = 0; i < 6; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        name += suffix;
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return;
        }
        if (!m_file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(name.constData());
            return;
        }
        m_name = name;
        return;
    }
}

UniqueFile::~UniqueFile()
{
    m_file.close();
    if (!m_keep && !m_name.isEmpty())
        ::unlink(m_name.constData());
}

QString UniqueFile::path() const { return text::fromFileSystemPath(m_name); }

} // namespace tagmint::fs
