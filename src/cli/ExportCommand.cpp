#include "cli/ExportCommand.h"

#include "cli/RecordOpener.h"
#include "table/CellTransfer.h"
#include "table/ColumnCatalog.h"

#include <QTextStream>

namespace tagmint::cli {

ExportCommand::ExportCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int ExportCommand::run()
{
    const QStringList fields =
        m_options.fields.isEmpty() ? table::defaultVisibleTextColumns() : m_options.fields;
    RecordOpener opener(m_err);
    opener.open(m_options.paths);
    if (m_options.header)
        m_out << fields.join(QLatin1Char('\t')) << '\n';
    const RecordList& records = opener.records();
    const table::CopiedCells copied = table::copyCells(
        fields, 0, int(records.size()) - 1,
        [&records](int row) { return records.at(row).get(); }, false);
    for (const QString& line : copied.lines)
        m_out << line << '\n';
    return opener.succeeded() ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
