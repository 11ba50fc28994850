#include "tags/ImageCodec.h"

#include "tags/PictureHeader.h"

#include <QBuffer>
#include <QImageReader>

namespace tagmint::tags {

namespace {

QByteArray encodeAs(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return QByteArray();
    return bytes;
}

} // namespace

EncodedImage encodeImage(const QImage& image)
{
    EncodedImage result;
    if (image.isNull())
        return result;
    result.bytes = encodeAs(image, "JPEG");
    if (result.bytes.isEmpty()) {
        result.bytes = encodeAs(image, "PNG");
        result.isPng = !result.bytes.isEmpty();
    }
    return result;
}

QImage decodeImage(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QImage();
    return QImage::fromData(bytes);
}

QSize decodableSize(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QSize();
    // Our own header walk answers the common case; what it cannot vouch for
    // goes to Qt's reader.
    if (const std::optional<QSize> size = jpegOrPngSize(bytes); size && size->isValid())
        return *size;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return QSize();
    // Reading the size parses the header only; a picture cut short after its
    // first bytes fails here. A format that cannot tell its size is decoded.
    if (reader.supportsOption(QImageIOHandler::Size))
        return reader.size();
    const QImage image = reader.read();
    return image.isNull() ? QSize() : image.size();
}

} // namespace tagmint::tags
