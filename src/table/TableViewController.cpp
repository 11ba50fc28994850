#include "table/TableViewController.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "naming/FileNameComposer.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "settings/QZTagLibTableSettings.h"
#include "table/ArtworkCommands.h"
#include "table/ArtworkExport.h"
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
      m_commands(layout),
      m_history(collection),
      m_cells(m_grid, m_selection, m_history, [this](const StatusNotification& n) { notify(n); })
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
    m_selection.hooks.deleteKey = [this] { clearSelectedContent(); };
    m_selection.hooks.changeWillRun = [this](const QString& name) { m_history.beginStep(name); };
    m_selection.hooks.changeDidRun = [this] { m_history.endStep(); };
    m_history.setChangeRunner([this](const std::function<void()>& change, bool rowsChange) {
        m_selection.performChange(change, rowsChange ? QZTagLibTableSelection::ReferenceTopLeft
                                                     : QZTagLibTableSelection::RefreshVisibleOnly);
    });
}

void TableViewController::notify(const StatusNotification& notification) const
{
    if (m_callbacks.notify)
        m_callbacks.notify(notification);
}

void TableViewController::contentChanged() const
{
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
}

void TableViewController::showAtCell(int row, int column, const CellExplanation& explanation) const
{
    if (m_callbacks.showAtCell)
        m_callbacks.showAtCell(row, column, explanation);
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

void TableViewController::showColumns(const QStringList& identifiers)
{
    QStringList hidden;
    for (const QString& identifier : identifiers) {
        if (tagmint::table::columnDescription(identifier) && !m_layout.isVisible(identifier))
            hidden.append(identifier);
    }
    if (!hidden.isEmpty())
        performChange([&] { m_layout.showColumns(hidden); }, QZTagLibTableSelection::RefreshVisibleOnly);
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
    // A text is never a picture: committing one would remove the artwork.
    const ColumnDescription* description = m_grid.columnAt(column);
    if (description && description->columnClass == ColumnClass::Artwork)
        return {};
    return commitValue(row, column, textBeforeLineBreak(text), withReturn, QStringLiteral("Edit"));
}

TableViewController::EditOutcome TableViewController::commitValue(int row, int column,
                                                                  const QVariant& input,
                                                                  bool withReturn,
                                                                  const QString& undoName)
{
    EditOutcome outcome;
    const ColumnDescription* description = m_grid.columnAt(column);
    QZTagLibRecord* record = m_grid.recordAtRow(row);
    if (!description || description->isRowNumber() || !record)
        return outcome;
    if (m_grid.isCellReadOnly(row, column)) {
        outcome.error = readOnlyExplanation(row, column);
        return outcome;
    }

    const QString key = description->identifier;
    QVariant value = input;
    TagmintError error;
    if (!record->validateValue(value, key, &error)) {
        outcome.error = CellExplanation{description->title, error.message};
        return outcome;
    }
    // The same value for the column's other selected cells with Return.
    const RowSpan rows = withReturn ? m_selection.selectedRowsOfColumnWithIdentifier(key) : RowSpan{};
    m_selection.performChange(
        [&] {
            record->setValueAndCheck(value, key);
            outcome.accepted = true;
            outcome.cellsUpdated = 1;
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
        },
        QZTagLibTableSelection::RefreshVisibleOnly | QZTagLibTableSelection::KeepFirstResponder,
        undoName);

    if (withReturn) {
        if (rows.count() >= 2)
            notify(multiCellEditMessage(outcome.cellsUpdated));
        if (m_selection.isSingleSelection())
            m_selection.moveActiveCellByRows(1, 0, false);
    }
    contentChanged();
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

// --- Editing commands ----------------------------------------------------------------------

std::unique_ptr<QMimeData> TableViewController::copy()
{
    return m_cells.copy();
}

void TableViewController::paste(const QMimeData* mime)
{
    const CellCommands::PasteOutcome outcome = m_cells.paste(mime);
    if (outcome.imageFailed)
        reportNoArtwork();
    if (!outcome.pasted)
        return;
    if (outcome.failure)
        showAtCell(outcome.failure->row, outcome.failure->column, outcome.failure->explanation);
    contentChanged();
}

void TableViewController::clearSelectedContent()
{
    if (const auto note = m_cells.clear())
        showAtCell(note->row, note->column, note->explanation);
    contentChanged();
}

void TableViewController::revertSelectedContent()
{
    m_cells.revert();
    contentChanged();
}

TableViewController::RemoveRowsQuestion TableViewController::removeRowsQuestion(const RecordList& records) const
{
    for (const RecordPtr& record : records) {
        if (record->isDirty())
            return RemoveRowsQuestion::UnsavedChanges;
    }
    return m_settings.showConfirmationBeforeRemovingRows() ? RemoveRowsQuestion::Confirmation
                                                           : RemoveRowsQuestion::None;
}

void TableViewController::removeRows(const RecordList& records)
{
    if (records.isEmpty())
        return;
    m_cells.removeRows(records);
    contentChanged();
}

void TableViewController::undo()
{
    const QString name = m_history.undo();
    if (name.isEmpty())
        return;
    notify(undoMessage(false, name));
    contentChanged();
}

void TableViewController::redo()
{
    const QString name = m_history.redo();
    if (name.isEmpty())
        return;
    notify(undoMessage(true, name));
    contentChanged();
}

// --- The artwork cell --------------------------------------------------------------------------

void TableViewController::applyArtwork(int row, int column, const tagmint::tags::TagPicture& picture)
{
    const bool none = picture.image.isNull();
    const EditOutcome outcome = commitValue(row, column, none ? QVariant() : QVariant::fromValue(picture),
                                            true, QStringLiteral("Artwork"));
    if (outcome.error) {
        showAtCell(row, column, *outcome.error);
        return;
    }
    notify(none ? artworkDeletedMessage() : artworkUpdatedMessage(picture.image));
}

void TableViewController::exportArtwork(int row, const QString& folder)
{
    QZTagLibRecord* record = m_grid.recordAtRow(row);
    if (!record)
        return;
    const QImage image = record->image();
    record->releaseTagResources();
    if (tagmint::table::exportArtwork(image, folder))
        notify(artworkSavedMessage(folder));
}

void TableViewController::reportNoArtwork()
{
    if (m_callbacks.alert)
        m_callbacks.alert(couldNotLoadArtworkTitle(), noArtworkInSelectedFile());
    notify(noArtworkMessage());
}

// --- Records arriving -------------------------------------------------------------------

void TableViewController::performChange(const std::function<void()>& change, unsigned flags,
                                        const QString& undoName)
{
    m_selection.performChange(change, flags, undoName);
}

int TableViewController::composeFileNames(quint32 composeFlags)
{
    const QString filename = QStringLiteral("filename");
    const RowSpan rows = m_selection.selectedRowsOfColumnWithIdentifier(filename);
    QList<QZTagLibRecord*> records;
    for (int row = rows.first; row <= rows.last; ++row) {
        if (QZTagLibRecord* record = m_collection.recordAtRow(row))
            records.append(record);
    }
    int changed = 0;
    const QString verb = QStringLiteral("Edit");
    performChange([&] { changed = tagmint::naming::composeFileNames(records, composeFlags); },
                  QZTagLibTableSelection::RefreshVisibleOnly, verb);
    if (changed != 0) {
        m_host.refreshVisibleCells();
        if (m_callbacks.contentChanged)
            m_callbacks.contentChanged();
        m_commands.autoSizeColumnWithIdentifier(filename, tagmint::table::AutoWidth::Size, content());
    }
    notify(StatusNotification::resetPriority());
    notify(tagsChangedMessage(verb, changed));
    return changed;
}

void TableViewController::composePanelClosed(quint32 composeFlags, bool done)
{
    m_settings.setComposeFileNameFlags(int(composeFlags));
    if (done)
        composeFileNames(composeFlags);
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

bool TableViewController::isEnabled(Command command, bool sheetAttached, bool textFieldActive) const
{
    if (sheetAttached)
        return false;
    if (command == Command::Open)
        return true;
    if (m_collection.totalCount() == 0)
        return false;
    if (m_collection.isEmpty()) {
        // Everything is filtered out: what a text field (the find field)
        // can still take, and saving.
        switch (command) {
        case Command::Save:
        case Command::SelectAll:
        case Command::Copy:
        case Command::Paste:
        case Command::Clear:
        case Command::Revert:
        case Command::ShowFind:
            return true;
        case Command::Undo:
        case Command::Redo:
            return textFieldActive;
        default:
            return false;
        }
    }
    const bool selection = m_selection.hasSelection();
    const bool writable = textFieldActive || m_selection.hasEditableSelection();
    switch (command) {
    case Command::EditCell:
        return !textFieldActive && m_selection.isCurrentCellEditable();
    case Command::TextTool:
        return selection && m_selection.hasEditableSelection();
    case Command::Save:
    case Command::Reload:
    case Command::ColumnCommand:
    case Command::ShowFind:
    case Command::FindStep:
        return true;
    case Command::Copy:
    case Command::SelectAll:
    case Command::Revert:
        return selection || textFieldActive;
    case Command::Paste:
    case Command::Clear:
        return writable && (selection || textFieldActive);
    case Command::Undo:
        return textFieldActive || m_history.canUndo();
    case Command::Redo:
        return textFieldActive || m_history.canRedo();
    case Command::Deselect:
    case Command::SelectColumn:
    case Command::SelectRow:
    case Command::ShowInFolder:
    case Command::MoveToWindow:
    case Command::RemoveRows:
        return selection;
    case Command::Open:
        break;
    }
    return true;
}
