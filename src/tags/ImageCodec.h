#pragma once
// Encoding and decoding of pictures stored in tags.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace tagmint::tags {

struct EncodedImage {
    QByteArray bytes;     // empty when the image could not be encoded
    bool isPng = false;   // JPEG otherwise
};

// A picture on its way into or out of a tag. `bytes` holds the JPEG or PNG
// data the image was decoded from; a tag stores those as they are, so an
// unchanged cover keeps its quality and size. Empty for pictures of any other
// kind and for images made or changed in memory: those are encoded anew.
struct TagPicture {
    QImage image;
    QByteArray bytes;
    bool isPng = false;
};

// JPEG with the default quality; PNG when JPEG yields no bytes.
EncodedImage encodeImage(const QImage& image);

// What a tag stores for the picture: its own JPEG or PNG bytes when it has
// them, else the image encoded.
EncodedImage encodePicture(const TagPicture& picture);

// A null image when the bytes are not a picture Qt can decode.
QImage decodeImage(const QByteArray& bytes);

// The decoded picture, keeping the bytes when they are JPEG or PNG; a null
// image when they do not decode.
TagPicture pictureFromBytes(const QByteArray& bytes);

// Artwork from an image file (the command line's "image=FILE", adding
// artwork, drops), keeping a JPEG or PNG file's bytes. nullopt, with the
// reason in `error`, when the file cannot be read or holds no picture.
std::optional<TagPicture> loadPictureFile(const QString& path, QString* error = nullptr);

// The size the header of a picture Qt can decode states; invalid when the
// bytes are no such picture. Far cheaper than decoding the picture.
QSize decodableSize(const QByteArray& bytes);

} // namespace tagmint::tags
