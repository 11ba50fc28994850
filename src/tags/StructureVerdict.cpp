#include "tags/StructureVerdict.h"

#include "tags/AiffChunkWalker.h"
#include "tags/ApeTagWalker.h"
#include "tags/AsfObjectWalker.h"
#include "tags/Mp4AtomWalker.h"
#include "tags/OggPageWalker.h"
#include "tags/QZTagLibAIFFTag.h"
#include "tags/QZTagLibAPETag.h"
#include "tags/QZTagLibASFTag.h"
#include "tags/QZTagLibMP4Tag.h"
#include "tags/QZTagLibOggTag.h"
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

qint64 offsetAfterID3v2Tag(QIODevice& device)
{
    if (!device.seek(0))
        return 0;
    const QByteArray header = device.read(10);
    if (header.size() < 10 || !header.startsWith("ID3"))
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (quint8(header[i]) & 0x7F);
    const bool hasFooter = quint8(header[5]) & 0x10;
    return 10 + size + (hasFooter ? 10 : 0);
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
    if (QZTagLibOggTag::canHandlePath(path))
        return ogg::checkOggFile(path);
    if (QZTagLibAPETag::canHandlePath(path))
        return ape::checkApeFile(path);
    if (QZTagLibASFTag::canHandlePath(path))
        return asf::checkAsfFile(path);
    return {};
}

} // namespace tagmint::tags
