#include "tags/SafeFileCommit.h"

#include "record/PathLock.h"
#include "tags/CopyOnWriteStream.h"
#include "tags/LockedFile.h"
#include "util/TextConversion.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tagmint::tags {

namespace {

using text::systemErrorText;

// Kept free beyond what the new file needs: the file system's own
// bookkeeping must not be what fills the disk.
constexpr quint64 kSpaceMargin = 64 * 1024;
constexpr qint64 kCopyBlock = qint64(1) << 20;
// The most a save may change at the end of a file in place: the old end is
// held in memory until the new one is safely on disk.
constexpr qint64 kLargestTail = qint64(16) << 20;

std::atomic<FreeSpaceProbe> g_freeSpaceProbe{&volumeFreeSpace};

QString sizeText(quint64 bytes)
{
    return QLocale::c().formattedDataSize(qint64(bytes), 1, QLocale::DataSizeSIFormat);
}

// --- Checked system calls; each answers 0 or an errno value -----------------

// Repeats a positioned read or write until `length` bytes went through.
template <typename Transfer>
int transferAll(qint64 length, Transfer transfer)
{
    for (qint64 done = 0; done < length;) {
        const ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += n;
    }
    return 0;
}

int writeAll(int fd, const char* bytes, qint64 length, qint64 at)
{
    return transferAll(length, [&](qint64 done) {
        return ::pwrite(fd, bytes + done, size_t(length - done), off_t(at + done));
    });
}

int readAll(int fd, char* bytes, qint64 length, qint64 at)
{
    return transferAll(length, [&](qint64 done) {
        return ::pread(fd, bytes + done, size_t(length - done), off_t(at + done));
    });
}

// Copies in the kernel where it can (and shares blocks where the file
// system allows), else through a buffer.
int copyRange(int from, qint64 fromAt, int to, qint64 toAt, qint64 length)
{
    loff_t in = fromAt;
    loff_t out = toAt;
    qint64 left = length;
    while (left > 0) {
        const ssize_t n = ::copy_file_range(from, &in, to, &out, size_t(std::min(left, kCopyBlock * 64)), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            break;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;   // the source ended early
        left -= n;
    }
    std::vector<char> buffer(size_t(std::min(left, kCopyBlock)));
    while (left > 0) {
        const qint64 chunk = std::min<qint64>(left, qint64(buffer.size()));
        if (const int error = readAll(from, buffer.data(), chunk, in))
            return error;
        if (const int error = writeAll(to, buffer.data(), chunk, out))
            return error;
        in += chunk;
        out += chunk;
        left -= chunk;
    }
    return 0;
}

int syncData(int fd)
{
    return ::fdatasync(fd) == 0 ? 0 : errno;
}

// --- The new file ------------------------------------------------------------

// A save that is killed between naming its new file and the rename leaves
// that hidden name behind. A save in progress holds a lock on its new file;
// a name whose file nobody locks is such a leftover and is removed (where
// the file system has no locks, it is kept).
bool removeIfAbandoned(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    const bool abandoned = fd >= 0 && LockedFile::lockExclusivelyNow(fd) && ::unlink(path.constData()) == 0;
    if (fd >= 0)
        ::close(fd);
    // Otherwise the name stays taken.
    errno = EEXIST;
    return abandoned;
}

// A scratch file, removed again unless it was put in place.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // An unnamed file in `folder` where the system offers them (it vanishes
    // with the process whatever happens), else a hidden one named after
    // `name`, keeping its extension. 0 or an errno value.
    int create(const QByteArray& folder, const QString& name)
    {
        m_fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd >= 0 && ::access("/proc/self/fd", X_OK) == 0)
            return 0;
        if (m_fd >= 0)
            ::close(m_fd);
        const QFileInfo info(name);
        const QByteArray suffix = info.suffix().isEmpty()
            ? QByteArray()
            : "." + text::toFileSystemPath(info.suffix());
        QByteArray pattern = folder + "/." + text::toFileSystemPath(info.completeBaseName())
            + ".tagmint-XXXXXX" + suffix;
        m_fd = ::mkostemps(pattern.data(), int(suffix.size()), O_CLOEXEC);
        if (m_fd < 0)
            return errno;
        m_name = pattern;
        return 0;
    }

