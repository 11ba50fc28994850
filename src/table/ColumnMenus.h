#pragma once
// The context menus of the table as data: the header's (column commands and
// one toggle per column), the cells' and the text fields'. The widget layer
// turns each item into a QAction.

#include <QList>
#include <QString>
#include <functional>

class ColumnLayout;

enum class ColumnMenuCommand {
    Separator,
    AutoSizeColumn,
    AutoSizeAllColumns,
    ToggleColumn,
    HideColumn,
    HideOtherColumns,
    ShowAllColumns,
    // The window menu's own commands, reused in the cells' menu.
    ShowInFolder,
    Undo,
    Redo,
    Revert,
    Copy,
    Paste,
    Clear,
    RemoveRows,
    EditCell,
    SelectAll,
    SelectColumn,
    SelectRow,
};

struct MenuShortcut {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
    bool operator==(const MenuShortcut&) const = default;
};

struct ColumnMenuItem {
    ColumnMenuCommand command = ColumnMenuCommand::Separator;
    // Empty for a window-menu command: its action keeps its own title.
    QString title;
    MenuShortcut shortcut;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    // The header column the menu was opened on (-1 for none).
    int tag = -1;
    // The column a ToggleColumn item shows or hides.
    QString identifier;

    bool isSeparator() const { return command == ColumnMenuCommand::Separator; }
};

namespace tagmint::table {

// The menu of the header column under the pointer (-1 when none is);
// arrangedRows is the number of rows the table shows.
QList<ColumnMenuItem> menuForColumnHeaderWithIndex(const ColumnLayout& layout, int column,
                                                   qsizetype arrangedRows);
// The cells' menu; isEnabled answers the window's validation of a command
// (all enabled without it).
QList<ColumnMenuItem> menuForCells(const std::function<bool(ColumnMenuCommand)>& isEnabled = {});
QList<ColumnMenuItem> menuForTextField();

} // namespace tagmint::table
