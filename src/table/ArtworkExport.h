#pragma once
// Saving a record's artwork as a JPEG file beside other exports, never
// overwriting one.

#include <QImage>
#include <QString>
#include <optional>

namespace tagmint::table {

// folder/base+extension, then folder/"base (copy n)"+extension for n = 2 up
// to 1024: the first that does not exist. The extension is the given one, or
// the name's own when none is given.
std::optional<QString> uniqueFileName(const QString& folder, const QString& name,
                                      const QString& extension = QString());

// Writes the image as "artwork.jpg" (made unique) into the folder; the path
// written, or nullopt when there is no image, no such folder or no free name,
// or the file cannot be written.
std::optional<QString> exportArtwork(const QImage& image, const QString& folder);

} // namespace tagmint::table
