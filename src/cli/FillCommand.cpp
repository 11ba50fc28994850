#include "cli/FillCommand.h"

#include "cli/ProgressPrinter.h"
#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "network/LoadTagsFlags.h"
#include "network/LoadTagsRun.h"
#include "record/QZTagLibRecord.h"
#include "table/TableCommandTexts.h"

#include <QTextStream>

namespace tagmint::cli {

FillCommand::FillCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int FillCommand::run()
{
    RecordOpener opener(m_err);
    opener.open(m_options.paths);
    bool allGood = opener.succeeded();

    RecordSaver saver(opener, m_out, m_err);
    RecordList writable;
    for (const RecordPtr& record : opener.records()) {
        if (saver.checkWritable(*record))
            writable.append(record);
        else
            allGood = false;
    }

    network::TagLoadRequest request;
    request.flags = network::FromPaths | (m_options.missingOnly ? quint32(network::MissingOnly) : 0u);
    request.keys = m_options.fillKeys;
    const QString progressText = network::loadTagsProgressText(request.flags);
    qint64 changes = 0;
    {
        ProgressPrinter progress(m_err, [progressText](qint64) { return progressText; });
        opener.collection().runRecordsJob(
            [&writable, &request](const collection::JobContext& context) {
                return network::runLoadTags(writable, request, context);
            },
            progress.callbacks(), [&changes](qint64 count) { changes = count; }, collection::kRunInline);
    }
    m_out << table::tagsChangedText(int(changes)) << '\n';
    return saver.saveAndReport(writable) && allGood ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
