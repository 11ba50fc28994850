#include "settings/PersistentCacheStore.h"

#include "settings/CacheBatchFiles.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

#include <bitset>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isReplacedInFileKey(unsigned char c)
{
    static constexpr std::string_view kPunctuation = "!@#$%^&*()-+=-\\/?><;\"'[]{}|~`";
    return c < 33 || kPunctuation.find(char(c)) != std::string_view::npos;
}

QString environmentFolder(const char* name)
{
    const QByteArray value = qgetenv(name);
    // XDG paths must be absolute; a relative one is ignored.
    if (value.isEmpty() || value.at(0) != '/')
        return QString();
    return tagmint::text::fromFileSystemPath(value);
}

quint32 currentTime()
{
    return quint32(QDateTime::currentSecsSinceEpoch());
}

// The whole of `size` bytes, or false.
bool readFully(int fd, char* buffer, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        size -= size_t(n);
    }
    return true;
}

bool writeFully(int fd, const char* buffer, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        size -= size_t(n);
    }
    return true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; false when the close reported a failed write.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

} // namespace

// Which bucket folders exist, listed again at most once a second. A store
// written in batches has none, and a lookup should not pay for opening an
// entry file that cannot be there. An entry another process puts into a
// bucket folder it creates is missed until the next listing.
class PersistentCacheStore::BucketFolders {
public:
    explicit BucketFolders(const QByteArray& directory) : m_directory(directory) {}

    bool mayExist(int bucket)
    {
        QMutexLocker locker(&m_mutex);
        const auto now = std::chrono::steady_clock::now();
        if (!m_listed || now - m_listedAt >= std::chrono::seconds(1)) {
            list();
            m_listed = true;
            m_listedAt = now;
        }
        return m_present.test(size_t(bucket));
    }

    void add(int bucket)
    {
        QMutexLocker locker(&m_mutex);
        m_present.set(size_t(bucket));
    }

private:
    void list()
    {
        DIR* dir = ::opendir(m_directory.constData());
        if (!dir) {
            // Cannot tell: every entry file is looked for.
            m_present.set();
            return;
        }
        m_present.reset();
        while (const dirent* entry = ::readdir(dir)) {
            bool isNumber = false;
            const int bucket = QByteArrayView(entry->d_name).toInt(&isNumber);
            if (isNumber && bucket >= 0 && bucket < 256)
                m_present.set(size_t(bucket));
        }
        ::closedir(dir);
    }

    const QByteArray m_directory;
    QMutex m_mutex;
    std::bitset<256> m_present;
    std::chrono::steady_clock::time_point m_listedAt;
    bool m_listed = false;
};

PersistentCacheStore::PersistentCacheStore(const QString& name, quint32 lifetimeSeconds,
                                           quint32 flags, const QString& cacheRoot)
    : m_lifetime(lifetimeSeconds), m_flags(flags)
{
    const QString root = cacheRoot.isEmpty() ? userCacheRoot() : cacheRoot;
    m_directory = QDir::cleanPath(root + QLatin1Char('/') + QLatin1String(kVendorFolder)
                                  + QLatin1Char('/') + name);
    m_directoryBytes = tagmint::text::toFileSystemPath(m_directory);
    m_usable = !name.isEmpty() && tagmint::fs::makeFolders(m_directoryBytes);
    m_batches = std::make_unique<CacheBatchFiles>(m_directoryBytes);
    m_buckets = std::make_unique<BucketFolders>(m_directoryBytes);
}

PersistentCacheStore::~PersistentCacheStore()
{
    m_batches.reset();
    if ((m_flags & RemoveOnDestroy) && m_usable && QFileInfo::exists(m_directory))
        QDir(m_directory).removeRecursively();
}

QString PersistentCacheStore::userCacheRoot()
{
    QString root = environmentFolder("XDG_CACHE_HOME");
    if (!root.isEmpty())
        return root;
    root = environmentFolder("HOME");
    if (!root.isEmpty())
        return root + QLatin1String("/.cache");
    QByteArray user = qgetenv("LOGNAME");
    if (user.isEmpty())
        user = qgetenv("USER");
    return QLatin1String("/home/") + tagmint::text::fromFileSystemPath(user) + QLatin1String("/.cache");
}

QByteArray PersistentCacheStore::fileKey(QByteArrayView key)
{
    QByteArray result(key.data(), key.size());
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (isReplacedInFileKey(byte))
            c = '_';
        else if (byte >= 'A' && byte <= 'Z')
            c = char(byte - 'A' + 'a');
    }
    if (result.size() >= 64)
        result = QCryptographicHash::hash(result, QCryptographicHash::Md5).toHex();
    return result;
}

int PersistentCacheStore::bucketOf(QByteArrayView fileKey)
{
    quint64 h = 0;
    for (char c : fileKey) {
        // Bytes count as signed, as the stores written so far were hashed.
        const auto value = quint64(qint64(static_cast<signed char>(c)));
        h ^= (h >> 2) + (h << 6) + value + 0x9e3779b9ULL;
    }
    unsigned sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += unsigned((h >> (8 * i)) & 0xff);
    return int(sum % 256);
}

