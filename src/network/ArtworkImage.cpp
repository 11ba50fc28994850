#include "network/ArtworkImage.h"

#include <QBuffer>
#include <QImageReader>

namespace tagmint::network {

namespace {

// JPEG and BMP decoders fill the missing part of a cut file and report
// success. A complete JPEG ends its last scan with the end-of-image marker;
// a BMP header gives the file's size.
bool isCutPicture(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return bytes.lastIndexOf("\xFF\xD9") < bytes.lastIndexOf("\xFF\xDA");
    if (bytes.startsWith("BM") && bytes.size() >= 6) {
        const auto byte = [&bytes](int i) { return quint32(quint8(bytes.at(i))); };
        const quint32 size = byte(2) | byte(3) << 8 | byte(4) << 16 | byte(5) << 24;
        return size > quint32(bytes.size());
    }
    return false;
}

} // namespace

tags::TagPicture decodeArtwork(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > kMaximumArtworkBytes || isCutPicture(bytes))
        return {};
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const QSize size = QImageReader(&buffer).size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaximumArtworkPixels)
        return {};
    return tags::pictureFromBytes(bytes);
}

} // namespace tagmint::network
