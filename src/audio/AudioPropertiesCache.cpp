#include "audio/AudioPropertiesCache.h"

#include "audio/AudioProbe.h"
#include "audio/QZAudioReader.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace tagmint::audio {

namespace {

constexpr char kEntryMagic[4] = {'Q', 'Z', 'A', 'P'};
constexpr quint8 kEntryVersion = 1;

class Writer {
public:
    template <typename T>
    void number(T value)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, sizeof bytes);
    }
    void text(const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        number(quint32(utf8.size()));
        m_bytes.append(utf8);
    }
    void raw(const char* data, qsizetype size) { m_bytes.append(data, size); }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

class Reader {
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}
    template <typename T>
    bool number(T* value)
    {
        if (m_bytes.size() - m_position < qsizetype(sizeof(T)))
            return false;
        *value = qFromLittleEndian<T>(m_bytes.data() + m_position);
        m_position += sizeof(T);
        return true;
    }
    bool text(QString* value)
    {
        quint32 length = 0;
        if (!number(&length) || m_bytes.size() - m_position < qsizetype(length))
            return false;
        *value = QString::fromUtf8(m_bytes.data() + m_position, qsizetype(length));
        m_position += length;
        return true;
    }
    bool expect(QByteArrayView raw)
    {
        if (!m_bytes.sliced(m_position).startsWith(raw))
            return false;
        m_position += raw.size();
        return true;
    }
    bool atEnd() const { return m_position == m_bytes.size(); }

private:
    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

enum class FileState { Missing, Unreadable, Present };

FileState statFile(const QByteArray& path, quint64* size, quint64* modificationTime)
{
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Unreadable;
    *size = quint64(info.st_size);
    *modificationTime = quint64(info.st_mtim.tv_sec) * 1'000'000'000ULL + quint64(info.st_mtim.tv_nsec);
    return FileState::Present;
}

} // namespace

// Writes queued entries into the store on a thread of its own, started with
// the first entry, many at a time: a batch once enough have gathered or the
// oldest has waited a while. Flushing and stopping write what is queued.
class AudioPropertiesCache::StoreWriter {
public:
    static constexpr size_t kBatchSize = 1000;
    static constexpr auto kLongestWait = std::chrono::seconds(3);

    explicit StoreWriter(PersistentCacheStore& store) : m_store(store) {}

    ~StoreWriter()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void enqueue(QByteArray key, QByteArray bytes)
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.empty())
            m_oldest = std::chrono::steady_clock::now();
        m_queue.emplace_back(std::move(key), std::move(bytes));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        if (m_queue.size() >= kBatchSize)
            m_wake.notify_one();
    }

    void flush()
    {
        std::unique_lock lock(m_mutex);
        ++m_flushes;
        m_wake.notify_one();
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_writing; });
    }

private:
    bool batchIsDue() const
    {
        return m_stopping || m_flushes > 0 || m_queue.size() >= kBatchSize
            || (!m_queue.empty() && std::chrono::steady_clock::now() - m_oldest >= kLongestWait);
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait_for(lock, kLongestWait, [this] { return batchIsDue(); });
            if (m_queue.empty()) {
                m_flushes = 0;
                m_idle.notify_all();
                if (m_stopping)
                    return;
                continue;
            }
            if (!batchIsDue())
                continue;
            std::vector<std::pair<QByteArray, QByteArray>> batch = std::move(m_queue);
            m_queue.clear();
            m_writing = true;
            lock.unlock();
            m_store.putBatch(batch);
            lock.lock();
            m_writing = false;
        }
    }

    PersistentCacheStore& m_store;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::vector<std::pair<QByteArray, QByteArray>> m_queue;
    std::chrono::steady_clock::time_point m_oldest;
    std::thread m_thread;
    int m_flushes = 0;
    bool m_writing = false;
    bool m_stopping = false;
};

AudioPropertiesCache::AudioPropertiesCache(const QString& cacheRoot, int memoryLimit, FileReader reader)
    : m_reader(reader ? std::move(reader) : FileReader(readAudioProperties)),
      m_store(QString::fromLatin1(kStoreName), kLifetimeSeconds, 0, cacheRoot),
      m_writer(std::make_unique<StoreWriter>(m_store)),
      m_memoryLimit(std::max(memoryLimit, 1))
{
}

AudioPropertiesCache::~AudioPropertiesCache()
{
    m_writer.reset();  // writes what is still queued
}

void AudioPropertiesCache::flush()
{
    m_writer->flush();
}

AudioPropertiesCache& AudioPropertiesCache::shared()
{
    static AudioPropertiesCache cache;
    return cache;
}

int AudioPropertiesCache::memoryEntryCount() const
{
    QMutexLocker locker(&m_mutex);
    return int(m_entries.size());
}

quint64 AudioPropertiesCache::filesRead() const
{
    QMutexLocker locker(&m_mutex);
    return m_filesRead;
}

