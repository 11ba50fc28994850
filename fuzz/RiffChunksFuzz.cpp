// The RIFF WAVE walk over any bytes. What it finds intact, TagLib must save
// whole (as our WAV wrapper saves: ID3v2 and INFO); what it finds damaged,
// the mend must make intact. Either way the format and the audio stay.

#include "FuzzSupport.h"

#include "tags/RiffWalker.h"
#include "tags/TagLibText.h"

#include <QFile>

#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/wavfile.h>

using namespace tagmint;
using tags::chunks::ByteOrder;
using tags::riff::WaveCondition;

namespace {

WaveCondition conditionOf(const QByteArray& bytes, QString* problem = nullptr)
{
    fuzz::ByteDevice device(bytes);
    return tags::riff::checkWave(device.device(), problem);
}

void expectSameAudio(const QByteArray& before, const QByteArray& after)
{
    for (const char* id : {"fmt ", "data"})
        fuzz::expect(fuzz::chunkPayload(before, "RIFF", ByteOrder::Little, id)
                         == fuzz::chunkPayload(after, "RIFF", ByteOrder::Little, id),
                     "the chunk stays as it was", QString::fromLatin1(id));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void fuzzRiffChunks(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const WaveCondition condition = conditionOf(bytes);
    if (condition == WaveCondition::Damaged) {
        const QString path = fuzz::scratchFile(bytes, QStringLiteral("mend.wav"));
        if (!tags::riff::mendWaveFile(path))
            return;
        const QByteArray mended = readAll(path);
        QString problem;
        fuzz::expect(conditionOf(mended, &problem) == WaveCondition::Intact, "a mended file is intact", problem);
        // The cut chunk keeps the bytes that remain.
        expectSameAudio(bytes, mended);
        return;
    }
    if (condition != WaveCondition::Intact)
        return;

    const std::optional<QByteArray> saved = fuzz::savedByTagLib<TagLib::RIFF::WAV::File>(bytes, [](auto& file) {
        const TagLib::String title = tags::toTagLib(fuzz::growingTitle());
        file.ID3v2Tag()->setTitle(title);
        file.InfoTag()->setTitle(title);
        return file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v4);
    });
    if (!saved)
        return;
    fuzz::expect(saved->size() <= bytes.size() + fuzz::kSaveGrowthBound, "a save adds no more than its tags");
    QString problem;
    fuzz::expect(conditionOf(*saved, &problem) == WaveCondition::Intact,
                 "TagLib's save of an intact WAV file is intact", problem);
    expectSameAudio(bytes, *saved);
}

TAGMINT_FUZZ_TARGET(fuzzRiffChunks)