QByteArray PersistentCacheStore::entryFileSystemPath(const QByteArray& name,
                                                     QByteArray* bucketDirectory) const
{
    QByteArray bucket = m_directoryBytes + '/' + QByteArray::number(bucketOf(name));
    QByteArray path = bucket + '/' + name;
    if (bucketDirectory)
        *bucketDirectory = std::move(bucket);
    return path;
}

QString PersistentCacheStore::entryPath(QByteArrayView key) const
{
    return tagmint::text::fromFileSystemPath(entryFileSystemPath(fileKey(key), nullptr));
}

bool PersistentCacheStore::put(QByteArrayView key, QByteArrayView data)
{
    if (key.isEmpty() || !m_usable || quint64(data.size()) > 0xffffffffULL)
        return false;
    const QByteArray name = fileKey(key);
    QByteArray bucket;
    const QByteArray path = entryFileSystemPath(name, &bucket);
    // Written beside the entry and renamed over it, so a reader (in this or
    // another process) sees the old entry or the new one, never half of one.
    // '#' never occurs in a file key, so the name cannot be another entry's.
    const QByteArray temporary = path + "#" + QByteArray::number(qint64(::getpid()));

    const int openFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    int fd = ::open(temporary.constData(), openFlags, 0644);
    if (fd < 0) {
        if (!tagmint::fs::makeFolders(bucket))
            return false;
        fd = ::open(temporary.constData(), openFlags, 0644);
        if (fd < 0)
            return false;
    }
    FileDescriptor file(fd);

    char header[kHeaderSize];
    const quint32 fields[3] = {kMagic, currentTime(), quint32(data.size())};
    std::memcpy(header, fields, sizeof header);
    const bool written = writeFully(fd, header, sizeof header)
        && (data.isEmpty() || writeFully(fd, data.data(), size_t(data.size())));
    if (!file.close() || !written || ::rename(temporary.constData(), path.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    m_buckets->add(bucketOf(name));
    return true;
}

bool PersistentCacheStore::putBatch(const std::vector<std::pair<QByteArray, QByteArray>>& entries)
{
    if (!m_usable || entries.empty())
        return false;
    std::vector<std::pair<QByteArray, QByteArray>> named;
    named.reserve(entries.size());
    for (const auto& [key, data] : entries) {
        if (key.isEmpty())
            return false;
        named.emplace_back(fileKey(key), data);
    }
    return m_batches->put(named, currentTime());
}

namespace {

enum class EntryFile { Absent, HeaderOnly, Complete };

// The entry file's header time and data; HeaderOnly when the data is cut
// short or longer than the file could hold.
EntryFile readEntryFile(const QByteArray& path, quint32* time, QByteArray* data)
{
    FileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return EntryFile::Absent;
    struct stat info;
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return EntryFile::Absent;
    quint32 header[3];
    if (!readFully(file.get(), reinterpret_cast<char*>(header), sizeof header)
        || header[0] != PersistentCacheStore::kMagic)
        return EntryFile::Absent;
    *time = header[1];
    const quint32 length = header[2];
    // A damaged length must not make us allocate gigabytes: it cannot be
    // more than the file holds.
    if (quint64(info.st_size) < quint64(PersistentCacheStore::kHeaderSize) + length)
        return EntryFile::HeaderOnly;
    data->resize(qsizetype(length));
    if (length > 0 && !readFully(file.get(), data->data(), length))
        return EntryFile::HeaderOnly;
    return EntryFile::Complete;
}

} // namespace

PersistentCacheStore::Lookup PersistentCacheStore::get(QByteArrayView key, QByteArray* data,
                                                       quint32* writtenAt) const
{
    if (key.isEmpty() || !m_usable)
        return Absent;
    const QByteArray name = fileKey(key);
    quint32 time = 0;
    QByteArray bytes;
    const EntryFile file = m_buckets->mayExist(bucketOf(name))
        ? readEntryFile(entryFileSystemPath(name, nullptr), &time, &bytes)
        : EntryFile::Absent;
    if (const std::optional<CacheBatchFiles::Entry> batched = m_batches->get(name);
        batched && (file != EntryFile::Complete || batched->writtenAt >= time)) {
        time = batched->writtenAt;
        bytes = batched->data;
    } else if (file == EntryFile::Absent) {
        return Absent;
    } else if (file == EntryFile::HeaderOnly) {
        if (writtenAt)
            *writtenAt = time;
        return Absent;
    }
    if (writtenAt)
        *writtenAt = time;
    if (data)
        *data = std::move(bytes);
    const qint64 age = qint64(currentTime()) - qint64(time);
    return m_lifetime == 0 || age < qint64(m_lifetime) ? Fresh : Expired;
}
