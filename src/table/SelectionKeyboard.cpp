#include "table/SelectionKeyboard.h"

#include "table/QZTagLibTableSelection.h"
#include "table/SelectionGrid.h"
#include "table/SelectionHost.h"

#include <cmath>

namespace tagmint::table {

namespace {

bool isBackTab(const KeyPress& key)
{
    return key.key == Qt::Key_Backtab || (key.key == Qt::Key_Tab && hasShift(key.modifiers));
}

void startEditing(QZTagLibTableSelection& selection, const KeyPress& key)
{
    const int column = selection.activeColumn();
    // Ctrl is Command; Meta stands for the Mac's Control.
    const bool commandOrControl =
        hasCommand(key.modifiers) || key.modifiers.testFlag(Qt::MetaModifier);
    if (!selection.hasSelection() || column < 1 || commandOrControl) {
        selection.host().beep();
        return;
    }
    selection.beginEditingAtRow(selection.activeRow(), column, &key);
}

} // namespace

void tab(QZTagLibTableSelection& selection)
{
    const int lastColumn = selection.grid().columnCount() - 1;
    if (selection.activeColumn() < lastColumn)
        selection.moveActiveCellByRows(0, 1, false);
    else if (selection.activeRow() < selection.grid().rowCount() - 1)
        selection.moveActiveCellByRows(1, -lastColumn, false);
}

void backTab(QZTagLibTableSelection& selection)
{
    const int lastColumn = selection.grid().columnCount() - 1;
    if (selection.activeColumn() > 1)
        selection.moveActiveCellByRows(0, -1, false);
    else if (selection.activeRow() > 0)
        selection.moveActiveCellByRows(-1, lastColumn, false);
}

int pageRows(double visibleHeight, double rowHeight)
{
    if (rowHeight <= 0)
        rowHeight = 20;
    const double rows = std::floor(visibleHeight / rowHeight - 1);
    return rows > 0 && rows < 1e9 ? int(rows) : 10;
}

bool startsEditing(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!(c.isLetter() || c.isMark() || c.isDigit() || c.isPunct() || c == QLatin1Char(' ')))
            return false;
    }
    return true;
}

bool handleKeyDown(QZTagLibTableSelection& selection, const KeyPress& key)
{
    if (selection.hooks.keyDown && selection.hooks.keyDown(key))
        return true;

    const bool extend = hasShift(key.modifiers);
    const int C = selection.grid().columnCount();
    SelectionHost& host = selection.host();

    if (isBackTab(key)) {
        backTab(selection);
        return true;
    }
    switch (key.key) {
    case Qt::Key_Up:
        selection.moveActiveCellByRows(-1, 0, extend);
        return true;
    case Qt::Key_Down:
        selection.moveActiveCellByRows(1, 0, extend);
        return true;
    case Qt::Key_Left:
        if (selection.activeColumn() != 1)
            selection.moveActiveCellByRows(0, -1, extend);
        return true;
    case Qt::Key_Right:
        if (selection.activeColumn() != C - 1)
            selection.moveActiveCellByRows(0, 1, extend);
        return true;
    case Qt::Key_Home:
        selection.moveActiveCellByRows(0, -C, extend);
        return true;
    case Qt::Key_End:
        selection.moveActiveCellByRows(0, C, extend);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        int page = pageRows(host.visibleHeight(), host.rowHeight());
        if (key.autoRepeat)
            page *= 2;
        selection.moveActiveCellByRows(key.key == Qt::Key_PageUp ? -page : page, 0, extend);
        return true;
    }
    case Qt::Key_Tab:
        tab(selection);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        startEditing(selection, key);
        return true;
    case Qt::Key_Escape:
        host.discardEditing();
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (!host.editingInProgress() && selection.hooks.deleteKey)
            selection.hooks.deleteKey();
        return true;
    default:
        break;
    }
    if (startsEditing(key.text)) {
        startEditing(selection, key);
        return true;
    }
    return false;
}

TableViewKeyResult tableViewKeyCommand(const KeyPress& key, const TableViewKeyContext& context)
{
    using Command = TableViewKeyCommand;
    const Qt::KeyboardModifiers relevant =
        key.modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool command = hasCommand(key.modifiers);
    const bool second = hasOptionOrControl(key.modifiers);

    TableViewKeyResult result;
    result.resetStatusPriority = relevant == Qt::NoModifier;

    if (command) {
        switch (key.key) {
        case Qt::Key_Left:
            result.command = second ? Command::AutoFitAllColumns : Command::AutoFitActiveColumn;
            return result;
        case Qt::Key_Right:
            result.command = second ? Command::AutoSizeAllColumns : Command::AutoSizeActiveColumn;
            return result;
        case Qt::Key_Down:
            result.command = second ? Command::HideOtherColumns : Command::HideSelectedColumns;
            return result;
        case Qt::Key_Up:
            if (second) {
                result.command = Command::ShowAllColumns;
                return result;
            }
            break;
        case Qt::Key_A:
            if (hasShift(key.modifiers) && !second) {
                result.command = Command::DeselectLeavingActiveCell;
                return result;
            }
            break;
        default:
            break;
        }
    }

    if (key.key == Qt::Key_Up && context.activeRow == 0 && context.findBarVisible)
        result.command = Command::FocusFindBarLastControl;
    else if (isBackTab(key) && context.findBarVisible)
        result.command = Command::FocusFindBarLastControl;
    else if (key.key == Qt::Key_Tab && context.findBarVisible)
        result.command = Command::FocusFindBarFirstControl;
    else if (key.key == Qt::Key_Escape && context.findBarVisible && !context.editingInProgress)
        result.command = Command::CloseFindBar;
    else if ((key.key == Qt::Key_Return || key.key == Qt::Key_Enter) && !context.windowHasRecords)
        result.command = Command::OpenFilesLater;
    return result;
}

} // namespace tagmint::table
