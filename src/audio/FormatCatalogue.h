#pragma once
// The catalogue of container formats: file-name extension -> human-readable
// description ("mp3" -> "MP3 (MPEG audio layer 3)"). It only names formats;
// which files can be opened is decided by the tag wrappers.

#include <QByteArrayView>
#include <string_view>

namespace tagmint::audio {

// Arguments are cut to this many bytes before the lookup.
inline constexpr qsizetype kMaxExtensionLength = 259;

// The description of the extension, or "" when it is not catalogued. The
// argument is cut to 259 bytes, lower-cased (ASCII) and stripped of leading
// dots, so "MP3", ".mp3" and "..mp3" are all found. The view points into a
// static table and stays valid for the life of the program.
std::string_view formatDescriptionForExtension(QByteArrayView extension);

bool isKnownFormatExtension(QByteArrayView extension);

// Number of catalogued extensions and of distinct descriptions.
qsizetype formatCatalogueSize();
qsizetype formatCatalogueDescriptionCount();

} // namespace tagmint::audio
