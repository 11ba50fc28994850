#include "network/LoadTagsRun.h"

#include "record/QZTagLibRecord.h"

namespace tagmint::network {

qint64 runLoadTags(const RecordList& records, const TagLoadRequest& request,
                   const collection::JobContext& context)
{
    LookupContext lookup;
    lookup.isCancelled = [&context] { return context.shouldStop(); };
    lookup.message = [&context](const QString& text) { context.showMessage(text); };
    if (request.network)
        request.network->startRun(request.flags);
    TagLoadRequest perRecord = request;
    perRecord.parsePath.clear();
    perRecord.artworkPath.clear();
    perRecord.changedKeys = nullptr;

    ArtworkCache cache;
    qint64 changes = 0;
    const qint64 total = records.size();
    for (qint64 index = 0; index < total; ++index) {
        if (context.shouldStop())
            break;
        context.reportProgress(index, total);
        if (QZTagLibRecord* record = records.at(index).get()) {
            changes += loadTagsForRecord(lookup, *record, perRecord, cache).total();
            record->releaseTagResources();
        }
    }
    return changes;
}

} // namespace tagmint::network
