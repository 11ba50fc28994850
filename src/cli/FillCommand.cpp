#include "cli/FillCommand.h"

#include "cli/ProgressPrinter.h"
#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "network/LoadTagsFlags.h"
#include "network/LoadTagsRun.h"
#include "network/NetworkTagLookup.h"
#include "table/TableCommandTexts.h"

#include <QTextStream>

namespace tagmint::cli {

int runFill(const CliOptions& options, QTextStream& out, QTextStream& err)
{
    RecordOpener opener(err);
    opener.open(options.paths);
    RecordSaver saver(opener, out, err);
    const RecordList writable = saver.writableRecords(opener.records());

    network::TagLoadRequest request;
    request.flags = options.fillSources | (options.missingOnly ? quint32(network::MissingOnly) : 0u)
        | (options.useExisting ? quint32(network::UseExistingTags) : 0u);
    request.keys = options.fillKeys;
    std::shared_ptr<network::NetworkTagLookup> lookup;
    if (request.flags & network::FromNetwork) {
        lookup = network::NetworkTagLookup::fromUserSettings();
        request.network = lookup.get();
    }
    const QString progressText = network::loadTagsProgressText(request.flags);
    qint64 changes = 0;
    {
        ProgressPrinter progress(err, [progressText](qint64) { return progressText; });
        opener.collection().runRecordsJob(
            [&writable, &request](const collection::JobContext& context) {
                return network::runLoadTags(writable, request, context);
            },
            progress.callbacks(), [&changes](qint64 count) { changes = count; }, collection::kRunInline);
    }
    if (lookup) {
        for (const QString& notice : lookup->notices())
            err << notice << Qt::endl;
    }
    err << table::tagsChangedText(int(changes)) << Qt::endl;
    return saver.saveAndReport(writable) && opener.succeeded() ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
