#pragma once
// Artwork lying beside the audio files: "folder.jpg", "Cover.png", a scan in
// an "Artwork" subfolder.

#include "network/LookupContext.h"

#include <QString>
#include <QStringList>

namespace tagmint::network {

// The image files that may be a folder's artwork: those in the folder, then
// those in subfolders holding no audio files, at most two levels down;
// shallower folders first.
QStringList artworkCandidates(const QString& folder);

// Which candidate is the cover: an exact "front", "folder" or "artwork"
// name first, then the name with the most cover words, then the first.
// "" when there are none.
QString chooseArtworkFile(const QStringList& candidates);

// The folder's artwork with the bytes of its file, through the run's cache;
// a null image when there is none or it cannot be read.
tags::TagPicture folderArtwork(const QString& folder, ArtworkCache& cache);

} // namespace tagmint::network
