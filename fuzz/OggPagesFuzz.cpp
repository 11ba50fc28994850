// The Ogg page walk over any bytes; what it accepts, TagLib must save whole
// (for Vorbis streams): the result is accepted again and its audio packets
// are those of the input.

#include "FuzzSupport.h"

#include "tags/OggPageWalker.h"
#include "tags/TagLibText.h"

#include <taglib/vorbisfile.h>

using namespace tagmint;

namespace {

std::optional<QByteArray> packetDigest(const QByteArray& bytes)
{
    return tags::ogg::audioPacketDigest(
        [&](qint64 offset, qint64 length) { return bytes.mid(qsizetype(offset), qsizetype(length)); },
        bytes.size());
}

} // namespace

void fuzzOggPages(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    fuzz::ByteDevice input(bytes);
    if (!tags::ogg::checkOgg(input.device()).holds())
        return;
    const std::optional<QByteArray> before = packetDigest(bytes);
    fuzz::expect(before.has_value(), "the pages of an accepted stream follow each other");

    const std::optional<QByteArray> saved = fuzz::savedByTagLib<TagLib::Ogg::Vorbis::File>(bytes, [](auto& file) {
        file.tag()->setTitle(tags::toTagLib(fuzz::growingTitle()));
        return file.save();
    });
    if (!saved)
        return;
    fuzz::expect(saved->size() <= bytes.size() + fuzz::kSaveGrowthBound, "a save adds no more than its tag");
    fuzz::ByteDevice output(*saved);
    const tags::StructureVerdict verdict = tags::ogg::checkOgg(output.device());
    fuzz::expect(verdict.holds(), "TagLib's save of an accepted stream is accepted", verdict.problem);
    fuzz::expect(packetDigest(*saved) == before, "a save keeps the audio packets");
}

TAGMINT_FUZZ_TARGET(fuzzOggPages)