    int fd() const { return m_fd; }
    // A path that opens this file, for checks by path.
    QString checkPath() const
    {
        return m_name.isEmpty() ? QStringLiteral("/proc/self/fd/%1").arg(m_fd)
                                : text::fromFileSystemPath(m_name);
    }

    // Gives the file the name `target`, replacing what is there.
    int publish(const QByteArray& target)
    {
        if (m_name.isEmpty()) {
            // An unnamed file gets a name first; a rename then replaces the
            // target in one step.
            const QByteArray self = QByteArray("/proc/self/fd/") + QByteArray::number(m_fd);
            const qsizetype slash = target.lastIndexOf('/');
            const QByteArray prefix = target.left(slash + 1) + "." + target.mid(slash + 1) + ".tagmint-";
            for (int attempt = 0; attempt < 100 && m_name.isEmpty(); ++attempt) {
                const QByteArray hidden = prefix + QByteArray::number(attempt);
                const auto link = [&] { return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, hidden.constData(),
                                                        AT_SYMLINK_FOLLOW) == 0; };
                if (link() || (errno == EEXIST && removeIfAbandoned(hidden) && link()))
                    m_name = hidden;
                else if (errno != EEXIST)
                    return errno;
            }
            if (m_name.isEmpty())
                return EEXIST;
        }
        if (::rename(m_name.constData(), target.constData()) != 0)
            return errno;
        m_name.clear();
        return 0;
    }

    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd = -1;
    QByteArray m_name;
};

// Extended attributes of the original go to the new file. Those of the
// system's own name spaces ("security.", "trusted.") may be refused to us
// and are then left to the system; any other refusal fails the save.
bool copyExtendedAttributes(int from, int to)
{
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return listSize == 0 || errno == ENOTSUP;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got < 0)
        return false;
    for (const char* name = names.data(); name < names.data() + got; name += std::strlen(name) + 1) {
        const ssize_t valueSize = ::fgetxattr(from, name, nullptr, 0);
        if (valueSize < 0)
            return false;
        std::vector<char> value(static_cast<size_t>(valueSize));
        if (::fgetxattr(from, name, value.data(), value.size()) != valueSize)
            return false;
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
            const bool systemOwned = std::strncmp(name, "security.", 9) == 0
                || std::strncmp(name, "trusted.", 8) == 0;
            if (!systemOwned)
                return false;
        }
    }
    return true;
}

// Same bytes at `atA` in `a` and at `atB` in `b`?
bool sameBytes(int a, qint64 atA, int b, qint64 atB, qint64 length)
{
    std::vector<char> left(size_t(std::min(length, kCopyBlock)));
    std::vector<char> right(left.size());
    for (qint64 done = 0; done < length;) {
        const qint64 chunk = std::min<qint64>(length - done, qint64(left.size()));
        if (readAll(a, left.data(), chunk, atA + done) != 0 || readAll(b, right.data(), chunk, atB + done) != 0
            || std::memcmp(left.data(), right.data(), size_t(chunk)) != 0)
            return false;
        done += chunk;
    }
    return true;
}

// Where each audio range of the original lies in the new file.
struct AudioPlacement {
    ByteRange original;
    qint64 newOffset = 0;
};

class Commit {
public:
    Commit(LockedFile& file, CopyOnWriteStream& stream, const CommitChecks& checks)
        : m_file(file), m_stream(stream), m_checks(checks)
    {
    }

