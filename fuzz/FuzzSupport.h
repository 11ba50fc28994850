#pragma once
// What the fuzz targets share: the entry function of each target, how a
// target reports a broken promise, and TagLib saving an input in memory.

#include "tags/ChunkWalk.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <taglib/tbytevectorstream.h>

#include <cstddef>
#include <cstdint>
#include <optional>

// One input through one target. A broken promise aborts.
void fuzzMp4Atoms(const uint8_t* data, size_t size);
void fuzzAiffChunks(const uint8_t* data, size_t size);
void fuzzRiffChunks(const uint8_t* data, size_t size);
void fuzzMpegFrames(const uint8_t* data, size_t size);
void fuzzCacheEntries(const uint8_t* data, size_t size);
void fuzzOggPages(const uint8_t* data, size_t size);
void fuzzApeTags(const uint8_t* data, size_t size);
void fuzzAsfObjects(const uint8_t* data, size_t size);

// libFuzzer's entry point, in the builds with libFuzzer only; the test
// suite's corpus run calls the entry functions itself.
#ifdef TAGMINT_LIBFUZZER
#define TAGMINT_FUZZ_TARGET(entry)                                            \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) \
    {                                                                         \
        entry(data, size);                                                    \
        return 0;                                                             \
    }
#else
#define TAGMINT_FUZZ_TARGET(entry)
#endif

namespace tagmint::fuzz {

// Aborts with the promise and the detail when `holds` is false: libFuzzer
// keeps the input as a crash, the corpus run fails.
void expect(bool holds, const char* promise, const QString& detail = QString());

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A read-only device over bytes, for the structure walks.
class ByteDevice {
public:
    explicit ByteDevice(const QByteArray& bytes) : m_bytes(bytes), m_buffer(&m_bytes)
    {
        m_buffer.open(QIODevice::ReadOnly);
    }
    QIODevice& device() { return m_buffer; }

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
};

// Rewrites one file of a private temporary folder with the bytes and
// returns its path, for code that reads paths.
QString scratchFile(const QByteArray& bytes, const QString& name);

// The payload of the first chunk with the id; null when there is none.
QByteArray chunkPayload(const QByteArray& file, const char* container, tags::chunks::ByteOrder order,
                        const char* id);

// A title long enough that no file has room for it: TagLib must move what
// follows the tag.
QString growingTitle();

// A save may add the new tag and some padding, never more.
constexpr qsizetype kSaveGrowthBound = 64 * 1024;

// Opens the bytes with TagLib's File class in memory, lets `edit` change
// and save them, and returns the bytes after the save; nullopt when TagLib
// refuses the file or the save.
template <class File, class Edit>
std::optional<QByteArray> savedByTagLib(const QByteArray& bytes, Edit edit)
{
    try {
        TagLib::ByteVector vector(bytes.constData(), static_cast<unsigned int>(bytes.size()));
        TagLib::ByteVectorStream stream(vector);
        File file(&stream, false);
        if (!file.isValid() || !edit(file))
            return std::nullopt;
        const TagLib::ByteVector* saved = stream.data();
        return QByteArray(saved->data(), qsizetype(saved->size()));
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace tagmint::fuzz
