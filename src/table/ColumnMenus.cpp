#include "table/ColumnMenus.h"

#include "table/ColumnLayout.h"

#include <algorithm>

namespace tagmint::table {

namespace {

ColumnMenuItem item(ColumnMenuCommand command, const QString& title, MenuShortcut shortcut = {})
{
    ColumnMenuItem result;
    result.command = command;
    result.title = title;
    result.shortcut = shortcut;
    return result;
}

ColumnMenuItem separator()
{
    return {};
}

} // namespace

QList<ColumnMenuItem> menuForColumnHeaderWithIndex(const ColumnLayout& layout, int column,
                                                   qsizetype arrangedRows)
{
    const bool hasRows = arrangedRows > 0;
    const bool onColumn = layout.isValidIndex(column);
    // The row numbers are not a column the commands work on.
    const bool onFieldColumn = onColumn && column > 0;

    QList<ColumnMenuItem> menu;
    ColumnMenuItem autoSize = item(ColumnMenuCommand::AutoSizeColumn,
                                   QStringLiteral("Auto Size Column"),
                                   {Qt::Key_Right, Qt::ControlModifier});
    autoSize.enabled = hasRows && onColumn
                       && layout.columnAt(column).minWidth != layout.columnAt(column).maxWidth;
    menu.append(autoSize);
    ColumnMenuItem autoSizeAll = item(ColumnMenuCommand::AutoSizeAllColumns,
                                      QStringLiteral("Auto Size All Columns"),
                                      {Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier});
    autoSizeAll.enabled = hasRows;
    menu.append(autoSizeAll);
    menu.append(separator());

    QList<ColumnMenuItem> toggles;
    const bool lastSearchable = layout.numberOfVisibleSearchableColumns() < 2;
    for (const QZTagLibTableColumnSetting& setting : layout.settings()) {
        const ColumnDescription& described = *setting.column;
        ColumnMenuItem toggle = item(ColumnMenuCommand::ToggleColumn, described.title);
        toggle.identifier = described.identifier;
        toggle.checkable = true;
        toggle.checked = layout.isVisible(described.identifier);
        toggle.enabled = !(toggle.checked && described.searchable && lastSearchable);
        toggles.append(toggle);
    }
    std::stable_sort(toggles.begin(), toggles.end(),
                     [](const ColumnMenuItem& a, const ColumnMenuItem& b) {
                         return QString::compare(a.title, b.title, Qt::CaseInsensitive) < 0;
                     });
    menu.append(toggles);
    menu.append(separator());

    ColumnMenuItem hide = item(ColumnMenuCommand::HideColumn, QStringLiteral("Hide Column"));
    ColumnMenuItem hideOthers = item(ColumnMenuCommand::HideOtherColumns,
                                     QStringLiteral("Hide Other Columns"));
    hide.enabled = hideOthers.enabled = onFieldColumn || column < 0;
    menu.append(hide);
    menu.append(hideOthers);
    menu.append(item(ColumnMenuCommand::ShowAllColumns, QStringLiteral("Show All Columns")));

    for (ColumnMenuItem& entry : menu) {
        if (!entry.isSeparator())
            entry.tag = column;
    }
    return menu;
}

QList<ColumnMenuItem> menuForCells(const std::function<bool(ColumnMenuCommand)>& isEnabled)
{
    QList<ColumnMenuItem> menu = {
        item(ColumnMenuCommand::ShowInFolder, QString()),
        item(ColumnMenuCommand::Undo, QString()),
        item(ColumnMenuCommand::Redo, QString()),
        item(ColumnMenuCommand::Revert, QString()),
        item(ColumnMenuCommand::Copy, QString()),
        item(ColumnMenuCommand::Paste, QString()),
        item(ColumnMenuCommand::Clear, QString()),
        item(ColumnMenuCommand::RemoveRows, QString()),
        item(ColumnMenuCommand::EditCell, QString()),
        item(ColumnMenuCommand::SelectAll, QString()),
        item(ColumnMenuCommand::SelectColumn, QStringLiteral("Select Column"),
             {Qt::Key_A, Qt::ControlModifier | Qt::AltModifier}),
        item(ColumnMenuCommand::SelectRow, QStringLiteral("Select Row")),
    };
    if (isEnabled) {
        for (ColumnMenuItem& entry : menu)
            entry.enabled = isEnabled(entry.command);
    }
    return menu;
}

QList<ColumnMenuItem> menuForTextField()
{
    return {
        item(ColumnMenuCommand::Copy, QStringLiteral("Copy"), {Qt::Key_C, Qt::ControlModifier}),
        item(ColumnMenuCommand::Paste, QStringLiteral("Paste"), {Qt::Key_V, Qt::ControlModifier}),
        separator(),
        item(ColumnMenuCommand::SelectAll, QStringLiteral("Select All"),
             {Qt::Key_A, Qt::ControlModifier}),
    };
}

} // namespace tagmint::table
