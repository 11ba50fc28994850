#include "tags/ImageCodec.h"

#include "tags/PictureHeader.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cerrno>

namespace tagmint::tags {

namespace {

// Larger files are not pictures anyone embeds; reading them whole would only
// cost memory.
constexpr qint64 kLargestPictureFile = qint64(64) << 20;

QByteArray encodeAs(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return QByteArray();
    return bytes;
}

bool isJpeg(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF");
}

bool isPng(const QByteArray& bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1A\n");
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

EncodedImage encodePicture(const TagPicture& picture)
{
    if (!picture.bytes.isEmpty())
        return EncodedImage{picture.bytes, picture.isPng};
    return encodeImage(picture.image);
}

QImage decodeImage(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QImage();
    return QImage::fromData(bytes);
}

TagPicture pictureFromBytes(const QByteArray& bytes)
{
    TagPicture picture;
    picture.image = decodeImage(bytes);
    if (picture.image.isNull())
        return picture;
    picture.isPng = isPng(bytes);
    if (picture.isPng || isJpeg(bytes))
        picture.bytes = bytes;
    return picture;
}

std::optional<TagPicture> loadPictureFile(const QString& path, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<TagPicture> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QFile file;
    if (!fs::openFile(file, text::toFileSystemPath(path), QIODevice::ReadOnly))
        return fail(text::systemErrorText(errno));
    if (file.size() > kLargestPictureFile)
        return fail(QStringLiteral("the file is too large for artwork"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    TagPicture picture = pictureFromBytes(bytes);
    if (picture.image.isNull())
        return fail(QStringLiteral("not an image Tagmint can read"));
    return picture;
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
