#include "cli/ImportCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "record/QZTagLibRecord.h"
#include "table/CellTransfer.h"
#include "table/ColumnCatalog.h"
#include "table/TableCommandTexts.h"

#include <QTextStream>

namespace tagmint::cli {

ImportCommand::ImportCommand(const CliOptions& options, QByteArray input, QTextStream& out,
                             QTextStream& err)
    : m_options(options), m_input(std::move(input)), m_out(out), m_err(err)
{
}

int ImportCommand::run()
{
    // An empty input would paste one empty cell into every file: almost
    // certainly a mistake, and saved at once.
    if (m_input.isEmpty()) {
        m_err << "tagmint-cli: nothing to import: standard input is empty" << Qt::endl;
        return kExitFailure;
    }
    QByteArrayView text = m_input;
    QStringList fields = m_options.fields.isEmpty() ? table::defaultVisibleTextColumns() : m_options.fields;
    if (m_options.header) {
        fields = table::parseTableText(text, 1).value(0);
        fields.removeAll(QString());
        if (const QString problem = checkTableFields(fields); !problem.isEmpty()) {
            m_err << "tagmint-cli: the header line: " << problem << Qt::endl;
            return kExitUsage;
        }
        text = table::textAfterFirstLine(text);
    }

    // Export writes artwork as empty, and an empty artwork cell deletes the
    // picture: importing that column would only ever lose pictures.
    if (fields.contains(QStringLiteral("image"))) {
        m_err << "tagmint-cli: the field \"image\" cannot be imported (export writes it empty); "
                 "use set image=FILE" << Qt::endl;
        return kExitUsage;
    }

    RecordOpener opener(m_err);
    opener.open(m_options.paths);
    const RecordList& records = opener.records();
    const auto recordAt = [&records](int row) { return records.value(row).get(); };

    // Exactly a paste into all rows of these columns; read-only columns
    // stay in place as skipped ones.
    table::PasteSelection selection;
    for (const QString& key : fields)
        selection.columns.append(table::columnDescription(key)->isReadOnly ? QString() : key);
    selection.columnsToTheRight = selection.columns;
    selection.lastRow = int(records.size()) - 1;
    selection.rowCount = int(records.size());
    table::PasteResult result;
    if (!text.isEmpty() && !records.isEmpty()) {
        const table::TableRows source =
            table::parseTableText(text, table::pasteRowsWanted(selection));
        result = table::pasteRows(
            source, table::fitPasteTargets(selection, source.size()), recordAt,
            PasteboardImages::shared(), [&](const table::PasteFailure& failure) {
                m_err << opener.displayPath(records.at(failure.row)->path()) << ": " << failure.key
                      << ": " << failure.description << Qt::endl;
            });
    }
    m_out << table::pasteMessage(result.changed, result.readOnlySkipped, result.validationErrors).message
          << '\n';

    RecordSaver saver(opener, m_out, m_err);
    const bool saved = saver.saveAndReport(saver.writableRecords(records));
    const bool applied = result.readOnlySkipped == 0 && result.validationErrors.isEmpty();
    return opener.succeeded() && applied && saved ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
