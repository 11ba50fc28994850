#include "tags/AsfObjectWalker.h"

#include "tags/WindowedFile.h"

#include <QList>
#include <QtEndian>

namespace tagmint::tags::asf {

namespace {

constexpr qint64 kObjectHeaderSize = 24;        // GUID, 64-bit size
constexpr qint64 kHeaderObjectFields = 6;       // child count, two reserved bytes
constexpr qint64 kExtensionFields = 22;         // reserved GUID and word, data size
// GUIDs as stored: the first three fields little-endian.
const QByteArray kHeaderObject = QByteArray::fromHex("3026b2758e66cf11a6d900aa0062ce6c");
const QByteArray kHeaderExtension = QByteArray::fromHex("b503bf5f2ea9cf118ee300c00c205365");

struct Object {
    QByteArray guid;
    qint64 offset = 0;
    qint64 size = 0;
};

// The object at position; false when its header is cut off or its size is
// smaller than a header or runs past end.
bool readObject(QIODevice& device, qint64 position, qint64 end, Object& object)
{
    if (end - position < kObjectHeaderSize || !device.seek(position))
        return false;
    const QByteArray header = device.read(kObjectHeaderSize);
    if (header.size() != kObjectHeaderSize)
        return false;
    const quint64 size = qFromLittleEndian<quint64>(header.constData() + 16);
    if (size < quint64(kObjectHeaderSize) || size > quint64(end - position))
        return false;
    object = {header.left(16), position, qint64(size)};
    return true;
}

// Walks the objects from begin to end; they must fill it exactly. Answers
// how many there are, or -1.
qint64 walkObjects(QIODevice& device, qint64 begin, qint64 end, QList<Object>* found)
{
    qint64 count = 0;
    for (qint64 position = begin; position < end; ++count) {
        Object object;
        if (!readObject(device, position, end, object))
            return -1;
        if (found)
            found->append(object);
        position += object.size;
    }
    return count;
}

} // namespace

StructureVerdict checkAsf(QIODevice& device, ByteRange* audio)
{
    if (device.isSequential())
        return {QStringLiteral("not a seekable file")};
    const qint64 fileSize = device.size();
    Object header;
    if (!readObject(device, 0, fileSize, header) || header.guid != kHeaderObject
        || header.size < kObjectHeaderSize + kHeaderObjectFields)
        return {QStringLiteral("no valid ASF header object")};
    const QByteArray fields = device.read(kHeaderObjectFields);
    if (fields.size() != kHeaderObjectFields)
        return {QStringLiteral("no valid ASF header object")};
    const quint32 declaredChildren = qFromLittleEndian<quint32>(fields.constData());

    QList<Object> children;
    const qint64 childrenStart = kObjectHeaderSize + kHeaderObjectFields;
    if (walkObjects(device, childrenStart, header.size, &children) != qint64(declaredChildren))
        return {QStringLiteral("the objects of the ASF header do not match their sizes or count")};
    for (const Object& child : children) {
        if (child.guid != kHeaderExtension)
            continue;
        const qint64 dataStart = child.offset + kObjectHeaderSize + kExtensionFields;
        if (child.size < kObjectHeaderSize + kExtensionFields || !device.seek(dataStart - 4))
            return {QStringLiteral("the ASF header extension is cut off")};
        const QByteArray dataSize = device.read(4);
        if (dataSize.size() != 4
            || qFromLittleEndian<quint32>(dataSize.constData()) != quint64(child.size - kObjectHeaderSize - kExtensionFields)
            || walkObjects(device, dataStart, child.offset + child.size, nullptr) < 0)
            return {QStringLiteral("the objects of the ASF header extension do not match their sizes")};
    }

    if (walkObjects(device, header.size, fileSize, nullptr) < 1)
        return {QStringLiteral("the ASF objects after the header do not match their sizes")};
    if (audio)
        *audio = {header.size, fileSize - header.size};
    return {};
}

StructureVerdict checkAsfFile(const QString& path, ByteRange* audio)
{
    WindowedFile file(path);
    if (!file.open())
        return {file.errorString()};
    return checkAsf(file, audio);
}

} // namespace tagmint::tags::asf
