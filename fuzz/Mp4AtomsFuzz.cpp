// The MP4 atom walk over any bytes; what it accepts, TagLib must save whole:
// the result is accepted again, and every chunk offset still points at the
// bytes it pointed at.

#include "FuzzSupport.h"

#include "tags/Mp4AtomWalker.h"
#include "tags/TagLibText.h"

#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

using namespace tagmint;

void fuzzMp4Atoms(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QList<quint64> offsets;
    fuzz::ByteDevice input(bytes);
    if (!tags::mp4::checkMp4(input.device(), &offsets).holds())
        return;

    const std::optional<QByteArray> saved = fuzz::savedByTagLib<TagLib::MP4::File>(bytes, [](auto& file) {
        file.tag()->setTitle(tags::toTagLib(fuzz::growingTitle()));
        return file.save();
    });
    if (!saved)
        return;
    fuzz::expect(saved->size() <= bytes.size() + fuzz::kSaveGrowthBound, "a save adds no more than its tag");
    QList<quint64> moved;
    fuzz::ByteDevice output(*saved);
    const tags::StructureVerdict verdict = tags::mp4::checkMp4(output.device(), &moved);
    fuzz::expect(verdict.holds(), "TagLib's save of an accepted movie is accepted", verdict.problem);
    fuzz::expect(moved.size() == offsets.size(), "a save keeps every chunk offset");
    for (qsizetype i = 0; i < offsets.size(); ++i)
        fuzz::expect(bytes.mid(qsizetype(offsets[i]), 8) == saved->mid(qsizetype(moved[i]), 8),
                     "a chunk offset still points at its audio", QString::number(i));
}

TAGMINT_FUZZ_TARGET(fuzzMp4Atoms)