void AudioPropertiesCache::trimMemory()
{
    if (m_entries.size() <= m_memoryLimit)
        return;
    // Keep the most recently used half.
    std::vector<quint64> stamps;
    stamps.reserve(size_t(m_entries.size()));
    for (const Entry& entry : std::as_const(m_entries))
        stamps.push_back(entry.stamp);
    const size_t keep = stamps.size() / 2;
    std::nth_element(stamps.begin(), stamps.begin() + qsizetype(keep - 1), stamps.end(), std::greater<>());
    const quint64 oldestKept = stamps[keep - 1];
    m_entries.removeIf([oldestKept](const auto& item) { return item.value().stamp < oldestKept; });
}

void AudioPropertiesCache::remember(const QByteArray& key, const QZAudioProperties& properties)
{
    Entry& entry = m_entries[key];
    entry.properties = properties;
    entry.stamp = ++m_clock;
}

std::optional<QZAudioProperties> AudioPropertiesCache::lookUp(const QByteArray& key, quint64 size,
                                                              quint64 modificationTime)
{
    const auto usable = [&](const Entry& entry) -> std::optional<QZAudioProperties> {
        if (entry.properties.fileSize == size && entry.properties.modificationTime == modificationTime)
            return entry.properties;
        return std::nullopt;
    };
    {
        QMutexLocker locker(&m_mutex);
        trimMemory();
        if (const auto found = m_entries.find(key); found != m_entries.end()) {
            found->stamp = ++m_clock;
            return usable(*found);
        }
    }
    // The store guards itself: other probes go on meanwhile.
    QByteArray bytes;
    if (m_store.get(key, &bytes) != PersistentCacheStore::Fresh)
        return std::nullopt;
    const std::optional<QZAudioProperties> stored = deserialise(bytes);
    if (!stored)
        return std::nullopt;
    QMutexLocker locker(&m_mutex);
    // A probe of the same file that finished meanwhile knows better.
    auto found = m_entries.find(key);
    if (found == m_entries.end())
        found = m_entries.insert(key, Entry{*stored, 0});
    found->stamp = ++m_clock;
    return usable(*found);
}

bool AudioPropertiesCache::probe(const QByteArray& fileSystemPath, QZAudioProperties* properties)
{
    *properties = QZAudioProperties();

    quint64 size = 0;
    quint64 modificationTime = 0;
    switch (statFile(fileSystemPath, &size, &modificationTime)) {
    case FileState::Missing:
        return false;
    case FileState::Unreadable: {
        // Exists perhaps, but cannot even be looked at: nothing to cache.
        const QString unknown = QStringLiteral("Unknown (%1)").arg(readerErrorText(CouldNotOpenFile));
        properties->formatText = unknown;
        properties->codecText = unknown;
        return true;
    }
    case FileState::Present:
        break;
    }

    const QByteArray key = QCryptographicHash::hash(fileSystemPath, QCryptographicHash::Md5).toHex();
    if (std::optional<QZAudioProperties> known = lookUp(key, size, modificationTime)) {
        *properties = std::move(*known);
        return true;
    }

    // Read without the lock, so probes of different files do not wait on
    // each other. Two probes of one file both read it; either answer is right.
    properties->fileSize = size;
    properties->modificationTime = modificationTime;
    m_reader(fileSystemPath, properties);
    {
        QMutexLocker locker(&m_mutex);
        ++m_filesRead;
        remember(key, *properties);
    }
    if (m_store.isUsable())
        m_writer->enqueue(key, serialise(*properties));
    return true;
}

QByteArray AudioPropertiesCache::serialise(const QZAudioProperties& properties)
{
    Writer writer;
    writer.raw(kEntryMagic, sizeof kEntryMagic);
    writer.number(kEntryVersion);
    writer.number(properties.fileSize);
    writer.number(properties.modificationTime);
    writer.number(qint32(properties.sampleRate));
    writer.number(qint32(properties.bitrate));
    writer.number(qint32(properties.channels));
    writer.number(qint64(properties.durationMs));
    writer.text(properties.channelsText);
    writer.text(properties.formatText);
    writer.text(properties.codecText);
    return writer.take();
}

std::optional<QZAudioProperties> AudioPropertiesCache::deserialise(QByteArrayView bytes)
{
    Reader reader(bytes);
    QZAudioProperties properties;
    quint8 version = 0;
    qint32 sampleRate = 0;
    qint32 bitrate = 0;
    qint32 channels = 0;
    qint64 durationMs = 0;
    const bool complete = reader.expect(QByteArrayView(kEntryMagic, sizeof kEntryMagic))
        && reader.number(&version) && version == kEntryVersion
        && reader.number(&properties.fileSize) && reader.number(&properties.modificationTime)
        && reader.number(&sampleRate) && reader.number(&bitrate) && reader.number(&channels)
        && reader.number(&durationMs) && reader.text(&properties.channelsText)
        && reader.text(&properties.formatText) && reader.text(&properties.codecText) && reader.atEnd();
    if (!complete)
        return std::nullopt;
    properties.sampleRate = sampleRate;
    properties.bitrate = bitrate;
    properties.channels = channels;
    properties.durationMs = durationMs;
    return properties;
}

} // namespace tagmint::audio
