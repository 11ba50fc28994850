#include "tags/AsfObjectWalker.h"

#include "tags/WindowedFile.h"

#include <QBuffer>
#include <QList>
#include <QtEndian>

#include <optional>

namespace tagmint::tags::asf {

namespace {

constexpr qint64 kObjectHeaderSize = 24;        // GUID, 64-bit size
constexpr qint64 kHeaderObjectFields = 6;       // child count, two reserved bytes
constexpr qint64 kExtensionFields = 22;         // reserved GUID and word, data size
// GUIDs as stored: the first three fields little-endian.
const QByteArray kHeaderObject = QByteArray::fromHex("3026b2758e66cf11a6d900aa0062ce6c");
const QByteArray kHeaderExtension = QByteArray::fromHex("b503bf5f2ea9cf118ee300c00c205365");
const QByteArray kContentDescription = QByteArray::fromHex("3326b2758e66cf11a6d900aa0062ce6c");
const QByteArray kExtendedContentDescription = QByteArray::fromHex("40a4d0d207e3d21197f000a0c95ea850");
const QByteArray kMetadata = QByteArray::fromHex("eacbf8c5af5b77488467aa8c44fa4cca");
const QByteArray kMetadataLibrary = QByteArray::fromHex("941c23449894d149a1411d134e457054");
const QByteArray kPadding = QByteArray::fromHex("74d40618dfca0945a4ba9aabcb96aae8");

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

// Reads through an object's data the way TagLib parses it, never past its
// end.
class FieldReader {
public:
    FieldReader(QIODevice& device, const Object& object)
        : m_device(device), m_position(object.offset + kObjectHeaderSize), m_end(object.offset + object.size)
    {
    }

    // A little-endian number of `width` bytes; false past the end.
    bool number(int width, quint32& value)
    {
        char bytes[4] = {};
        if (!fits(width) || !m_device.seek(m_position) || m_device.read(bytes, width) != width)
            return false;
        value = qFromLittleEndian<quint32>(bytes);
        m_position += width;
        return true;
    }
    bool skip(qint64 length)
    {
        if (!fits(length))
            return false;
        m_position += length;
        return true;
    }
    bool atEnd() const { return m_position == m_end; }

private:
    bool fits(qint64 length) const { return length <= m_end - m_position; }

