#include "network/LoadTagsCommand.h"

#include "collection/CollectionOperations.h"
#include "collection/QZTagLibRecordDataArrayController.h"
#include "network/LoadTagsRun.h"
#include "table/ColumnCatalog.h"
#include "table/TableViewController.h"

namespace tagmint::network {

namespace {

constexpr int kRetryDelayMs = 100;

QString loadableColumnTitles()
{
    return table::titlesOfColumnsSeparatedByComma(loadableKeys());
}

} // namespace

LoadTagsCommand::LoadTagsCommand(TableViewController& table, CollectionOperations& operations, Ui ui,
                                 std::shared_ptr<NetworkTagSource> network)
    : m_table(table), m_operations(operations), m_ui(std::move(ui)), m_network(std::move(network))
{
}

QString LoadTagsCommand::optionsTitle()
{
    return QStringLiteral("Load Tags Advanced");
}

QString LoadTagsCommand::optionsMessage()
{
    return QStringLiteral("Please specify options to load tags:");
}

QString LoadTagsCommand::showColumnsQuestion()
{
    return QStringLiteral("Selection should exist in columns such as %1.\n\nWould you like to show these "
                          "columns, extend selection and try again ?")
        .arg(loadableColumnTitles());
}

QString LoadTagsCommand::extendQuestion()
{
    return QStringLiteral("Selection should exist in columns such as %1.\n\nWould you like to extend "
                          "selection and try again ?")
        .arg(loadableColumnTitles());
}

void LoadTagsCommand::run(quint32 flags)
{
    if (flags == 0)
        flags = kDefaultLoadTagsFlags;
    if ((flags & ShowOptions) && m_ui.askOptions) {
        m_ui.askOptions([this](std::optional<quint32> chosen) {
            if (chosen)
                run(*chosen & ~quint32(ShowOptions));
        });
        return;
    }
    flags &= ~quint32(ShowOptions);
    if (!(flags & kLoadTagsSourceMask) || !m_table.selection().hasSelection())
        return;
    const QString title = loadTagsTitle(flags);

    if (!hasLoadableKeys(m_table.selection().selectedColumnIdentifiers())) {
        const RowSpan rows = m_table.selection().selectedRowIndexes();
        m_ui.askYesNo(title, showColumnsQuestion(), [this, flags, rows](bool yes) {
            if (!yes)
                return;
            m_table.showColumns(loadableKeys());
            selectRowsAndRetry(flags, rows);
        });
        return;
    }
    runOnSelection(flags, title);
}

void LoadTagsCommand::selectRowsAndRetry(quint32 flags, const RowSpan& rows)
{
    m_table.selection().selectAllRowCellsFromIndex(rows.first, rows.last);
    m_ui.later(kRetryDelayMs, [this, flags] { run(flags); });
}

void LoadTagsCommand::runOnSelection(quint32 flags, const QString& title)
{
    table::ApplyToSelectionCallbacks callbacks;
    callbacks.ask = m_ui.askExtend;
    callbacks.refreshAfterChanges = m_ui.refreshAfterChanges;
    callbacks.showResult = [this, title](int changes) { m_ui.showResult(title, changes); };

    const auto operation = [this, flags, title](const table::OperationRange& range,
                                                const std::function<void(int)>& completion) {
        if (!hasLoadableKeys(range.columns)) {
            const RowSpan rows{range.firstRow, range.lastRow};
            m_ui.askYesNo(title, extendQuestion(), [this, flags, rows](bool yes) {
                if (yes)
                    selectRowsAndRetry(flags, rows);
            });
            return;
        }
        const RecordList& arranged = m_table.collection().arrangedObjects();
        const qsizetype last = std::min<qsizetype>(range.lastRow, arranged.size() - 1);
        const RecordList records = range.firstRow < 0 || last < range.firstRow
            ? RecordList()
            : arranged.mid(range.firstRow, last - range.firstRow + 1);
        TagLoadRequest request;
        request.flags = flags;
        request.keys = range.columns;
        request.network = m_network.get();
        m_operations.runRecordsJob(
            title, loadTagsProgressText(flags),
            [records, request](const collection::JobContext& context) {
                return runLoadTags(records, request, context);
            },
            {}, [completion](const CollectionOperations::RecordsJobOutcome& outcome) {
                completion(int(outcome.count));
            });
    };
    table::applyToSelection(m_table.selection(), m_table.settings(), 0, operation, callbacks);
}

} // namespace tagmint::network
