#pragma once
// Encoding and decoding of pictures stored in tags.

#include <QByteArray>
#include <QImage>

namespace tagmint::tags {

struct EncodedImage {
    QByteArray bytes;     // empty when the image could not be encoded
    bool isPng = false;   // JPEG unless JPEG encoding produced nothing
};

// JPEG with the default quality; PNG when JPEG yields no bytes.
EncodedImage encodeImage(const QImage& image);

// A null image when the bytes are not a picture Qt can decode.
QImage decodeImage(const QByteArray& bytes);

// The size the header of a picture Qt can decode states; invalid when the
// bytes are no such picture. Far cheaper than decoding the picture.
QSize decodableSize(const QByteArray& bytes);

} // namespace tagmint::tags
