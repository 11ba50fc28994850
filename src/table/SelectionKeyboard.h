#pragma once
// The keys of the table: the grid's own key table (moving, extending,
// paging, Tab, starting to edit, Escape, Delete) and the table view's key
// hook, which takes column commands, find-bar focus and a few others before
// the grid sees the key.

#include "table/SelectionInput.h"

class QZTagLibTableSelection;

namespace tagmint::table {

// The grid's key-down: first the selection's keyDown hook, then the key
// table. False when the platform's default handling should run.
bool handleKeyDown(QZTagLibTableSelection& selection, const KeyPress& key);

// Tab and Shift+Tab in the grid: one cell right or left, wrapping to the
// next or previous row. Also the move after Tab ends a cell's editing,
// which never goes into the find bar.
void tab(QZTagLibTableSelection& selection);
void backTab(QZTagLibTableSelection& selection);

// Rows one Page Up/Down moves by.
int pageRows(double visibleHeight, double rowHeight);

// Typed text that starts editing a cell: letters, digits, punctuation and
// the space only.
bool startsEditing(const QString& text);

enum class TableViewKeyCommand {
    None,                       // the key goes on to the grid
    AutoFitActiveColumn,
    AutoFitAllColumns,
    AutoSizeActiveColumn,
    AutoSizeAllColumns,
    HideSelectedColumns,
    HideOtherColumns,
    ShowAllColumns,
    FocusFindBarFirstControl,
    FocusFindBarLastControl,
    CloseFindBar,
    OpenFilesLater,             // the open-files command, 0.01 s later
    DeselectLeavingActiveCell,  // with the deselect message
};

struct TableViewKeyContext {
    bool findBarVisible = false;
    bool editingInProgress = false;
    int activeRow = -1;
    bool windowHasRecords = true;
};

struct TableViewKeyResult {
    // A key without modifiers ends the status bar's message priority,
    // whatever else happens to it.
    bool resetStatusPriority = false;
    TableViewKeyCommand command = TableViewKeyCommand::None;

    bool handled() const { return command != TableViewKeyCommand::None; }
};

// The table view's key hook: what it does with a key before the grid.
TableViewKeyResult tableViewKeyCommand(const KeyPress& key, const TableViewKeyContext& context);

} // namespace tagmint::table
