#include "tags/QZTagLibArtwork.h"

#include "tags/QZTagLibTag.h"

QZTagLibArtwork::QZTagLibArtwork(const QZTagLibTag* tag)
    : m_originalSize(tag && tag->hasImages() ? tag->decodableImageSize() : QSize())
    , m_originalTagHasImage(m_originalSize.isValid())
    , m_status(m_originalTagHasImage ? OriginalImage : NoImage)
{
    // The original is decoded only when someone asks for it.
}

QImage QZTagLibArtwork::imageWithTag(const QZTagLibTag* tag)
{
    if (!tag || !tag->hasImages())
        return QImage();
    return tag->firstImage();
}

QImage QZTagLibArtwork::currentImageWithTagProvider(const TagProvider& provider)
{
    switch (m_status) {
    case NewImage:
        return m_picture.image;
    case OriginalImage:
        if (m_picture.image.isNull() && provider)
            m_picture.image = imageWithTag(provider());
        return m_picture.image;
    case NoImage:
    case ImageRemoved:
        break;
    }
    return QImage();
}

QSize QZTagLibArtwork::currentImageSize() const
{
    switch (m_status) {
    case NewImage:
        return m_picture.image.size();
    case OriginalImage:
        return m_originalSize;
    case NoImage:
    case ImageRemoved:
        break;
    }
    return QSize();
}

tagmint::tags::TagPicture QZTagLibArtwork::currentPictureWithTagProvider(const TagProvider& provider)
{
    if (m_status == NewImage)
        return m_picture;
    if (m_status != OriginalImage || !provider)
        return {};
    // The original's bytes are not kept: they are wanted rarely (copying a
    // cover to other files) and would double what a cached cover costs.
    const QZTagLibTag* tag = provider();
    if (!tag || !tag->hasImages())
        return {};
    tagmint::tags::TagPicture original = tag->firstPicture();
    m_picture.image = original.image;
    return original;
}

void QZTagLibArtwork::setPicture(const tagmint::tags::TagPicture& picture)
{
    if (!picture.image.isNull()) {
        m_picture = picture;
        m_status = NewImage;
        return;
    }
    m_picture = {};
    m_status = m_originalTagHasImage ? ImageRemoved : NoImage;
}

void QZTagLibArtwork::revertChanges()
{
    if (m_status == OriginalImage)
        return;
    // The original is read from the tag again when it is asked for.
    m_picture = {};
    m_status = m_originalTagHasImage ? OriginalImage : NoImage;
}

void QZTagLibArtwork::releaseImage()
{
    if (m_status != NewImage)
        m_picture = {};
}

bool QZTagLibArtwork::isDirty() const
{
    return m_status == ImageRemoved || m_status == NewImage;
}

bool QZTagLibArtwork::hasImage() const
{
    return m_status == OriginalImage || m_status == NewImage;
}

qint64 QZTagLibArtwork::sortValue() const
{
    switch (m_status) {
    case OriginalImage:
        return 0;
    case NewImage:
        return 1;
    case NoImage:
        return 2;
    case ImageRemoved:
        return 3;
    }
    return 4;
}
