#include "network/LoadTagsCommand.h"

#include "collection/CollectionOperations.h"
#include "collection/QZTagLibRecordDataArrayController.h"
#include "network/LoadTagsRun.h"
#include "record/RecordChangeLog.h"
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

QString LoadTagsCommand::offlineStatusText()
{
    return QStringLiteral("Cannot load tags, network is unavailable.");
}

QString LoadTagsCommand::offlineMessage()
{
    return QStringLiteral("New tags cannot be loaded from network because your computer is currently offline. "
                          "Network Diagnostics can help you solve network connection problems.\n\n"
                          "Press Continue to try to get tags from local cache, if exist.\n");
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

    if ((flags & FromNetwork) && !(flags & OfflineAccepted) && m_ui.isOnline && m_ui.askOffline && !m_ui.isOnline()) {
        if (m_ui.statusMessage)
            m_ui.statusMessage(offlineStatusText(), 3);
        m_ui.askOffline(title, offlineMessage(), [this, flags](OfflineChoice choice) {
            if (choice == OfflineChoice::Continue)
                run(flags | OfflineAccepted);
            else if (choice == OfflineChoice::Diagnose && m_ui.diagnoseNetwork)
                m_ui.diagnoseNetwork();
        });
        return;
    }

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
        // The run sets values on its own thread, where the window's history
        // cannot see them: its own log notes them, and the whole run
        // becomes one undo step when it ends (stopped runs too).
        auto noted = std::make_shared<RecordChanges>();
        m_operations.runRecordsJob(
            title, loadTagsProgressText(flags),
            [records, request, noted](const collection::JobContext& context) {
                RecordChangeLog log;
                const qint64 changes = runLoadTags(records, request, context);
                *noted = log.finish();
                return changes;
            },
            {}, [this, title, noted, completion](const CollectionOperations::RecordsJobOutcome& outcome) {
                m_table.history().addStep(title, std::move(*noted));
                completion(int(outcome.count));
            });
    };
    table::applyToSelection(m_table.selection(), m_table.settings(), 0, operation, callbacks);
}

} // namespace tagmint::network
