#pragma once
// The mouse rules of the grid: a press selects a cell or (in the row-number
// column) a whole row, Shift extends, dragging extends from the press, a
// double click edits; a right click selects the cell under it first; a
// double click on a header divider resizes the column left of it.

#include "table/SelectionInput.h"

class QZTagLibTableSelection;

class SelectionMouse {
public:
    explicit SelectionMouse(QZTagLibTableSelection& selection) : m_selection(selection) {}

    // A left press. True when the press landed on a cell: drag events then
    // follow until the button is released.
    bool press(const MouseClick& click);
    // The pointer moved with the button down, over the view. Rows below 0
    // mean above the rows, rows of rowCount() or more below them; columns
    // alike.
    void drag(int row, int column);
    // A right press, before the context menu opens.
    void rightPress(int row, int column);
    // A double click in the header: the columns 5 points left of the
    // pointer, under it and 5 points right of it. True when it was taken as
    // a divider double click (columnResize hook called); false leaves it to
    // the header's own handling.
    bool headerDoubleClick(int leftColumn, int column, int rightColumn);

    // Where the last press landed; -1 when it missed the cells.
    int initialRow() const { return m_initialRow; }
    int initialColumn() const { return m_initialColumn; }

private:
    QZTagLibTableSelection& m_selection;
    int m_initialRow = -1;
    int m_initialColumn = -1;
    int m_lastDragRow = -1;
    int m_lastDragColumn = -1;
};
