#pragma once
// What the grid widget does for the selection: scrolling, cell editing,
// reloading, focus and redrawing. The selection decides; the host only
// carries out. Rows and columns given here always exist.

struct KeyPress;

class SelectionHost {
public:
    virtual ~SelectionHost() = default;

    virtual void scrollRowToVisible(int row) = 0;
    virtual void scrollColumnToVisible(int column) = 0;
    // The cell has a view and that view lies wholly inside the visible area.
    virtual bool isCellFullyVisible(int row, int column) const = 0;
    virtual bool hasCellView(int row, int column) const = 0;
    // Height of the visible area and of one row, for paging.
    virtual double visibleHeight() const = 0;
    virtual double rowHeight() const = 0;

    virtual bool editingInProgress() const = 0;
    // Commits the cell being edited, if any.
    virtual void endEditing() = 0;
    // Abandons the cell being edited, if any.
    virtual void discardEditing() = 0;
    // Opens the cell's editor; event is the key that started it (its
    // character begins the new text), null for Return, a double click or a
    // command.
    virtual void beginEditing(int row, int column, const KeyPress* event) = 0;
    // The cell cannot be written: show the read-only explanation there.
    virtual void showReadOnlyExplanation(int row, int column) = 0;
    // The one-time "Edit" introduction beside the cell being edited. It
    // must not take the keyboard: the editor is already open.
    virtual void showEditingIntroduction(int row, int column) = 0;
    // An edit of the artwork cell starts (Return, double click, typing): it
    // is never a text edit.
    virtual void beginArtworkEdit(int row, int column) = 0;

    // The file-name cell opens the options panel for composing names from
    // tags instead of its editor; with introductionFirst the one-time
    // introduction comes first and offers to open it.
    virtual void showFileNameComposer(int row, int column, bool introductionFirst)
    {
        (void)row, (void)column, (void)introductionFirst;
    }

    // Rebuilds every row after the data changed.
    virtual void reloadData() = 0;
    // Redraws the contents of the visible cells only.
    virtual void refreshVisibleCells() = 0;
    // The selection changed: visible cells take their cellState() again.
    virtual void updateCellDrawing() = 0;
    virtual void makeFirstResponder() = 0;
    // Takes the keyboard focus when it is in a view outside the table.
    virtual void takeFocusFromOutside() = 0;
    virtual void beep() = 0;
};
