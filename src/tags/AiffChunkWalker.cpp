#include "tags/AiffChunkWalker.h"

#include "tags/ChunkWalk.h"

namespace tagmint::tags::aiff {

StructureVerdict checkAiff(QIODevice& device)
{
    const std::optional<chunks::ChunkWalk> found =
        chunks::walkChunks(device, "FORM", chunks::ByteOrder::Big);
    if (!found || (found->formType != "AIFF" && found->formType != "AIFC"))
        return {QStringLiteral("not an AIFF file")};
    if (const QString problem = found->layoutProblem(device); !problem.isEmpty())
        return {problem};
    if (!found->chunks.isEmpty() && found->chunks.last().overruns)
        return {QStringLiteral("the \"%1\" chunk runs past the end of the file")
                    .arg(QString::fromLatin1(found->chunks.last().id))};
    if (!found->find("COMM"))
        return {QStringLiteral("no \"COMM\" chunk")};
    return {};
}

StructureVerdict checkAiffFile(const QString& path)
{
    return checkFileWith(path, &checkAiff);
}

} // namespace tagmint::tags::aiff
