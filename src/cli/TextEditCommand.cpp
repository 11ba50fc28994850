#include "cli/TextEditCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "cli/TextCommandOptions.h"
#include "record/QZTagLibRecord.h"
#include "table/ColumnCatalog.h"
#include "table/QZTagLibRecordTextFinder.h"
#include "table/TableCommandTexts.h"
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
    RecordSaver saver(opener, m_out, m_err);
    const RecordList writable = saver.writableRecords(opener.records());
    const bool replacing = m_options.command == CliOptions::Command::Replace;
    QStringList fields = m_options.fields;
    if (fields.isEmpty())
        fields = replacing ? defaultFindFields() : table::defaultVisibleTextColumns();

    const int lastRow = int(opener.records().size()) - 1;
    table::TextEditOutcome outcome;
    if (replacing) {
        QZTagLibRecordTextFinder finder(opener.collection(), m_options.find.options);
        finder.setQuery(m_options.find.text, fields);
        finder.setReplacement(m_options.find.replacement);
        outcome = finder.replaceAll({fields, 0, lastRow});
    } else {
        outcome = table::transformRecords(opener.records(), fields, 0, lastRow, m_options.clean.transformation());
    }
    m_out << table::tagsChangedText(outcome.changes) << '\n';
    for (const table::ValueRefusal& refusal : outcome.refusals)
        m_err << opener.displayPath(refusal.record->path()) << ": " << refusal.key << ": "
              << refusal.message << Qt::endl;

    const bool saved = saver.saveAndReport(writable);
    return saved && opener.succeeded() && outcome.refusals.isEmpty() ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
