#include "tags/StructureVerdict.h"

#include "tags/AiffChunkWalker.h"
#include "tags/Mp4AtomWalker.h"
#include "tags/QZTagLibAIFFTag.h"
#include "tags/QZTagLibMP4Tag.h"
#include "tags/QZTagLibWAVTag.h"
#include "tags/RiffWalker.h"
#include "tags/WindowedFile.h"

namespace tagmint::tags {

StructureVerdict checkFileWith(const QString& path, StructureVerdict (*walk)(QIODevice&))
{
    WindowedFile file(path);
    if (!file.open())
        return {file.errorString()};
    return walk(file);
}

StructureVerdict checkFileStructure(const QString& path)
{
    if (QZTagLibMP4Tag::canHandlePath(path))
        return mp4::checkMp4File(path);
    if (QZTagLibAIFFTag::canHandlePath(path))
        return aiff::checkAiffFile(path);
    if (QZTagLibWAVTag::canHandlePath(path)) {
        // A damaged WAV file is mended before it is written.
        StructureVerdict verdict;
        if (riff::checkWaveFile(path, &verdict.problem) != riff::WaveCondition::NotWave)
            verdict.problem.clear();
        return verdict;
    }
    return {};
}

} // namespace tagmint::tags
