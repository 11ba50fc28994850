#pragma once
// The table's clipboard contents as MIME data: the table text as
// "text/tab-separated-values" and as plain text, and the first copied
// picture as "image/tiff" (or "image/png" where TIFF cannot be written).
// A paste takes the tabular text, else the plain text, else image data.

#include "tags/ImageCodec.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class PasteboardImages;
class QMimeData;

namespace tagmint::table {

std::unique_ptr<QMimeData> tableMimeData(const QString& text, const QImage& firstImage);

// The text a paste parses. Image data without text is kept in images and
// the text becomes its token; none when the data holds nothing usable or
// the picture does not decode (imageFailed is then set, when given).
std::optional<QByteArray> pasteTextFromMimeData(const QMimeData* mime, PasteboardImages& images,
                                                bool* imageFailed = nullptr);

// A picture carried by MIME data (dropped or pasted): TIFF, PNG, JPEG or
// Qt's own image type, with its bytes when JPEG or PNG. A null image when
// there is none or it does not decode.
tags::TagPicture pictureFromMimeData(const QMimeData* mime);
bool hasImageData(const QMimeData* mime);
// The local files among dropped URLs.
QStringList localFilesFromMimeData(const QMimeData* mime);

} // namespace tagmint::table
