#include "tags/ImageCodec.h"

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

bool looksDecodable(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return false;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return false;
    // Reading the size parses the header only; a picture cut short after its
    // first bytes fails here.
    if (reader.supportsOption(QImageIOHandler::Size))
        return reader.size().isValid();
    return true;
}

} // namespace tagmint::tags
