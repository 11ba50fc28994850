// The ASF object walk over any bytes; what it accepts, TagLib must save
// whole: the result is accepted again and what follows the header object is
// that of the input. Resizing the saved header's padding, as our saves do,
// keeps it accepted.

#include "FuzzSupport.h"

#include "tags/AsfObjectWalker.h"
#include "tags/TagLibText.h"

#include <taglib/asffile.h>
#include <taglib/asftag.h>

using namespace tagmint;

void fuzzAsfObjects(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    fuzz::ByteDevice input(bytes);
    tags::ByteRange before;
    if (!tags::asf::checkAsf(input.device(), &before).holds())
        return;

    const std::optional<QByteArray> saved = fuzz::savedByTagLib<TagLib::ASF::File>(bytes, [](auto& file) {
        file.tag()->setTitle(tags::toTagLib(fuzz::growingTitle()));
        return file.save();
    });
    if (!saved)
        return;
    fuzz::expect(saved->size() <= bytes.size() + fuzz::kSaveGrowthBound, "a save adds no more than its tag");
    fuzz::ByteDevice output(*saved);
    tags::ByteRange after;
    const tags::StructureVerdict verdict = tags::asf::checkAsf(output.device(), &after);
    fuzz::expect(verdict.holds(), "TagLib's save of an accepted file is accepted", verdict.problem);
    fuzz::expect(bytes.mid(before.offset, before.length) == saved->mid(after.offset, after.length),
                 "a save keeps the data object and indexes");

    const QByteArray header = saved->left(after.offset);
    const qint64 unpadded = header.size() - tags::asf::paddingSize(header);
    for (const qint64 padding : {qint64(0), qint64(24), tags::asf::paddingSize(header) + 100}) {
        const QByteArray padded = tags::asf::withPadding(header, padding);
        fuzz::expect(padded.size() == unpadded + padding, "the header takes the length asked for");
        fuzz::ByteDevice resized(padded + saved->mid(after.offset));
        fuzz::expect(tags::asf::checkAsf(resized.device()).holds(), "a header with resized padding is accepted");
    }
}

TAGMINT_FUZZ_TARGET(fuzzAsfObjects)
