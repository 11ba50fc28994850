#include "table/TableClipboard.h"

#include "table/PasteboardImages.h"
#include "util/TextConversion.h"

#include <QBuffer>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>

namespace tagmint::table {

namespace {

const QString kTabularType = QStringLiteral("text/tab-separated-values");
const QStringList kImageTypes = {QStringLiteral("image/tiff"), QStringLiteral("image/png"),
                                 QStringLiteral("image/jpeg"), QStringLiteral("image/bmp"),
                                 QStringLiteral("image/gif")};

QByteArray encodedImage(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return {};
    return bytes;
}

} // namespace

std::unique_ptr<QMimeData> tableMimeData(const QString& text, const QImage& firstImage)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kTabularType, text.toUtf8());
    mime->setText(text);
    if (!firstImage.isNull()) {
        const bool tiff = QImageWriter::supportedImageFormats().contains("tiff");
        const QByteArray bytes = encodedImage(firstImage, tiff ? "TIFF" : "PNG");
        if (!bytes.isEmpty())
            mime->setData(tiff ? QStringLiteral("image/tiff") : QStringLiteral("image/png"), bytes);
    }
    return mime;
}

QStringList localFilesFromMimeData(const QMimeData* mime)
{
    QStringList names;
    if (!mime || !mime->hasUrls())
        return names;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            names.append(text::pathFromUrl(url));
    }
    return names;
}

bool hasImageData(const QMimeData* mime)
{
    if (!mime)
        return false;
    if (mime->hasImage())
        return true;
    for (const QString& type : kImageTypes) {
        if (mime->hasFormat(type))
            return true;
    }
    return false;
}

tags::TagPicture pictureFromMimeData(const QMimeData* mime)
{
    if (!mime)
        return {};
    for (const QString& type : kImageTypes) {
        if (!mime->hasFormat(type))
            continue;
        const tags::TagPicture picture = tags::pictureFromBytes(mime->data(type));
        if (!picture.image.isNull())
            return picture;
    }
    if (mime->hasImage())
        return {qvariant_cast<QImage>(mime->imageData()), {}, false};
    return {};
}

std::optional<QByteArray> pasteTextFromMimeData(const QMimeData* mime, PasteboardImages& images,
                                                bool* imageFailed)
{
    if (imageFailed)
        *imageFailed = false;
    if (!mime)
        return std::nullopt;
    if (mime->hasFormat(kTabularType))
        return mime->data(kTabularType);
    if (mime->hasText())
        return mime->text().toUtf8();
    if (!hasImageData(mime))
        return std::nullopt;
    const tags::TagPicture picture = pictureFromMimeData(mime);
    if (picture.image.isNull()) {
        if (imageFailed)
            *imageFailed = true;
        return std::nullopt;
    }
    return images.addPastedPicture(picture).toUtf8();
}

} // namespace tagmint::table
