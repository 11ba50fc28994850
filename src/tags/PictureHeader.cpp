#include "tags/PictureHeader.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tagmint::tags {

namespace {

// What libjpeg-turbo's header reader refuses besides a broken structure.
constexpr int kJpegMaxDimension = 65500;
constexpr int kJpegMaxComponents = 10;
constexpr quint32 kPngMaxDimension = 0x7fffffff;

quint32 bigEndian16(const uchar* p)
{
    return quint32(p[0]) << 8 | p[1];
}

quint32 bigEndian32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// Frame headers of the processes libjpeg-turbo decodes: baseline, extended
// and progressive, with Huffman or arithmetic coding.
bool isDecodableFrameMarker(uchar marker)
{
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}

// The other frame headers: lossless, hierarchical, reserved.
bool isOtherFrameMarker(uchar marker)
{
    return (marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
        && !isDecodableFrameMarker(marker);
}

// The segment after its length field: precision, height, width, component
// count, then three bytes per component.
QSize frameSize(const uchar* segment, quint32 length)
{
    if (length < 6 || segment[0] != 8)
        return QSize();
    const int height = int(bigEndian16(segment + 1));
    const int width = int(bigEndian16(segment + 3));
    const int components = segment[5];
    if (width == 0 || height == 0 || width > kJpegMaxDimension || height > kJpegMaxDimension
        || components == 0 || components > kJpegMaxComponents || length != 6 + 3u * quint32(components))
        return QSize();
    for (int c = 0; c < components; ++c) {
        const uchar sampling = segment[6 + 3 * c + 1];
        const int horizontal = sampling >> 4;
        const int vertical = sampling & 0x0f;
        if (horizontal < 1 || horizontal > 4 || vertical < 1 || vertical > 4)
            return QSize();
    }
    return QSize(width, height);
}

// The frame header's size once a scan begins, as libjpeg reads a header.
QSize jpegSize(const uchar* data, qsizetype size)
{
    qsizetype pos = 2;
    QSize frame;
    while (pos < size) {
        // Stray bytes before a marker are skipped, as libjpeg does (it warns).
        while (pos < size && data[pos] != 0xFF)
            ++pos;
        while (pos < size && data[pos] == 0xFF)
            ++pos;
        if (pos >= size)
            break;
        const uchar marker = data[pos++];
        // 0xFF 0x00 is a stuffed zero, skipped like stray bytes; the others
        // carry no length.
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        if (marker == 0xD8 || marker == 0xD9 || isOtherFrameMarker(marker))
            return QSize();
        if (marker < 0xC0)
            return QSize();   // reserved: libjpeg stops at an unknown marker
        if (size - pos < 2)
            break;
        const quint32 length = bigEndian16(data + pos);
        if (length < 2) {
            // libjpeg reads on after the length field of an application or
            // comment segment too short to hold it; other segments fail.
            if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) {
                pos += 2;
                continue;
            }
            return QSize();
        }
        if (qsizetype(length) > size - pos)
            break;
        if (isDecodableFrameMarker(marker)) {
            if (frame.isValid())
                return QSize();   // a second frame header
            frame = frameSize(data + pos + 2, length - 2);
            if (!frame.isValid())
                return QSize();
        } else if (marker == 0xDA) {
            return frame;   // invalid when the scan came first
        }
        pos += length;
    }
    return QSize();
}

quint32 crc32(const uchar* data, qsizetype size)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool isValidPngPixelFormat(uchar depth, uchar colourType)
{
    switch (colourType) {
    case 0:   // grey
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:   // palette
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:   // RGB
    case 4:   // grey and alpha
    case 6:   // RGBA
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

// The size IHDR states once the chunks up to the first IDAT hold together,
// as libpng reads a header: critical chunks must carry a correct CRC.
QSize pngSize(const uchar* data, qsizetype size)
{
    qsizetype pos = 8;
    QSize stated;
    bool hasPalette = false;
    uchar colourType = 0;
    while (size - pos >= 8) {
        const quint32 length = bigEndian32(data + pos);
        const uchar* type = data + pos + 4;
        const QByteArrayView name(reinterpret_cast<const char*>(type), 4);
        const auto isLetter = [](uchar c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        if (length > 0x7fffffffu || !std::all_of(type, type + 4, isLetter))
            return QSize();
        if (name == "IDAT")
            return stated.isValid() && (colourType != 3 || hasPalette) ? stated : QSize();
        if (size - pos - 12 < qsizetype(length))
            return QSize();
        const bool critical = (type[0] & 0x20) == 0;
        if (critical && bigEndian32(data + pos + 8 + length) != crc32(type, 4 + qsizetype(length)))
            return QSize();
        const uchar* body = data + pos + 8;
        if (!stated.isValid()) {
            if (name != "IHDR" || length != 13)
                return QSize();
            const quint32 width = bigEndian32(body);
            const quint32 height = bigEndian32(body + 4);
            colourType = body[9];
            if (width == 0 || height == 0 || width > kPngMaxDimension || height > kPngMaxDimension
                || !isValidPngPixelFormat(body[8], colourType) || body[10] != 0 || body[11] != 0
                || body[12] > 1)
                return QSize();
            stated = QSize(int(width), int(height));
        } else if (name == "PLTE") {
            hasPalette = true;
        } else if (critical) {
            return QSize();   // IEND before any image data, or a chunk libpng does not know
        }
        pos += 12 + qsizetype(length);
    }
    return QSize();
}

} // namespace

std::optional<QSize> jpegOrPngSize(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8)
        return jpegSize(data, size);
    if (bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8)))
        return pngSize(data, size);
    return std::nullopt;
}

} // namespace tagmint::tags
