#include "tags/OggPageWalker.h"

#include <QtEndian>

#include <array>

namespace tagmint::tags::ogg {

namespace {

constexpr qint64 kHeaderSize = 27;   // up to and including the segment count
constexpr int kChecksumOffset = 22;
constexpr quint8 kFirstPage = 0x02;
constexpr quint8 kLastPage = 0x04;

const std::array<quint32, 256>& checksumTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> entries{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 value = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 0x80000000u) ? (value << 1) ^ 0x04C11DB7u : value << 1;
            entries[i] = value;
        }
        return entries;
    }();
    return table;
}

QString pageProblem(qint64 number, const QString& what)
{
    return QStringLiteral("Ogg page %1 %2").arg(number + 1).arg(what);
}

} // namespace

quint32 oggChecksum(const QByteArray& bytes)
{
    const std::array<quint32, 256>& table = checksumTable();
    quint32 crc = 0;
    for (const char byte : bytes)
        crc = (crc << 8) ^ table[((crc >> 24) ^ quint8(byte)) & 0xFF];
    return crc;
}

StructureVerdict checkOgg(QIODevice& device)
{
    if (device.isSequential())
        return {QStringLiteral("not a seekable file")};
    const qint64 fileSize = device.size();
    if (!device.seek(0))
        return {QStringLiteral("the file cannot be read")};

    qint64 position = 0;
    qint64 pageNumber = 0;
    quint32 serial = 0;
    bool closed = false;
    while (position < fileSize) {
        if (closed)
            return {QStringLiteral("the Ogg stream is followed by another stream or other data")};
        QByteArray page = device.read(kHeaderSize);
        if (page.size() < kHeaderSize)
            return {pageProblem(pageNumber, QStringLiteral("is cut off"))};
        if (!page.startsWith("OggS") || page[4] != 0)
            return {pageProblem(pageNumber, QStringLiteral("has no valid page header"))};
        const int segments = quint8(page[26]);
        page += device.read(segments);
        if (page.size() < kHeaderSize + segments)
            return {pageProblem(pageNumber, QStringLiteral("is cut off"))};
        qint64 bodySize = 0;
        for (int i = 0; i < segments; ++i)
            bodySize += quint8(page[kHeaderSize + i]);
        page += device.read(bodySize);
        if (page.size() < kHeaderSize + segments + bodySize)
            return {pageProblem(pageNumber, QStringLiteral("is cut off"))};

        const auto* header = reinterpret_cast<const uchar*>(page.constData());
        const quint8 flags = header[5];
        const quint32 pageSerial = qFromLittleEndian<quint32>(header + 14);
        const quint32 sequence = qFromLittleEndian<quint32>(header + 18);
        const quint32 storedChecksum = qFromLittleEndian<quint32>(header + kChecksumOffset);
        if (pageNumber == 0) {
            if (!(flags & kFirstPage))
                return {pageProblem(pageNumber, QStringLiteral("does not open a stream"))};
            serial = pageSerial;
        } else if (pageSerial != serial || (flags & kFirstPage)) {
            return {QStringLiteral("the file holds more than one Ogg stream")};
        }
        if (sequence != quint32(pageNumber))
            return {pageProblem(pageNumber, QStringLiteral("is out of sequence"))};
        page.replace(kChecksumOffset, 4, QByteArray(4, '\0'));
        if (oggChecksum(page) != storedChecksum)
            return {pageProblem(pageNumber, QStringLiteral("has a wrong checksum"))};

        closed = flags & kLastPage;
        position += page.size();
        ++pageNumber;
    }
    if (pageNumber == 0)
        return {QStringLiteral("the file is empty")};
    if (!closed)
        return {QStringLiteral("the Ogg stream is cut off (its last page is missing)")};
    return {};
}

StructureVerdict checkOggFile(const QString& path)
{
    return checkFileWith(path, &checkOgg);
}

} // namespace tagmint::tags::ogg
