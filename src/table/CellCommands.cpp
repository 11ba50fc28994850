#include "table/CellCommands.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "table/CellTransfer.h"
#include "table/CollectionGrid.h"
#include "table/ColumnCatalog.h"
#include "table/EditHistory.h"
#include "table/QZTagLibTableSelection.h"
#include "table/SelectionHost.h"
#include "table/TableClipboard.h"

#include <QMimeData>

using namespace tagmint::table;

namespace {

const QString kPaste = QStringLiteral("Paste");

} // namespace

CellCommands::CellCommands(CollectionGrid& grid, QZTagLibTableSelection& selection,
                           EditHistory& history, Notify notify)
    : m_grid(grid), m_selection(selection), m_history(history), m_notify(std::move(notify))
{
}

std::unique_ptr<QMimeData> CellCommands::copy()
{
    const QStringList columns = m_selection.selectedColumnIdentifiers();
    const RowSpan rows = m_selection.selectedRowIndexes();
    if (columns.isEmpty() || rows.isEmpty())
        return nullptr;
    const CopiedCells copied = copyCells(
        columns, rows.first, rows.last, [this](int row) { return m_grid.recordAtRow(row); }, true);
    PasteboardImages::shared().replace(copied.images);
    m_notify(copyMessage(copied.cells));
    return tableMimeData(copied.text(), copied.firstImage);
}

CellCommands::PasteOutcome CellCommands::paste(const QMimeData* mime)
{
    PasteOutcome outcome;
    const std::optional<QByteArray> text =
        pasteTextFromMimeData(mime, PasteboardImages::shared(), &outcome.imageFailed);
    if (!text)
        return outcome;
    return pasteText(*text);
}

CellCommands::PasteOutcome CellCommands::pasteText(QByteArrayView text)
{
    PasteOutcome outcome;
    PasteSelection selection;
    selection.columns = m_selection.selectedColumnIdentifiersForWriting();
    const RowSpan rows = m_selection.selectedRowIndexes();
    if (selection.columns.isEmpty() || rows.isEmpty())
        return outcome;
    selection.firstRow = rows.first;
    selection.lastRow = rows.last;
    selection.rowCount = m_grid.rowCount();
    for (int column = m_selection.selectedMinColumn(); column >= 1 && column < m_grid.columnCount(); ++column)
        selection.columnsToTheRight.append(m_grid.isColumnReadOnly(column) ? QString()
                                                                         : m_grid.columnIdentifier(column));

    const TableRows source = parseTableText(text, pasteRowsWanted(selection));
    const PasteTargets targets = fitPasteTargets(selection, source.size());
    const bool single = m_selection.isSingleSelection();
    const int activeRow = m_selection.activeRow();
    const QString activeKey = m_selection.activeCell() ? m_selection.activeCell()->identifier : QString();
    const SelectionHost& host = m_selection.host();

    PasteResult result;
    std::optional<PasteFailure> shown;
    m_selection.performChange(
        [&] {
            result = pasteRows(
                source, targets, [this](int row) { return m_grid.recordAtRow(row); },
                PasteboardImages::shared(), [&](const PasteFailure& failure) {
                    const bool active = failure.row == activeRow && failure.key == activeKey;
                    const int column = m_grid.columnWithIdentifier(failure.key);
                    if ((!shown && host.hasCellView(failure.row, column)) || active)
                        shown = failure;
                });
        },
        QZTagLibTableSelection::RefreshVisibleOnly, kPaste);

    outcome.pasted = true;
    if (single && (result.maxRowShift != 0 || result.maxColumnShift != 0))
        m_selection.moveActiveCellByRows(result.maxRowShift, result.maxColumnShift, true);
    if (shown) {
        outcome.failure = CellNote{shown->row, m_grid.columnWithIdentifier(shown->key),
                                   {kPaste, shown->description}};
    }
    m_notify(pasteMessage(result.changed, result.readOnlySkipped, result.validationErrors));
    return outcome;
}

std::optional<CellCommands::CellNote> CellCommands::clear()
{
    if (!m_selection.hasSelection())
        return std::nullopt;
    int cleared = 0;
    int readOnly = 0;
    std::optional<CellNote> note;
    const SelectionHost& host = m_selection.host();
    const auto remember = [&](int row, int column, const QString& description) {
        const bool active = row == m_selection.activeRow() && column == m_selection.activeColumn();
        if (!host.hasCellView(row, column) || (note && !active))
            return;
        CellExplanation explanation;
        if (description.isEmpty()) {
            const ColumnDescription* columnDescription = m_grid.columnAt(column);
            const QZTagLibRecord* record = m_grid.recordAtRow(row);
            explanation = readOnlyExplanation(QStringLiteral("clear"), columnDescription->title,
                                              columnDescription->isReadOnly,
                                              record && record->hasInvalidTags());
        } else {
            explanation = readOnlyExplanation(QStringLiteral("clear"), QString(), false, false);
            explanation.message = description;
        }
        note = CellNote{row, column, explanation};
    };

    m_selection.performChange(
        [&] {
            m_selection.enumerateSelectedCellsUsingBlock([&](int row, int column) {
                QZTagLibRecord* record = m_grid.recordAtRow(row);
                if (!record)
                    return true;
                if (m_grid.isCellReadOnly(row, column)) {
                    ++readOnly;
                    remember(row, column, QString());
                    return true;
                }
                const QString key = m_grid.columnIdentifier(column);
                if (record->setValueAndCheck(QVariant(), key)) {
                    ++cleared;
                    return true;
                }
                QVariant empty;
                TagmintError error;
                if (!record->validateValue(empty, key, &error))
                    remember(row, column, error.message);
                return true;
            });
        },
        QZTagLibTableSelection::RefreshVisibleOnly, QStringLiteral("Clear Cells"));

    // A mixed selection still says what it cleared; the explanation alone
    // is shown only when nothing could be cleared.
    if (!note || cleared > 0)
        m_notify(clearMessage(cleared, readOnly));
    return note;
}

void CellCommands::revert()
{
    if (!m_selection.hasSelection())
        return;
    int reverted = 0;
    int writable = 0;
    int readOnly = 0;
    m_selection.performChange(
        [&] {
            m_selection.enumerateSelectedCellsUsingBlock([&](int row, int column) {
                QZTagLibRecord* record = m_grid.recordAtRow(row);
                if (!record)
                    return true;
                if (m_grid.isCellReadOnly(row, column)) {
                    ++readOnly;
                    return true;
                }
                ++writable;
                const QString key = m_grid.columnIdentifier(column);
                if (record->isDirtyForKey(key)) {
                    record->revertValueForKey(key);
                    ++reverted;
                }
                return true;
            });
        },
        QZTagLibTableSelection::RefreshVisibleOnly, QStringLiteral("Revert"));
    if (const auto message = revertMessage(reverted, writable, readOnly))
        m_notify(*message);
}

void CellCommands::removeRows(const RecordList& records)
{
    qsizetype removed = 0;
    QZTagLibRecordDataArrayController& collection = m_grid.collection();
    m_selection.performChange(
        [&] {
            const QList<RecordPlace> places = collection.placesOf(records);
            collection.removeObjects(records);
            m_history.noteRowsRemoved(places);
            removed = places.size();
        },
        QZTagLibTableSelection::ReferenceTopLeft, QStringLiteral("Remove Rows"));
    if (removed > 0)
        m_notify(removeRowsMessage(int(removed)));
}
