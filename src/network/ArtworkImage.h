#pragma once
// The one reader for artwork found by a load-tags run, in a folder or on the
// network: bytes that are no sane picture are refused before they reach a
// record or a cache.

#include "tags/ImageCodec.h"

#include <QByteArray>

namespace tagmint::network {

// Pictures larger than this many pixels are not taken (a cover is rarely
// above 3000×3000); nor files or downloads larger than this many bytes.
inline constexpr qint64 kMaximumArtworkPixels = 40'000'000;
inline constexpr qint64 kMaximumArtworkBytes = 64 * 1024 * 1024;

// The picture in bytes, decoded by content (covers are often misnamed) and
// keeping the JPEG or PNG bytes; a null image when they are cut short, do not
// decode, or would decode to more than kMaximumArtworkPixels.
tags::TagPicture decodeArtwork(const QByteArray& bytes);

} // namespace tagmint::network
