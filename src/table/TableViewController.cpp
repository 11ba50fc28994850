#include "table/TableViewController.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "settings/QZTagLibTableSettings.h"
#include "table/ColumnLayout.h"
#include "table/SelectionHost.h"
#include "table/SelectionKeyboard.h"
#include "table/SelectionMouse.h"

#include <QSet>

using namespace tagmint::table;

TableViewController::TableViewController(QZTagLibRecordDataArrayController& collection,
                                         ColumnLayout& layout, SelectionHost& host,
                                         QZTagLibTableSettings& settings)
    : m_collection(collection),
      m_layout(layout),
      m_host(host),
      m_settings(settings),
      m_grid(collection, layout),
      m_selection(m_grid, host, &settings),
      m_commands(layout)
{
    m_layout.setChangeCallback([this] {
        if (m_callbacks.columnsChanged)
            m_callbacks.columnsChanged();
    });
    m_selection.hooks.keyDown = [this](const KeyPress& key) { return keyDown(key); };
    m_selection.hooks.mouseDown = [this] { notify(StatusNotification::resetPriority()); };
    m_selection.hooks.selectionDidChange = [this] {
        if (m_callbacks.selectionChanged)
            m_callbacks.selectionChanged();
    };
    m_selection.hooks.columnResize = [this](int column) {
        apply(m_commands.autoSizeColumnAtDivider(column, columnSelection(), content()));
    };
}

void TableViewController::notify(const StatusNotification& notification) const
{
    if (m_callbacks.notify)
        m_callbacks.notify(notification);
}

bool TableViewController::keyDown(const KeyPress& key)
{
    TableViewKeyContext context;
    context.editingInProgress = m_host.editingInProgress();
    context.activeRow = m_selection.activeRow();
    context.windowHasRecords = m_collection.totalCount() > 0;
    context.findBarVisible = m_callbacks.findBarVisible && m_callbacks.findBarVisible();
    const TableViewKeyResult result = tableViewKeyCommand(key, context);
    if (result.resetStatusPriority)
        notify(StatusNotification::resetPriority());

    using Key = TableViewKeyCommand;
    switch (result.command) {
    case Key::AutoFitActiveColumn: autoFitActiveColumn(); break;
    case Key::AutoFitAllColumns: autoFitAllColumns(); break;
    case Key::AutoSizeActiveColumn: autoSizeActiveColumn(); break;
    case Key::AutoSizeAllColumns: autoSizeAllColumns(); break;
    case Key::HideSelectedColumns: hideSelectedColumns(); break;
    case Key::HideOtherColumns: hideOtherColumns(); break;
    case Key::ShowAllColumns: showAllColumns(); break;
    case Key::OpenFilesLater:
        if (m_callbacks.openFiles)
            m_callbacks.openFiles();
        break;
    case Key::DeselectLeavingActiveCell: deselectAllCommand(); break;
    case Key::FocusFindBarFirstControl:
    case Key::FocusFindBarLastControl:
        if (!m_callbacks.focusFindBar)
            return false;
        m_callbacks.focusFindBar(result.command == Key::FocusFindBarLastControl);
        break;
    case Key::CloseFindBar:
        if (!m_callbacks.closeFindBar)
            return false;
        m_callbacks.closeFindBar();
        break;
    case Key::None:
        return false;
    }
    return true;
}

ColumnSelection TableViewController::columnSelection() const
{
    ColumnSelection selection;
    selection.columns = {m_selection.selectedMinColumn(), m_selection.selectedMaxColumn()};
    selection.activeColumn = m_selection.activeColumn();
    return selection;
}

ColumnContent TableViewController::content() const
{
    ColumnContent content;
    // Straight from the records' fields: no key lookup per cell.
    content.texts = [this](const QString& identifier) {
        QStringList texts;
        const std::optional<RecordField> field = tagmint::record::fieldForKey(identifier);
        if (!field || !tagmint::record::isText(*field))
            return texts;
        const qsizetype rows = m_collection.shownCount();
        texts.reserve(rows);
        for (qsizetype row = 0; row < rows; ++row)
            texts.append(m_collection.recordAtRow(row)->text(*field));
        return texts;
    };
    content.measure = m_measure;
    return content;
}