    QString run()
    {
        if (m_stream.hadReadError())
            return QStringLiteral("the file could not be read completely");
        if (!m_file.allowsWriting())
            return QStringLiteral("the file is read-only");
        if (!m_stream.isModified())
            return QString();
        for (const ByteRange& range : m_checks.audio.ranges) {
            const qint64 newOffset = m_stream.newOffsetOf(range.offset, range.length);
            if (newOffset < 0)
                return QStringLiteral("the save would change the audio data");
            m_audio.push_back({range, newOffset});
        }
        if (m_stream.keepsLayout())
            return writeInPlace();
        if (changesTailOnly())
            return writeTail();
        return rewrite();
    }

private:
    struct Patch {
        qint64 at = 0;
        QByteArray bytes;
        QByteArray old;
    };

    // The stream's same-length overwrites, each with the bytes it replaces.
    QString writeInPlace()
    {
        std::vector<Patch> patches;
        for (const CopyOnWriteStream::Piece& piece : m_stream.pieces()) {
            if (!piece.isNew)
                continue;
            Patch patch{piece.start, QByteArray::fromRawData(m_stream.newBytes(piece), piece.length),
                        QByteArray(piece.length, '\0')};
            if (!m_stream.readOriginal(piece.start, patch.old.data(), piece.length))
                return QStringLiteral("the file could not be read completely");
            if (patch.bytes != patch.old)
                patches.push_back(std::move(patch));
        }
        return patches.empty() ? QString() : applyPatches(patches);
    }

    // Only bytes after the audio changed (an APE tag at the end of the file,
    // say): the new end is written over the old one, which is kept in memory
    // to be put back. False when the save is not of that kind.
    bool changesTailOnly() const
    {
        const qint64 tail = m_stream.unchangedPrefix();
        return !m_audio.empty()
            && std::all_of(m_audio.begin(), m_audio.end(),
                           [&](const AudioPlacement& audio) {
                               return audio.newOffset == audio.original.offset
                                   && audio.original.offset + audio.original.length <= tail;
                           })
            && m_stream.originalLength() - tail <= kLargestTail && m_stream.currentLength() - tail <= kLargestTail;
    }

    QString writeTail()
    {
        const qint64 tail = m_stream.unchangedPrefix();
        Patch patch{tail, QByteArray(), QByteArray(m_stream.originalLength() - tail, '\0')};
        if (!m_stream.readOriginal(tail, patch.old.data(), patch.old.size()))
            return QStringLiteral("the file could not be read completely");
        patch.bytes.reserve(m_stream.currentLength() - tail);
        for (const CopyOnWriteStream::Piece& piece : m_stream.pieces()) {
            if (piece.start < tail)
                continue;
            if (piece.isNew) {
                patch.bytes.append(m_stream.newBytes(piece), piece.length);
                continue;
            }
            const qsizetype at = patch.bytes.size();
            patch.bytes.resize(at + piece.length);
            if (!m_stream.readOriginal(piece.source, patch.bytes.data() + at, piece.length))
                return QStringLiteral("the file could not be read completely");
        }
        return applyPatches({std::move(patch)});
    }

    // Writes the patches and sets the new length, flushes and reads back;
    // on any failure the old bytes and length are put back.
    QString applyPatches(const std::vector<Patch>& patches)
    {
        const int fd = m_file.fd();
        const qint64 oldLength = m_stream.originalLength();
        const qint64 newLength = m_stream.currentLength();
        std::size_t written = 0;
        int error = 0;
        for (; written < patches.size() && !error; ++written)
            error = writeAll(fd, patches[written].bytes.constData(), patches[written].bytes.size(), patches[written].at);
        if (!error && newLength < oldLength && ::ftruncate(fd, off_t(newLength)) != 0)
            error = errno;
        if (!error)
            error = syncData(fd);
        QString reason = error ? QStringLiteral("could not write the file: %1").arg(systemErrorText(error))
                               : QString();
        if (reason.isEmpty())
            reason = readBackProblem(m_file.path());
        if (!reason.isEmpty()) {
            for (std::size_t i = 0; i < written; ++i)
                writeAll(fd, patches[i].old.constData(), patches[i].old.size(), patches[i].at);
            if (newLength != oldLength)
                ::ftruncate(fd, off_t(oldLength));
            syncData(fd);
        }
        return reason;
    }

