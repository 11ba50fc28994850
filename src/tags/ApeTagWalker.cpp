#include "tags/ApeTagWalker.h"

#include "tags/WindowedFile.h"

#include <QtEndian>

namespace tagmint::tags::ape {

namespace {

constexpr qint64 kFooterSize = 32;
constexpr qint64 kID3v1Size = 128;
constexpr qint64 kItemHeaderSize = 8;   // value size, flags
constexpr qint64 kMaxKeySize = 255;
constexpr quint32 kHasHeader = 0x80000000u;
constexpr quint32 kItemKindMask = 0x6;   // text, binary, locator (text)
constexpr quint32 kBinaryItem = 0x2;

quint32 littleEndian32(const QByteArray& bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

QString itemsProblem(const QByteArray& items, quint32 declaredCount)
{
    qsizetype position = 0;
    quint32 count = 0;
    while (position < items.size()) {
        if (items.size() - position < kItemHeaderSize + 2)
            return QStringLiteral("an APE tag item runs past the end of the tag");
        const quint32 valueSize = littleEndian32(items, position);
        qsizetype keyEnd = position + kItemHeaderSize;
        while (keyEnd < items.size() && items[keyEnd] != '\0')
            ++keyEnd;
        const qsizetype keySize = keyEnd - position - kItemHeaderSize;
        if (keyEnd == items.size() || keySize < 2 || keySize > kMaxKeySize)
            return QStringLiteral("an APE tag item has no valid key");
        for (qsizetype i = position + kItemHeaderSize; i < keyEnd; ++i) {
            if (quint8(items[i]) < 0x20 || quint8(items[i]) > 0x7E)
                return QStringLiteral("an APE tag item has no valid key");
        }
        if (qint64(valueSize) > items.size() - (keyEnd + 1))
            return QStringLiteral("an APE tag item runs past the end of the tag");
        // TagLib reads text as UTF-8 and would drop any other text on save.
        const quint32 flags = littleEndian32(items, position + 4);
        if ((flags & kItemKindMask) != kBinaryItem
            && !items.mid(keyEnd + 1, qsizetype(valueSize)).isValidUtf8())
            return QStringLiteral("an APE tag item's text is not UTF-8");
        position = keyEnd + 1 + valueSize;
        ++count;
    }
    if (count != declaredCount)
        return QStringLiteral("the APE tag holds %1 items, not the %2 it states").arg(count).arg(declaredCount);
    return QString();
}

} // namespace

StructureVerdict checkApe(QIODevice& device, Layout* layout)
{
    if (device.isSequential())
        return {QStringLiteral("not a seekable file")};
    const qint64 fileSize = device.size();
    const qint64 start = offsetAfterID3v2Tag(device);
    if (!device.seek(start))
        return {QStringLiteral("the file is cut off")};
    const QByteArray marker = device.read(4);
    Container container = Container::WavPack;
    if (marker == "MAC ")
        container = Container::MonkeysAudio;
    else if (marker == "MPCK" || marker.startsWith("MP+"))
        container = Container::Musepack;
    else if (marker != "wvpk")
        return {QStringLiteral("no WavPack, Monkey's Audio or Musepack stream")};
    const auto done = [&](qint64 audioEnd) {
        if (layout)
            *layout = {container, {start, audioEnd - start}};
        return StructureVerdict{};
    };

    // "TAG" 128 bytes from the end is an ID3v1 tag, unless it is the middle
    // of an APE footer's "APETAGEX" (as TagLib tells them apart).
    qint64 tagEnd = fileSize;
    if (fileSize >= kID3v1Size + 3 && device.seek(fileSize - kID3v1Size - 3)) {
        const QByteArray id3v1 = device.read(8);
        if (id3v1.mid(3, 3) == "TAG" && id3v1 != "APETAGEX")
            tagEnd -= kID3v1Size;
    }
    if (tagEnd - kFooterSize < start || !device.seek(tagEnd - kFooterSize))
        return done(tagEnd);
    const QByteArray footer = device.read(kFooterSize);
    if (!footer.startsWith("APETAGEX"))
        return done(tagEnd);

    const quint32 size = littleEndian32(footer, 12);
    const quint32 count = littleEndian32(footer, 16);
    const quint32 flags = littleEndian32(footer, 20);
    const qint64 headerSize = (flags & kHasHeader) ? kFooterSize : 0;
    const qint64 tagStart = tagEnd - qint64(size) - headerSize;
    if (size < kFooterSize || tagStart < start + 4)
        return {QStringLiteral("the APE tag states a size larger than the file")};
    if (headerSize && (!device.seek(tagStart) || !device.read(kFooterSize).startsWith("APETAGEX")))
        return {QStringLiteral("the APE tag's header is not where its footer says")};
    if (!device.seek(tagStart + headerSize))
        return {QStringLiteral("the file cannot be read")};
    const QByteArray items = device.read(size - kFooterSize);
    if (items.size() != qsizetype(size - kFooterSize))
        return {QStringLiteral("the file cannot be read")};
    if (const QString problem = itemsProblem(items, count); !problem.isEmpty())
        return {problem};
    return done(tagStart);
}

StructureVerdict checkApeFile(const QString& path, Layout* layout)
{
    WindowedFile file(path);
    if (!file.open())
        return {file.errorString()};
    return checkApe(file, layout);
}

} // namespace tagmint::tags::ape
