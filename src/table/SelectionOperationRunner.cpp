#include "table/SelectionOperationRunner.h"

#include "settings/QZTagLibTableSettings.h"
#include "table/QZTagLibTableSelection.h"
#include "table/SelectionGrid.h"

#include <memory>

namespace tagmint::table {

QString extendSelectionQuestion()
{
    return QStringLiteral(
        "This action could be applied to several selected cells. Cells can be selected by mouse or "
        "by pressing Shift and Arrows.\n\nWould you like to select all (Ctrl+A) cells and apply "
        "this action?");
}

QStringList extendSelectionButtons()
{
    return {QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel")};
}

namespace {

void run(QZTagLibTableSelection& selection, unsigned flags, bool extend,
         const SelectionOperation& operation, const ApplyToSelectionCallbacks& callbacks)
{
    if (extend && selection.isSingleSelection())
        selection.selectAll();

    // The scope only holds shown columns, so the shown editable columns and
    // all editable columns (ApplyAllEditableColumns) pick the same ones.
    const SelectionGrid& grid = selection.grid();
    const SelectionScope scope = selection.operationScopeWholeTableIfSingle(extend);
    OperationRange range{{}, scope.firstRow, scope.lastRow};
    for (const QString& identifier : scope.columns) {
        const int column = grid.columnWithIdentifier(identifier);
        if (column >= 1 && !grid.isColumnReadOnly(column))
            range.columns.append(identifier);
    }

    if (range.columns.isEmpty()) {
        if (!(flags & ApplyQuietWithoutColumns) && callbacks.showResult)
            callbacks.showResult(0);
        return;
    }
    if (!operation)
        return;
    operation(range, [callbacks](int changes) {
        if (changes != 0 && callbacks.refreshAfterChanges)
            callbacks.refreshAfterChanges();
        if (callbacks.showResult)
            callbacks.showResult(changes);
    });
}

} // namespace

void applyToSelection(QZTagLibTableSelection& selection, QZTagLibTableSettings& settings,
                      unsigned flags, SelectionOperation operation, ApplyToSelectionCallbacks callbacks)
{
    if (!selection.isSingleSelection() || !settings.showConfirmationAboutExtendingSelection()
        || !callbacks.ask) {
        run(selection, flags, false, operation, callbacks);
        return;
    }
    // The alert may answer after this returns; a reply counts once.
    auto answered = std::make_shared<bool>(false);
    auto ask = callbacks.ask;
    ask([&selection, &settings, flags, operation, callbacks, answered](ExtendAnswer answer,
                                                                      bool suppress) {
        if (*answered)
            return;
        *answered = true;
        if (suppress)
            settings.setShowConfirmationAboutExtendingSelection(false);
        if (answer != ExtendAnswer::Cancel)
            run(selection, flags, answer == ExtendAnswer::Yes, operation, callbacks);
    });
}

} // namespace tagmint::table