void TableViewController::apply(const ColumnCommandResult& result)
{
    if (result.beep)
        m_host.beep();
    if (result.columnsToSelect) {
        const RowSpan rows = m_selection.selectedRowIndexes();
        m_selection.setupSelectionSafeWithStartRow(rows.first, rows.last, result.columnsToSelect->first,
                                                   result.columnsToSelect->last,
                                                   std::max(m_selection.activeRow(), rows.first),
                                                   result.activeColumn);
    }
    if (!result.columnToReveal.isEmpty()) {
        const int column = m_layout.indexOfColumn(result.columnToReveal);
        if (column >= 0)
            m_host.scrollColumnToVisible(column);
    }
    if (result.revealActiveCell && m_selection.activeCell())
        m_selection.selectCell(*m_selection.activeCell());
    if (result.notification)
        notify(*result.notification);
}

// --- Header ---------------------------------------------------------------------

void TableViewController::headerClicked(int column)
{
    if (column == 0) {
        // The row-number header selects everything, or clears a full selection.
        if (m_selection.isAllSelected()) {
            m_selection.deselectAllWithLeavingCurrentCell();
            notify(deselectAllMessage());
        } else {
            selectAllCommand();
        }
        return;
    }
    if (!m_layout.isValidIndex(column))
        return;
    const SortDescriptors descriptors =
        m_commands.sortDescriptorsAfterHeaderClick(m_collection.sortDescriptors(), column);
    performChange([&] { m_collection.setSortDescriptors(descriptors); },
                  QZTagLibTableSelection::NoHorizontalScroll);
}

std::pair<int, bool> TableViewController::sortIndicator() const
{
    const SortDescriptors& descriptors = m_collection.sortDescriptors();
    if (descriptors.isEmpty())
        return {-1, true};
    const SortDescriptor& first = descriptors.first();
    for (int column = 1; column < m_layout.columnCount(); ++column) {
        const ColumnDescription& description = m_layout.columnAt(column);
        if (description.sortKey && description.sortKey->key == first.key)
            return {column, first.ascending};
    }
    return {-1, first.ascending};
}

bool TableViewController::columnMoved(int from, int to)
{
    const ColumnCommands::MoveOutcome outcome = m_commands.columnDidMove(from, to, columnSelection());
    if (outcome.resyncSelection)
        m_selection.syncSelectionWithLastSelectedCellAndUpdate();
    return outcome.accepted;
}

void TableViewController::columnResized(int column, float width)
{
    m_commands.columnDidResize(column, width, columnSelection());
}

bool TableViewController::headerDoubleClicked(int leftColumn, int column, int rightColumn)
{
    SelectionMouse mouse(m_selection);
    return mouse.headerDoubleClick(leftColumn, column, rightColumn);
}

// --- Selection commands ---------------------------------------------------------

void TableViewController::selectAllCommand()
{
    m_selection.selectAll();
    if (m_selection.hasSelectedRange())
        notify(selectAllMessage());
}

void TableViewController::deselectAllCommand()
{
    m_selection.deselectAllWithLeavingCurrentCell();
    notify(deselectAllMessage());
}

void TableViewController::selectAllCellsOfActiveColumn()
{
    const int first = m_selection.selectedMinColumn();
    const int last = m_selection.selectedMaxColumn();
    if (first < 1)
        return;
    m_selection.selectAllColumnCellsFromIndex(first, last);
    notify(StatusNotification::resetPriority());
    notify(selectColumnMessage(last - first + 1, m_layout.titleOfColumnWithIndex(first)));
}