    QIODevice& m_device;
    qint64 m_position;
    qint64 m_end;
};

enum class AttributeKind { ExtendedContent, Metadata };

// The bytes TagLib reads for a value of `type` whose stated size is `size`:
// numbers by their type, whatever the size says; unknown types nothing.
qint64 valueBytes(quint32 type, quint32 size, AttributeKind kind)
{
    switch (type) {
    case 0: // text
    case 1: // bytes
    case 6: // GUID
        return size;
    case 2: // boolean
        return kind == AttributeKind::ExtendedContent ? 4 : 2;
    case 3: // 32-bit
        return 4;
    case 4: // 64-bit
        return 8;
    case 5: // 16-bit
        return 2;
    default:
        return 0;
    }
}

// TagLib reads as many attributes as an object counts, past the object's
// end if need be, and keeps every one: a count of 65535 in a small object
// costs it that many attributes, and each object read out of step misreads
// the next. So the attributes, read as TagLib reads them, must fill their
// object exactly.
bool attributesFill(QIODevice& device, const Object& object, AttributeKind kind)
{
    FieldReader reader(device, object);
    quint32 count = 0;
    if (!reader.number(2, count))
        return false;
    for (; count > 0; --count) {
        quint32 nameLength = 0, type = 0, size = 0;
        const bool read = kind == AttributeKind::ExtendedContent
            ? reader.number(2, nameLength) && reader.skip(nameLength) && reader.number(2, type)
                && reader.number(2, size)
            : reader.skip(4) && reader.number(2, nameLength) && reader.number(2, type) && reader.number(4, size)
                && reader.skip(nameLength);
        if (!read || !reader.skip(valueBytes(type, size, kind)))
            return false;
    }
    return reader.atEnd();
}

// Five text lengths, then the texts, filling the object.
bool contentDescriptionFills(QIODevice& device, const Object& object)
{
    FieldReader reader(device, object);
    qint64 texts = 0;
    for (int i = 0; i < 5; ++i) {
        quint32 length = 0;
        if (!reader.number(2, length))
            return false;
        texts += length;
    }
    return reader.skip(texts) && reader.atEnd();
}

// Whether a header object TagLib parses field by field holds what it says.
bool tagObjectHolds(QIODevice& device, const Object& object)
{
    if (object.guid == kContentDescription)
        return contentDescriptionFills(device, object);
    if (object.guid == kExtendedContentDescription)
        return attributesFill(device, object, AttributeKind::ExtendedContent);
    if (object.guid == kMetadata || object.guid == kMetadataLibrary)
        return attributesFill(device, object, AttributeKind::Metadata);
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

// The padding object among the children of a whole header object.
std::optional<Object> findPadding(const QByteArray& header)
{
    QBuffer buffer;
    buffer.setData(header);
    buffer.open(QIODevice::ReadOnly);
    QList<Object> children;
    if (walkObjects(buffer, kObjectHeaderSize + kHeaderObjectFields, header.size(), &children) < 0)
        return std::nullopt;
    for (const Object& child : children) {
        if (child.guid == kPadding)
            return child;
    }
    return std::nullopt;
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
        if (!tagObjectHolds(device, child))
            return {QStringLiteral("an ASF tag object does not hold what it counts")};
        if (child.guid != kHeaderExtension)
            continue;
        const qint64 dataStart = child.offset + kObjectHeaderSize + kExtensionFields;
        if (child.size < kObjectHeaderSize + kExtensionFields || !device.seek(dataStart - 4))
            return {QStringLiteral("the ASF header extension is cut off")};
        const QByteArray dataSize = device.read(4);
        QList<Object> extensionObjects;
        if (dataSize.size() != 4
            || qFromLittleEndian<quint32>(dataSize.constData()) != quint64(child.size - kObjectHeaderSize - kExtensionFields)
            || walkObjects(device, dataStart, child.offset + child.size, &extensionObjects) < 0)
            return {QStringLiteral("the objects of the ASF header extension do not match their sizes")};
        for (const Object& object : extensionObjects) {
            if (!tagObjectHolds(device, object))
                return {QStringLiteral("an ASF tag object does not hold what it counts")};
        }
    }

    if (walkObjects(device, header.size, fileSize, nullptr) < 1)
        return {QStringLiteral("the ASF objects after the header do not match their sizes")};
    if (audio)
        *audio = {header.size, fileSize - header.size};
    return {};
}

qint64 paddingSize(const QByteArray& header)
{
    const std::optional<Object> padding = findPadding(header);
    return padding ? padding->size : 0;
}

QByteArray withPadding(const QByteArray& header, qint64 size)
{
    if (header.size() < kObjectHeaderSize + kHeaderObjectFields)
        return header;
    QByteArray result = header;
    qint32 childDelta = 0;
    const std::optional<Object> padding = findPadding(header);
    if (padding) {
        result.remove(padding->offset, padding->size);
        --childDelta;
    }
    if (size >= kObjectHeaderSize) {
        QByteArray object = kPadding + QByteArray(8, '\0') + QByteArray(size - kObjectHeaderSize, '\0');
        qToLittleEndian(quint64(size), object.data() + 16);
        result.insert(padding ? padding->offset : result.size(), object);
        ++childDelta;
    }
    qToLittleEndian(quint64(result.size()), result.data() + 16);
    const quint32 children = qFromLittleEndian<quint32>(result.constData() + kObjectHeaderSize);
    qToLittleEndian(quint32(children + childDelta), result.data() + kObjectHeaderSize);
    return result;
}

StructureVerdict checkAsfFile(const QString& path, ByteRange* audio)
{
    WindowedFile file(path);
    if (!file.open())
        return {file.errorString()};
    return checkAsf(file, audio);
}

} // namespace tagmint::tags::asf
