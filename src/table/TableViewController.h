#pragma once
// What a table window's table does, without widgets: the cell selection over
// the collection and the column layout, header clicks, column commands,
// committing an edited cell, the editing commands with their undo history,
// the artwork cell's changes, placing the selection after records arrive,
// the table's key hook and which commands are enabled. The grid widget is
// the SelectionHost; everything the user should hear of goes to notify.

#include "collection/RecordList.h"
#include "table/CellCommands.h"
#include "table/CollectionGrid.h"
#include "table/ColumnCommands.h"
#include "table/EditHistory.h"
#include "table/QZTagLibTableSelection.h"
#include "table/StatusNotification.h"
#include "table/TableCommandTexts.h"

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

class ColumnLayout;
class QZTagLibRecordDataArrayController;
class QZTagLibTableSettings;
class SelectionHost;

class TableViewController {
public:
    // The window's part; each may be empty.
    struct Callbacks {
        std::function<void(const StatusNotification&)> notify;
        // Return pressed in a window without records.
        std::function<void()> openFiles;
        std::function<void()> selectionChanged;
        // Record values changed: recount, retitle.
        std::function<void()> contentChanged;
        // Order, visibility or widths of the columns changed.
        std::function<void()> columnsChanged;
        // An audio-property column is about to be shown and some record was
        // never probed: probe, then call then (only when it completed).
        std::function<void(std::function<void()> then)> loadAudioProperties;
        // The find bar: whether it shows, moving the focus into it (to its
        // last control or its first), closing it.
        std::function<bool()> findBarVisible;
        std::function<void(bool lastControl)> focusFindBar;
        std::function<void()> closeFindBar;
        // A popover at a cell: why it could not be cleared, a pasted value
        // that did not validate.
        std::function<void(int row, int column, const tagmint::table::CellExplanation&)> showAtCell;
        // An alert sheet on the window.
        std::function<void(const QString& title, const QString& text)> alert;
    };

    // Commands whose menu items follow the table's state.
    enum class Command {
        Open, Save, Reload, EditCell, SelectAll, Deselect, SelectColumn, SelectRow, ShowInFolder,
        MoveToWindow, ColumnCommand, Copy, Paste, Clear, Revert, RemoveRows, Undo, Redo,
        TextTool,    // change case, fix encoding, remove extra spaces or characters
        ShowFind,    // the find bar, with or without replacing
        FindStep,    // find next or previous, replace, use selection for find
    };

    // What removing the selected rows asks first.
    enum class RemoveRowsQuestion { None, UnsavedChanges, Confirmation };

    struct EditOutcome {
        bool accepted = false;
        // The validation failure shown at the cell (title: the column's).
        std::optional<tagmint::table::CellExplanation> error;
        int cellsUpdated = 0;
    };

    TableViewController(QZTagLibRecordDataArrayController& collection, ColumnLayout& layout,
                        SelectionHost& host, QZTagLibTableSettings& settings);
    TableViewController(const TableViewController&) = delete;
    TableViewController& operator=(const TableViewController&) = delete;

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    // Width of a text in the cells' font, for auto-sizing.
    void setMeasure(std::function<double(const QString&)> measure) { m_measure = std::move(measure); }

    QZTagLibTableSelection& selection() { return m_selection; }
    const QZTagLibTableSelection& selection() const { return m_selection; }
    const CollectionGrid& grid() const { return m_grid; }
    ColumnCommands& columnCommands() { return m_commands; }
    ColumnLayout& layout() const { return m_layout; }
    QZTagLibTableSettings& settings() const { return m_settings; }
    QZTagLibRecordDataArrayController& collection() const { return m_collection; }

    // --- Header --------------------------------------------------------------
    // A click on a column's header sorts by it (again: the other way round).
    void headerClicked(int column);
    // The column and direction the sort indicator shows; column -1 for none.
    std::pair<int, bool> sortIndicator() const;
    // False: put the section back.
    bool columnMoved(int from, int to);
    void columnResized(int column, float width);
    // The pointer's column, 5 points left and 5 points right of it.
    bool headerDoubleClicked(int leftColumn, int column, int rightColumn);

    // --- Selection commands (with their messages) -----------------------------
    void selectAllCommand();
    void deselectAllCommand();
    void selectAllCellsOfActiveColumn();
    void selectAllCellsOfSelectedRows();

