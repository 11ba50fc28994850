#include "settings/CacheBatchFiles.h"

#include "settings/PersistentCacheStore.h"
#include "util/FileSystem.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kBatchMagic[4] = {'Q', 'Z', 'C', 'B'};
constexpr quint32 kBatchVersion = 1;
constexpr int kBatchHeaderSize = 8;
// File keys are shorter than 64 bytes; anything longer is damage.
constexpr quint32 kMaxFileKeyLength = 255;

void appendNumber(QByteArray& bytes, quint32 value)
{
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

quint32 numberAt(const QByteArray& bytes, qsizetype offset)
{
    quint32 value;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

// Calls visit(fileKey, offset of the data, length, writtenAt) for each whole
// entry of a batch file's bytes, in order; stops at the first damaged one.
template <typename Visit>
void forEachEntry(const QByteArray& bytes, Visit&& visit)
{
    if (bytes.size() < kBatchHeaderSize || !bytes.startsWith(QByteArrayView(kBatchMagic, 4))
        || numberAt(bytes, 4) != kBatchVersion)
        return;
    qsizetype pos = kBatchHeaderSize;
    while (bytes.size() - pos >= 4) {
        const quint32 keyLength = numberAt(bytes, pos);
        pos += 4;
        if (keyLength == 0 || keyLength > kMaxFileKeyLength
            || bytes.size() - pos < qsizetype(keyLength) + PersistentCacheStore::kHeaderSize)
            return;
        const QByteArray key = bytes.mid(pos, keyLength);
        pos += keyLength;
        const quint32 magic = numberAt(bytes, pos);
        const quint32 writtenAt = numberAt(bytes, pos + 4);
        const quint32 length = numberAt(bytes, pos + 8);
        pos += PersistentCacheStore::kHeaderSize;
        if (magic != PersistentCacheStore::kMagic || bytes.size() - pos < qint64(length))
            return;
        visit(key, pos, length, writtenAt);
        pos += length;
    }
}

QByteArray readWholeFile(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return QByteArray();
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

bool writeFully(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray batchHeader()
{
    QByteArray bytes(kBatchMagic, 4);
    appendNumber(bytes, kBatchVersion);
    return bytes;
}

void appendEntry(QByteArray& bytes, const QByteArray& fileKey, quint32 writtenAt, QByteArrayView data)
{
    appendNumber(bytes, quint32(fileKey.size()));
    bytes.append(fileKey);
    appendNumber(bytes, PersistentCacheStore::kMagic);
    appendNumber(bytes, writtenAt);
    appendNumber(bytes, quint32(data.size()));
    bytes.append(data);
}

} // namespace

CacheBatchFiles::CacheBatchFiles(const QByteArray& storeDirectory) : m_folder(storeDirectory + "/batches") {}

CacheBatchFiles::~CacheBatchFiles()
{
    for (const BatchFile& file : m_files)
        ::close(file.fd);
}

void CacheBatchFiles::loadIndex()
{
    if (m_indexed)
        return;
    m_indexed = true;
    DIR* dir = ::opendir(m_folder.constData());
    if (!dir)
        return;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        // Hidden names are batches being written.
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names)
        indexFile(m_folder + '/' + name);
}

void CacheBatchFiles::indexFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    addToIndex(path, fd, readWholeFile(fd));
}

void CacheBatchFiles::addToIndex(const QByteArray& path, int fd, const QByteArray& bytes)
{
    const int file = int(m_files.size());
    m_files.push_back({path, fd});
    forEachEntry(bytes, [&](const QByteArray& key, qsizetype offset, quint32 length, quint32 writtenAt) {
        Location& location = m_index[key];
        if (location.file < 0 || writtenAt >= location.writtenAt)
            location = Location{file, offset, length, writtenAt};
    });
}

QByteArray CacheBatchFiles::readData(const Location& location) const
{
    QByteArray data(qsizetype(location.length), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(m_files[size_t(location.file)].fd, data.data() + done,
                                  size_t(data.size() - done), location.offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QByteArray();
        done += n;
    }
    return data;
}

std::optional<CacheBatchFiles::Entry> CacheBatchFiles::get(QByteArrayView fileKey)
{
    QMutexLocker locker(&m_mutex);
    loadIndex();
    const auto found = m_index.constFind(fileKey.toByteArray());
    if (found == m_index.constEnd())
        return std::nullopt;
    QByteArray data = readData(*found);
    if (data.size() != qsizetype(found->length))
        return std::nullopt;
    return Entry{found->writtenAt, std::move(data)};
}

bool CacheBatchFiles::writeBatchFile(const QByteArray& bytes, QByteArray* path, int* fd)
{
    if (!tagmint::fs::makeFolders(m_folder))
        return false;
    // Unique among processes and among this store's batches; sorted by time.
    const QByteArray name = QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '-'
        + QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(++m_written)
        + '-' + QByteArray::number(quintptr(this), 16);
    const QByteArray hidden = m_folder + "/." + name;
    *path = m_folder + '/' + name;
    const int out = ::open(hidden.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0)
        return false;
    if (!writeFully(out, bytes) || ::rename(hidden.constData(), path->constData()) != 0) {
        ::close(out);
        ::unlink(hidden.constData());
        return false;
    }
    *fd = out;
    return true;
}

bool CacheBatchFiles::put(const std::vector<std::pair<QByteArray, QByteArray>>& entries, quint32 writtenAt)
{
    if (entries.empty())
        return true;
    QByteArray bytes = batchHeader();
    for (const auto& [fileKey, data] : entries) {
        if (fileKey.isEmpty() || quint32(fileKey.size()) > kMaxFileKeyLength
            || quint64(data.size()) > 0xffffffffULL)
            return false;
        appendEntry(bytes, fileKey, writtenAt, data);
    }

    QMutexLocker locker(&m_mutex);
    loadIndex();
    QByteArray path;
    int fd = -1;
    if (!writeBatchFile(bytes, &path, &fd))
        return false;
    addToIndex(path, fd, bytes);
    if (int(m_files.size()) > kMaxFiles)
        mergeFiles();
    return true;
}

void CacheBatchFiles::mergeFiles()
{
    QByteArray bytes = batchHeader();
    for (auto it = m_index.cbegin(); it != m_index.cend(); ++it) {
        const QByteArray data = readData(*it);
        if (data.size() != qsizetype(it->length))
            continue;
        appendEntry(bytes, it.key(), it->writtenAt, data);
    }
    QByteArray path;
    int fd = -1;
    if (!writeBatchFile(bytes, &path, &fd))
        return;   // the separate batches stay; merged next time
    // Processes that indexed the old files keep reading them through their
    // open descriptors.
    for (const BatchFile& file : m_files) {
        ::unlink(file.path.constData());
        ::close(file.fd);
    }
    m_files.clear();
    m_index.clear();
    addToIndex(path, fd, bytes);
}
