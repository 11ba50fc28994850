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
        return m_image;
    case OriginalImage:
        if (m_image.isNull() && provider)
            m_image = imageWithTag(provider());
        return m_image;
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
        return m_image.size();
    case OriginalImage:
        return m_originalSize;
    case NoImage:
    case ImageRemoved:
        break;
    }
    return QSize();
}

void QZTagLibArtwork::setImage(const QImage& image)
{
    if (!image.isNull()) {
        m_image = image;
        m_status = NewImage;
        return;
    }
    m_image = QImage();
    m_status = m_originalTagHasImage ? ImageRemoved : NoImage;
}

void QZTagLibArtwork::revertChanges()
{
    if (m_status == OriginalImage)
        return;
    // The original is read from the tag again when it is asked for.
    m_image = QImage();
    m_status = m_originalTagHasImage ? OriginalImage : NoImage;
}

void QZTagLibArtwork::releaseImage()
{
    if (m_status != NewImage)
        m_image = QImage();
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
