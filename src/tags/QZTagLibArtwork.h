#pragma once
// A record's artwork state: whether the file's tag had an image and whether
// the user removed or replaced it. The original image is cached and may be
// dropped; it is then read from the tag again on demand.

#include "tags/ImageCodec.h"

#include <QImage>
#include <functional>

class QZTagLibTag;

class QZTagLibArtwork {
public:
    enum Status : qint32 { NoImage = 0, OriginalImage = 1, ImageRemoved = 2, NewImage = 3 };

    // Returns an open tag wrapper of the record, or nullptr.
    using TagProvider = std::function<QZTagLibTag*()>;

    // Notes whether the tag holds a decodable image and the size its header
    // states (tag may be nullptr); the image itself is read on first use.
    explicit QZTagLibArtwork(const QZTagLibTag* tag);

    // The first decodable picture of the tag; null when there is none.
    static QImage imageWithTag(const QZTagLibTag* tag);

    // The replacement, or the original (re-read through the provider when
    // it was dropped); null when the artwork shows no image.
    QImage currentImageWithTagProvider(const TagProvider& provider);
    // The same picture with the JPEG or PNG bytes it came as: the
    // replacement's as given, the original's read through the provider.
    tagmint::tags::TagPicture currentPictureWithTagProvider(const TagProvider& provider);

    // The size of the image currentImageWithTagProvider() gives, without
    // decoding an original: the size its header states. Invalid for none.
    QSize currentImageSize() const;

    // A null image removes the artwork.
    void setImage(const QImage& image) { setPicture({image, {}, false}); }
    // A replacement keeps its bytes until it is saved.
    void setPicture(const tagmint::tags::TagPicture& picture);
    void revertChanges();
    // Drops the cached original; a replacement image stays.
    void releaseImage();

    Status status() const { return m_status; }
    bool originalTagHasImage() const { return m_originalTagHasImage; }
    bool isDirty() const;
    bool hasImage() const;
    // Ascending: original, replaced, none, removed (unreadable files sort 4).
    qint64 sortValue() const;

private:
    QSize m_originalSize;
    bool m_originalTagHasImage = false;
    // The replacement with its bytes, or the cached original's image only.
    tagmint::tags::TagPicture m_picture;
    Status m_status = NoImage;
};