    // --- Column commands; menuColumn is the header column a menu was opened on
    void autoSizeActiveColumn(int menuColumn = -1);
    void autoFitActiveColumn(int menuColumn = -1);
    void autoSizeAllColumns();
    void autoFitAllColumns();
    void autoSizeAllColumnsNoMessage();
    // The same a column per call (see ColumnCommands::autoSizeStep).
    bool autoSizeStep(AutoSizeRun& run) { return m_commands.autoSizeStep(run, content()); }
    void hideSelectedColumns(int menuColumn = -1);
    void hideOtherColumns(int menuColumn = -1);
    void showAllColumns();
    void toggleColumn(const QString& identifier);

    // Shows the hidden ones of these columns, without a message (columns that
    // loading tags filled).
    void showColumns(const QStringList& identifiers);

    // --- Editing one cell ------------------------------------------------------
    // The text the editor starts with.
    QString editText(int row, int column) const;
    // Validates and sets the cell's value; with Return the value also goes to
    // the column's other selected cells and a single selection moves down.
    EditOutcome commitEdit(int row, int column, const QString& text, bool withReturn);
    // The same for any value (a picture for the artwork cell), as one
    // undoable step of that name.
    EditOutcome commitValue(int row, int column, const QVariant& value, bool withReturn,
                            const QString& undoName);

    // --- Editing commands over the selection ------------------------------------
    // Null when nothing is selected.
    std::unique_ptr<QMimeData> copy();
    void paste(const QMimeData* mime);
    void clearSelectedContent();
    void revertSelectedContent();
    RemoveRowsQuestion removeRowsQuestion(const RecordList& records) const;
    void removeRows(const RecordList& records);
    void undo();
    void redo();
    EditHistory& history() { return m_history; }
    const EditHistory& history() const { return m_history; }

    // --- The artwork cell ---------------------------------------------------------
    // Writes the picture (null: deletes it) into the cell and, as a commit
    // with Return, the column's other selected cells, then reports.
    void applyArtwork(int row, int column, const tagmint::tags::TagPicture& picture);
    // Saves the row's picture into the folder and reports; quiet when there
    // is no picture or it cannot be written.
    void exportArtwork(int row, const QString& folder);
    // A chosen, dropped or pasted source gave no picture.
    void reportNoArtwork();
    tagmint::table::CellExplanation readOnlyExplanation(int row, int column) const;
    // The options panel closed with Done: the selected cells of the file-name
    // column get names composed from their tags. Reports and returns how
    // many names changed.
    int composeFileNames(quint32 composeFlags);
    // The options panel closed: its options are kept, and with Done the
    // names are composed.
    void composePanelClosed(quint32 composeFlags, bool done);

    // --- Records arriving --------------------------------------------------------
    // After opening, reloading or moving in: the table reloads; without a
    // selection the first cell is selected; with selectNew the new records
    // become the selection.
    void recordsArrived(const RecordList& newRecords, bool selectNew);
    // Selects the rows from the first to the last of these records.
    void selectRecords(const RecordList& records);
    // The records of the selected rows, in row order.
    RecordList selectedRecords() const;
    // Runs a change of the records (removal, sorting) with the selection
    // following the records; undoName names its undo step when it changes values.
    void performChange(const std::function<void()>& change, unsigned flags,
                       const QString& undoName = QString());

    // textFieldActive: a cell editor or the find field has the keyboard.
    bool isEnabled(Command command, bool sheetAttached, bool textFieldActive = false) const;

private:
    void notify(const StatusNotification& notification) const;
    void contentChanged() const;
    void showAtCell(int row, int column, const tagmint::table::CellExplanation& explanation) const;
    bool keyDown(const KeyPress& key);
    ColumnSelection columnSelection() const;
    ColumnContent content() const;
    void apply(const ColumnCommandResult& result);
    // Shows columns, probing audio properties first when they need it.
    void showColumnsThen(const QStringList& identifiers, std::function<void()> show);

    QZTagLibRecordDataArrayController& m_collection;
    ColumnLayout& m_layout;
    SelectionHost& m_host;
    QZTagLibTableSettings& m_settings;
    CollectionGrid m_grid;
    QZTagLibTableSelection m_selection;
    ColumnCommands m_commands;
    EditHistory m_history;
    CellCommands m_cells;
    Callbacks m_callbacks;
    std::function<double(const QString&)> m_measure;
};
