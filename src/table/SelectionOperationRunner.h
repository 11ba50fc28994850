#pragma once
// Runs a command over the selected cells of writable columns (text
// transformations, loading tags). When only one cell is selected it may
// first ask whether to apply the command to the whole table; the question
// is an alert of the application, answered through a reply.

#include <QString>
#include <QStringList>
#include <functional>

class QZTagLibTableSelection;
class QZTagLibTableSettings;

namespace tagmint::table {

enum ApplyFlag : unsigned {
    ApplyAllEditableColumns = 1,   // hidden editable columns are candidates too
    ApplyQuietWithoutColumns = 2,  // no zero-changes message when no column qualifies
};

enum class ExtendAnswer { Yes, No, Cancel };

// The alert's text and buttons; it also carries a suppression check box.
QString extendSelectionQuestion();
QStringList extendSelectionButtons();   // "Yes", "No", "Cancel"

struct OperationRange {
    QStringList columns;
    int firstRow = -1;
    int lastRow = -1;
};

struct ApplyToSelectionCallbacks {
    // Called once with the answer and whether "do not ask again" was ticked.
    using Reply = std::function<void(ExtendAnswer answer, bool suppress)>;
    // Shows the question and replies, now or later. Without it a single
    // selection is never extended.
    std::function<void(const Reply& reply)> ask;
    // After a run that changed something: redraw all cells and the caption.
    std::function<void()> refreshAfterChanges;
    // The tags-changed message for the number of changes.
    std::function<void(int changes)> showResult;
};

// The operation works on the range and calls completion with the number of
// changes it made (possibly later).
using SelectionOperation =
    std::function<void(const OperationRange& range, const std::function<void(int changes)>& completion)>;

// Selection, settings and callbacks must outlive a reply given later.
void applyToSelection(QZTagLibTableSelection& selection, QZTagLibTableSettings& settings,
                      unsigned flags, SelectionOperation operation, ApplyToSelectionCallbacks callbacks);

} // namespace tagmint::table
