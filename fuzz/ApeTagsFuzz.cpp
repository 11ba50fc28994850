// The APE tag walk over any bytes; what it accepts, TagLib must save whole
// (for WavPack streams): the result is accepted again and its audio bytes
// are those of the input.

#include "FuzzSupport.h"

#include "tags/ApeTagWalker.h"
#include "tags/QZTagLibAPETag.h"
#include "tags/TagLibText.h"

#include <taglib/apetag.h>
#include <taglib/wavpackfile.h>

using namespace tagmint;

void fuzzApeTags(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    fuzz::ByteDevice input(bytes);
    tags::ape::Layout before;
    if (!tags::ape::checkApe(input.device(), &before).holds() || before.container != tags::ape::Container::WavPack)
        return;

    const std::optional<QByteArray> saved = fuzz::savedByTagLib<TagLib::WavPack::File>(bytes, [](auto& file) {
        file.APETag(true)->setTitle(tags::toTagLib(fuzz::growingTitle()));
        QZTagLibAPETag::dropEmptyItems(*file.APETag());
        return file.save();
    });
    if (!saved)
        return;
    fuzz::expect(saved->size() <= bytes.size() + fuzz::kSaveGrowthBound, "a save adds no more than its tag");
    fuzz::ByteDevice output(*saved);
    tags::ape::Layout after;
    const tags::StructureVerdict verdict = tags::ape::checkApe(output.device(), &after);
    fuzz::expect(verdict.holds(), "TagLib's save of an accepted file is accepted", verdict.problem);
    fuzz::expect(bytes.mid(before.audio.offset, before.audio.length)
                     == saved->mid(after.audio.offset, after.audio.length),
                 "a save keeps the audio bytes");
}

TAGMINT_FUZZ_TARGET(fuzzApeTags)
