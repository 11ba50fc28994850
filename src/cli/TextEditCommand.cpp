#include "cli/TextEditCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaving.h"
#include "cli/TextCommandOptions.h"
#include "record/QZTagLibRecord.h"
#include "table/QZTagLibRecordTextFinder.h"
#include "table/TextCommands.h"

#include <QTextStream>

namespace tagmint::cli {

TextEditCommand::TextEditCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int TextEditCommand::run()
{
    RecordOpener opener(m_err);
    opener.open(m_options.paths);
    const RecordList& records = opener.records();
    const bool replacing = m_options.command == CliOptions::Command::Replace;
    QStringList fields = m_options.fields;
    if (fields.isEmpty())
        fields = replacing ? defaultFindFields() : defaultCleanFields();

    table::TextEditOutcome outcome;
    if (replacing) {
        QZTagLibRecordTextFinder finder(opener.collection(), m_options.find.options);
        finder.setQuery(m_options.find.text, fields);
        finder.setReplacement(m_options.find.replacement);
        outcome = finder.replaceAll({fields, 0, int(records.size()) - 1});
    } else {
        outcome = table::transformRecords(records, fields, 0, int(records.size()) - 1,
                                          m_options.clean.transformation());
    }
    m_out << table::tagsChangedText(outcome.changes) << '\n';
    for (const table::ValueRefusal& refusal : outcome.refusals)
        m_err << opener.displayPath(refusal.record->path()) << ": " << refusal.key << ": "
              << refusal.message << Qt::endl;

    RecordSaving saving(opener, m_out, m_err);
    for (const RecordPtr& record : records) {
        if (!saving.refuseUnwritable(*record))
            saving.add(record);
    }
    const bool saved = saving.finish();
    return saved && opener.succeeded() && outcome.refusals.isEmpty() ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
