#pragma once
// Our own walk over the APEv2 tag at the end of a WavPack, Monkey's Audio or
// Musepack file: whether TagLib may write into it.

#include "tags/FileFacts.h"
#include "tags/StructureVerdict.h"

#include <QIODevice>

namespace tagmint::tags::ape {

// The file starts with the container's marker ("wvpk", "MAC ", "MPCK" or
// "MP+", after an ID3v2 tag at most). An APE tag, when the file ends with
// one (before an ID3v1 tag at most), lies inside the file with its header
// where the footer says, and its items fill the tag exactly: as many as the
// footer counts, each with a printable key of 2 to 255 bytes and a value
// inside the tag.
//
// TagLib 1.13 trusts the footer: it cuts the tag it replaces by the stated
// size, so a size that lies cuts into the audio or leaves old bytes behind.
enum class Container { WavPack, MonkeysAudio, Musepack };

struct Layout {
    Container container = Container::WavPack;
    // From the stream's marker to the APE tag (or the ID3v1 tag, or the end).
    ByteRange audio;
};

// `layout`, when given, receives the container and where its audio lies.
StructureVerdict checkApe(QIODevice& device, Layout* layout = nullptr);
StructureVerdict checkApeFile(const QString& path, Layout* layout = nullptr);

} // namespace tagmint::tags::ape
