#include "tags/OggPageWalker.h"

#include "tags/WindowedFile.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <array>

namespace tagmint::tags::ogg {

namespace {

constexpr qint64 kHeaderSize = 27;   // up to and including the segment count
constexpr int kChecksumOffset = 22;
constexpr quint8 kFirstPage = 0x02;
constexpr quint8 kLastPage = 0x04;
constexpr int kHeaderPackets = 2;

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

struct Page {
    QByteArray bytes;   // header, lacing values, body
    int segments = 0;

    quint8 flags() const { return quint8(bytes[5]); }
    const uchar* header() const { return reinterpret_cast<const uchar*>(bytes.constData()); }
    qint64 granule() const { return qFromLittleEndian<qint64>(header() + 6); }
    quint32 serial() const { return qFromLittleEndian<quint32>(header() + 14); }
    quint32 sequence() const { return qFromLittleEndian<quint32>(header() + 18); }
    quint32 checksum() const { return qFromLittleEndian<quint32>(header() + kChecksumOffset); }
    quint8 lacing(int segment) const { return quint8(bytes[kHeaderSize + segment]); }
    qint64 bodyStart() const { return kHeaderSize + segments; }
};

enum class PageRead { Whole, CutOff, NoHeader };

PageRead readPage(const ReadAt& read, qint64 position, Page& page)
{
    page.bytes = read(position, kHeaderSize);
    if (page.bytes.size() < kHeaderSize)
        return PageRead::CutOff;
    if (!page.bytes.startsWith("OggS") || page.bytes[4] != 0)
        return PageRead::NoHeader;
    page.segments = quint8(page.bytes[26]);
    page.bytes += read(position + kHeaderSize, page.segments);
    if (page.bytes.size() < page.bodyStart())
        return PageRead::CutOff;
    qint64 bodySize = 0;
    for (int i = 0; i < page.segments; ++i)
        bodySize += page.lacing(i);
    page.bytes += read(position + page.bodyStart(), bodySize);
    return page.bytes.size() < page.bodyStart() + bodySize ? PageRead::CutOff : PageRead::Whole;
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

StructureVerdict checkOgg(QIODevice& device, QByteArray* firstPacket)
{
    if (device.isSequential())
        return {QStringLiteral("not a seekable file")};
    const qint64 fileSize = device.size();
    const ReadAt read = [&](qint64 offset, qint64 length) {
        return device.seek(offset) ? device.read(length) : QByteArray();
    };

    qint64 position = 0;
    qint64 pageNumber = 0;
    quint32 serial = 0;
    bool closed = false;
    Page page;
    while (position < fileSize) {
        if (closed)
            return {QStringLiteral("the Ogg stream is followed by another stream or other data")};
        switch (readPage(read, position, page)) {
        case PageRead::CutOff: return {pageProblem(pageNumber, QStringLiteral("is cut off"))};
        case PageRead::NoHeader: return {pageProblem(pageNumber, QStringLiteral("has no valid page header"))};
        case PageRead::Whole: break;
        }
        if (pageNumber == 0) {
            if (!(page.flags() & kFirstPage))
                return {pageProblem(pageNumber, QStringLiteral("does not open a stream"))};
            serial = page.serial();
            if (firstPacket)
                *firstPacket = page.bytes.mid(page.bodyStart(), 8);
        } else if (page.serial() != serial || (page.flags() & kFirstPage)) {
            return {QStringLiteral("the file holds more than one Ogg stream")};
        }
        if (page.sequence() != quint32(pageNumber))
            return {pageProblem(pageNumber, QStringLiteral("is out of sequence"))};
        const quint32 stored = page.checksum();
        page.bytes.replace(kChecksumOffset, 4, QByteArray(4, '\0'));
        if (oggChecksum(page.bytes) != stored)
            return {pageProblem(pageNumber, QStringLiteral("has a wrong checksum"))};

        closed = page.flags() & kLastPage;
        position += page.bytes.size();
        ++pageNumber;
    }
    if (pageNumber == 0)
        return {QStringLiteral("the file is empty")};
    if (!closed)
        return {QStringLiteral("the Ogg stream is cut off (its last page is missing)")};
    return {};
}

StructureVerdict checkOggFile(const QString& path, QByteArray* firstPacket)
{
    WindowedFile file(path);
    if (!file.open())
        return {file.errorString()};
    return checkOgg(file, firstPacket);
}

std::optional<QByteArray> audioPacketDigest(const ReadAt& read, qint64 size)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    int packet = 0;
    qint64 packetSize = 0;
    Page page;
    for (qint64 position = 0; position < size; position += page.bytes.size()) {
        if (readPage(read, position, page) != PageRead::Whole)
            return std::nullopt;
        // Header pages have a granule position of 0 (or -1, no packet ends
        // there), however TagLib splits them; audio pages keep theirs.
        if (page.granule() > 0) {
            const qint64 granule = qToLittleEndian(page.granule());
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(&granule), sizeof granule));
        }
        qint64 offset = page.bodyStart();
        for (int i = 0; i < page.segments; ++i) {
            const quint8 lacing = page.lacing(i);
            if (packet >= kHeaderPackets)
                hash.addData(QByteArrayView(page.bytes).sliced(offset, lacing));
            offset += lacing;
            packetSize += lacing;
            if (lacing < 255) {
                if (packet >= kHeaderPackets) {
                    const qint64 boundary = qToLittleEndian(packetSize);
                    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&boundary), sizeof boundary));
                }
                ++packet;
                packetSize = 0;
            }
        }
    }
    return hash.result();
}

} // namespace tagmint::tags::ogg