    QString rewrite()
    {
        // Through a link: the file it names is replaced, in its own folder.
        const QByteArray requested = text::toFileSystemPath(m_file.path());
        char* resolved = ::realpath(requested.constData(), nullptr);
        if (!resolved)
            return QStringLiteral("the file cannot be found: %1").arg(systemErrorText(errno));
        const QByteArray target(resolved);
        std::free(resolved);
        const QByteArray folder = target.left(target.lastIndexOf('/') > 0 ? target.lastIndexOf('/') : 1);

        const qint64 newLength = m_stream.currentLength();
        const bool renameKeepsLinks = m_file.linkCount() <= 1;
        // Over in place, the old bytes are first copied aside.
        const quint64 needed = renameKeepsLinks
            ? quint64(newLength)
            : quint64(m_stream.originalLength()) + quint64(std::max<qint64>(0, newLength - m_stream.originalLength()));
        if (const std::optional<quint64> free = freeSpaceIn(folder); free && *free < needed + kSpaceMargin) {
            return QStringLiteral("not enough free space on the disk: the save needs %1, %2 %3 free")
                .arg(sizeText(needed + kSpaceMargin), sizeText(*free), *free == 1 ? "is" : "are");
        }

        if (renameKeepsLinks && folderAllowsRenames(folder)) {
            ScratchFile scratch;
            if (scratch.create(folder, m_file.path()) == 0 && keepsOwner(scratch.fd())) {
                bool refused = false;
                const QString problem = replaceBy(scratch, target, &refused);
                if (!refused)
                    return problem;
            }
        }
        return overwrite(folder);
    }

    // The new file can carry the original's owner and group.
    bool keepsOwner(int fd) const
    {
        struct stat info;
        if (::fstat(fd, &info) != 0)
            return false;
        if (info.st_uid == m_file.owner() && info.st_gid == m_file.group())
            return true;
        return ::fchown(fd, m_file.owner(), m_file.group()) == 0;
    }

    // Writes the stream to `to`, taking original bytes from `from`.
    int writeStream(int from, int to) const
    {
        for (const CopyOnWriteStream::Piece& piece : m_stream.pieces()) {
            const int error = piece.isNew
                ? writeAll(to, m_stream.newBytes(piece), piece.length, piece.start)
                : copyRange(from, piece.source, to, piece.start, piece.length);
            if (error)
                return error;
        }
        return ::ftruncate(to, off_t(m_stream.currentLength())) == 0 ? 0 : errno;
    }

    // The written file at `fd` (reachable as `path`) against the original's
    // bytes in `original`.
    QString verify(int fd, const QString& path, int original) const
    {
        struct stat info;
        if (::fstat(fd, &info) != 0 || qint64(info.st_size) != m_stream.currentLength())
            return QStringLiteral("the new file came out with the wrong length");
        for (const AudioPlacement& audio : m_audio) {
            if (!sameBytes(fd, audio.newOffset, original, audio.original.offset, audio.original.length))
                return QStringLiteral("the audio data did not come through unchanged");
        }
        return readBackProblem(path);
    }

    // The written file, read back by a wrapper of its kind, must have its
    // tables point at the audio where the save put it.
    QString readBackProblem(const QString& path) const
    {
        if (!m_checks.readsBack)
            return QString();
        AudioLayout written;
        if (!m_checks.readsBack(path, &written))
            return QStringLiteral("the saved file did not read back");
        const QList<quint64>& before = m_checks.audio.pointers;
        bool follow = written.pointers.size() == before.size();
        for (qsizetype i = 0; follow && i < before.size(); ++i)
            follow = newPositionOf(before[i]) == qint64(written.pointers[i]);
        return follow ? QString() : QStringLiteral("the saved file's chunk offsets no longer point at its audio");
    }

    // Where a byte of the original's audio lies in the new file; -1 outside it.
    qint64 newPositionOf(quint64 position) const
    {
        for (const AudioPlacement& audio : m_audio) {
            const quint64 begin = quint64(audio.original.offset);
            if (position >= begin && position < begin + quint64(audio.original.length))
                return audio.newOffset + qint64(position - begin);
        }
        return -1;
    }