void TableViewController::selectAllCellsOfSelectedRows()
{
    const int first = m_selection.selectedMinRow();
    const int last = m_selection.selectedMaxRow();
    if (first < 0)
        return;
    m_selection.selectAllRowCellsFromIndex(first, last);
    notify(StatusNotification::resetPriority());
    notify(selectRowMessage(last - first + 1));
}

// --- Column commands ----------------------------------------------------------------

void TableViewController::autoSizeActiveColumn(int menuColumn)
{
    apply(m_commands.autoSizeActiveColumn(columnSelection(), content(), menuColumn));
}

void TableViewController::autoFitActiveColumn(int menuColumn)
{
    apply(m_commands.autoFitActiveColumn(columnSelection(), content(), menuColumn));
}

void TableViewController::autoSizeAllColumns() { apply(m_commands.autoSizeAllColumns(content())); }

void TableViewController::autoFitAllColumns() { apply(m_commands.autoFitAllColumns(content())); }

void TableViewController::autoSizeAllColumnsNoMessage()
{
    m_commands.autoSizeAllColumnsNoMessage(content());
}

void TableViewController::hideSelectedColumns(int menuColumn)
{
    ColumnCommandResult result;
    const ColumnSelection selection = columnSelection();
    performChange([&] { result = m_commands.hideSelectedColumns(selection, menuColumn); },
                  QZTagLibTableSelection::RefreshVisibleOnly);
    apply(result);
}

void TableViewController::hideOtherColumns(int menuColumn)
{
    ColumnCommandResult result;
    const ColumnSelection selection = columnSelection();
    performChange([&] { result = m_commands.hideOtherColumns(selection, menuColumn); },
                  QZTagLibTableSelection::RefreshVisibleOnly);
    apply(result);
}

void TableViewController::showColumnsThen(const QStringList& identifiers, std::function<void()> show)
{
    if (m_commands.showingNeedsAudioProperties(identifiers)
        && m_collection.needsLoadingPropertiesForFlags(QZTagLibRecord::LoadAudioProperties)
        && m_callbacks.loadAudioProperties) {
        m_callbacks.loadAudioProperties(std::move(show));
        return;
    }
    show();
}

void TableViewController::showAllColumns()
{
    showColumnsThen(m_layout.hiddenColumns(), [this] {
        ColumnCommandResult result;
        performChange([&] { result = m_commands.showAllColumns(); },
                      QZTagLibTableSelection::RefreshVisibleOnly);
        apply(result);
    });
}

void TableViewController::toggleColumn(const QString& identifier)
{
    const auto toggle = [this, identifier] {
        ColumnCommandResult result;
        performChange([&] { result = m_commands.toggleColumn(identifier); },
                      QZTagLibTableSelection::RefreshVisibleOnly);
        apply(result);
    };
    if (m_layout.isVisible(identifier))
        toggle();
    else
        showColumnsThen({identifier}, toggle);
}

// --- Editing -----------------------------------------------------------------------------

QString TableViewController::editText(int row, int column) const
{
    return m_grid.cellText(row, column);
}

TableViewController::EditOutcome TableViewController::commitEdit(int row, int column,
                                                                 const QString& text, bool withReturn)
{
    EditOutcome outcome;
    const ColumnDescription* description = m_grid.columnAt(column);
    QZTagLibRecord* record = m_grid.recordAtRow(row);
    // A text is never a picture: committing one would remove the artwork.
    if (!description || description->isRowNumber() || !record
        || description->columnClass == ColumnClass::Artwork)
        return outcome;
    if (m_grid.isCellReadOnly(row, column)) {
        outcome.error = readOnlyExplanation(row, column);
        return outcome;
    }

    const QString key = description->identifier;
    QVariant value(textBeforeLineBreak(text));
    TagmintError error;
    if (!record->validateValue(value, key, &error)) {
        outcome.error = CellExplanation{description->title, error.message};
        return outcome;
    }
    record->setValueAndCheck(value, key);
    outcome.accepted = true;
    outcome.cellsUpdated = 1;

    if (withReturn) {
        // The same value for the column's other selected cells.
        const RowSpan rows = m_selection.selectedRowsOfColumnWithIdentifier(key);
        for (int other = rows.first; other <= rows.last; ++other) {
            QZTagLibRecord* target = m_grid.recordAtRow(other);
            if (other == row || !target || !target->isEditable())
                continue;
            QVariant copy = value;
            if (target->validateValue(copy, key)) {
                target->setValueAndCheck(copy, key);
                ++outcome.cellsUpdated;
            }
        }
        m_host.refreshVisibleCells();
        if (rows.count() >= 2)
            notify(multiCellEditMessage(outcome.cellsUpdated));
        if (m_selection.isSingleSelection())
            m_selection.moveActiveCellByRows(1, 0, false);
    } else {
        m_host.refreshVisibleCells();
    }
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
    return outcome;
}

