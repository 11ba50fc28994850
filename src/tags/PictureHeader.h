#pragma once
// The pixel size a JPEG or PNG picture states in its header, read without
// decoding the picture. Covers are JPEG or PNG nearly always, and Qt's image
// reader costs more than the whole header walk even when it only reads the
// size.

#include <QByteArrayView>
#include <QSize>
#include <optional>

namespace tagmint::tags {

// nullopt when the bytes start neither like a JPEG nor like a PNG picture.
// Otherwise the stated size, or an invalid size when the header is cut
// short or holds what Qt's decoders refuse (no frame header before the
// scan, an unsupported JPEG process, a damaged PNG header chunk).
std::optional<QSize> jpegOrPngSize(QByteArrayView bytes);

} // namespace tagmint::tags