    QString writeFailure(int error) const
    {
        return QStringLiteral("could not write the new file: %1").arg(systemErrorText(error));
    }

    // `refused`: the folder did not let the new file take the old one's
    // place (a sticky folder and another owner, say); nothing was changed.
    QString replaceBy(ScratchFile& scratch, const QByteArray& target, bool* refused)
    {
        const int fd = scratch.fd();
        if (const int error = writeStream(m_file.fd(), fd))
            return writeFailure(error);
        if (::fchmod(fd, m_file.mode() & 07777) != 0 || !copyExtendedAttributes(m_file.fd(), fd))
            return QStringLiteral("the file's permissions or attributes could not be kept");
        if (::fsync(fd) != 0)
            return writeFailure(errno);
        if (const QString problem = verify(fd, scratch.checkPath(), m_file.fd()); !problem.isEmpty())
            return problem;
        // Locked before anyone can see it, so a waiting save cannot slip in
        // between the rename and the end of ours.
        LockedFile::lockExclusivelyNow(fd);
        if (const int error = scratch.publish(target)) {
            *refused = error == EPERM || error == EACCES;
            return QStringLiteral("could not replace the file: %1").arg(systemErrorText(error));
        }
        const int folder = ::open(target.left(target.lastIndexOf('/') + 1).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        m_file.adopt(scratch.release());
        return QString();
    }

    QString overwrite(const QByteArray& folder)
    {
        // The copy of the old bytes lives beside the file when the folder
        // allows it, else in the temporary folder.
        ScratchFile pristine;
        if (pristine.create(folder, m_file.path()) != 0
            && pristine.create(text::toFileSystemPath(QDir::tempPath()), m_file.path()) != 0)
            return QStringLiteral("could not make a copy of the file to write it safely");
        const qint64 oldLength = m_stream.originalLength();
        if (const int error = copyRange(m_file.fd(), 0, pristine.fd(), 0, oldLength))
            return writeFailure(error);
        if (::fsync(pristine.fd()) != 0)
            return writeFailure(errno);

        const int fd = m_file.fd();
        int error = writeStream(pristine.fd(), fd);
        if (!error && ::fsync(fd) != 0)
            error = errno;
        QString problem = error ? writeFailure(error) : verify(fd, m_file.path(), pristine.fd());
        if (!problem.isEmpty()) {
            copyRange(pristine.fd(), 0, fd, 0, oldLength);
            if (::ftruncate(fd, off_t(oldLength)) == 0)
                ::fsync(fd);
        }
        return problem;
    }

    LockedFile& m_file;
    CopyOnWriteStream& m_stream;
    const CommitChecks& m_checks;
    std::vector<AudioPlacement> m_audio;
};

} // namespace

QString commitStream(LockedFile& file, CopyOnWriteStream& stream, const CommitChecks& checks)
{
    const QString problem = Commit(file, stream, checks).run();
    stream.rebase();
    return problem;
}

bool folderAllowsRenames(const QByteArray& folder)
{
    const std::optional<quint32> flags = LinuxFileFlags::instance().flags(folder);
    return !flags || !(*flags & (FS_APPEND_FL | FS_IMMUTABLE_FL));
}

std::optional<quint64> volumeFreeSpace(const QByteArray& folder)
{
    struct statvfs volume;
    if (::statvfs(folder.constData(), &volume) != 0)
        return std::nullopt;
    return quint64(volume.f_bavail) * quint64(volume.f_frsize);
}

std::optional<quint64> freeSpaceIn(const QByteArray& folder)
{
    return g_freeSpaceProbe.load()(folder);
}

FreeSpaceProbe setFreeSpaceProbe(FreeSpaceProbe probe)
{
    return g_freeSpaceProbe.exchange(probe ? probe : &volumeFreeSpace);
}

} // namespace tagmint::tags