CellExplanation TableViewController::readOnlyExplanation(int row, int column) const
{
    const ColumnDescription* description = m_grid.columnAt(column);
    const QZTagLibRecord* record = m_grid.recordAtRow(row);
    return tagmint::table::readOnlyExplanation(
        QStringLiteral("edit"), description ? description->title : QString(),
        !description || description->isReadOnly, record && record->hasInvalidTags());
}

// --- Records arriving -------------------------------------------------------------------

void TableViewController::performChange(const std::function<void()>& change, unsigned flags)
{
    m_selection.performChange(change, flags);
}

void TableViewController::recordsArrived(const RecordList& newRecords, bool selectNew)
{
    m_host.reloadData();
    if (!m_selection.hasSelection())
        m_selection.selectCellAtRow(0, 1, false);
    if (selectNew && !newRecords.isEmpty())
        selectRecords(newRecords);
}

void TableViewController::selectRecords(const RecordList& records)
{
    QSet<const QZTagLibRecord*> wanted;
    for (const RecordPtr& record : records)
        wanted.insert(record.get());
    int first = -1;
    int last = -1;
    const RecordList& rows = m_collection.arrangedObjects();
    for (qsizetype row = 0; row < rows.size(); ++row) {
        if (!wanted.contains(rows.at(row).get()))
            continue;
        if (first < 0)
            first = int(row);
        last = int(row);
    }
    if (first < 0)
        return;
    // One rectangle: sorted in among the others, the new rows may not be
    // consecutive, and the range then spans from the first to the last.
    const int activeColumn = std::max(m_selection.activeColumn(), 1);
    m_selection.setupSelectionSafeWithStartRow(first, last, 1, m_grid.columnCount() - 1, first,
                                               activeColumn);
}

RecordList TableViewController::selectedRecords() const
{
    RecordList records;
    const RowSpan rows = m_selection.selectedRowIndexes();
    for (int row = rows.first; row <= rows.last; ++row) {
        if (m_collection.isIndexValid(row))
            records.append(m_collection.arrangedObjects().at(row));
    }
    return records;
}

bool TableViewController::isEnabled(Command command, bool sheetAttached) const
{
    if (sheetAttached)
        return false;
    if (command == Command::Open)
        return true;
    if (m_collection.totalCount() == 0)
        return false;
    if (m_collection.isEmpty())
        return command == Command::Save || command == Command::SelectAll || command == Command::ShowFind;
    switch (command) {
    case Command::EditCell:
        return m_selection.isCurrentCellEditable();
    case Command::TextTool:
        return m_selection.hasSelection() && m_selection.hasEditableSelection();
    case Command::Save:
    case Command::Reload:
    case Command::ColumnCommand:
    case Command::ShowFind:
    case Command::FindStep:
        return true;
    case Command::SelectAll:
    case Command::Deselect:
    case Command::SelectColumn:
    case Command::SelectRow:
    case Command::ShowInFolder:
    case Command::MoveToWindow:
        return m_selection.hasSelection();
    case Command::Open:
        break;
    }
    return true;
}
