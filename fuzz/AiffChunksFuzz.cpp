// The AIFF chunk walk over any bytes; what it accepts, TagLib must save
// whole: accepted again, with the same sound and format chunks.

#include "FuzzSupport.h"

#include "tags/AiffChunkWalker.h"
#include "tags/TagLibText.h"

#include <taglib/aifffile.h>
#include <taglib/id3v2tag.h>

using namespace tagmint;
using tags::chunks::ByteOrder;

void fuzzAiffChunks(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    fuzz::ByteDevice input(bytes);
    if (!tags::aiff::checkAiff(input.device()).holds())
        return;

    const std::optional<QByteArray> saved = fuzz::savedByTagLib<TagLib::RIFF::AIFF::File>(bytes, [](auto& file) {
        file.tag()->setTitle(tags::toTagLib(fuzz::growingTitle()));
        return file.save();
    });
    if (!saved)
        return;
    fuzz::expect(saved->size() <= bytes.size() + fuzz::kSaveGrowthBound, "a save adds no more than its tag");
    fuzz::ByteDevice output(*saved);
    const tags::StructureVerdict verdict = tags::aiff::checkAiff(output.device());
    fuzz::expect(verdict.holds(), "TagLib's save of an accepted AIFF file is accepted", verdict.problem);
    for (const char* id : {"COMM", "SSND"})
        fuzz::expect(fuzz::chunkPayload(bytes, "FORM", ByteOrder::Big, id)
                         == fuzz::chunkPayload(*saved, "FORM", ByteOrder::Big, id),
                     "a save keeps the chunk", QString::fromLatin1(id));
}

TAGMINT_FUZZ_TARGET(fuzzAiffChunks)
