#pragma once
// Words of the table's own commands: selecting, editing, copying, pasting,
// clearing, reverting, removing rows, undoing, and the explanation shown
// where a cell cannot be written.

#include "table/StatusNotification.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tagmint::table {

// The popover where a cell cannot be written: "Cannot edit cell." and why.
struct CellExplanation {
    QString title;
    QString message;
};

// verb is "edit" or "clear". The column's own read-only flag names the
// column; otherwise the record explains (unreadable tags, locked file).
CellExplanation readOnlyExplanation(const QString& verb, const QString& columnTitle,
                                    bool columnReadOnly, bool recordHasInvalidTags);

// The text of an edited cell up to its first line break.
QString textBeforeLineBreak(const QString& text);

// "Edit": "%i selected cells were updated", priority 2 for one, 4 for more.
StatusNotification multiCellEditMessage(int cells);

// "%i tags changed." ("1 tag changed.", "No tags changed."): what a command
// that rewrites values (composing names, loading tags) changed.
QString tagsChangedText(int changes);
// The same under the command's title, the count of changes as subject,
// priority 4.
StatusNotification tagsChangedMessage(const QString& verb, int changes);

// A command taken by the active text field (a cell editor, the find field):
// verb, "active text field", "The contents of text field was <done>."
StatusNotification textFieldMessage(const QString& verb, const QString& done);

StatusNotification copyMessage(int cells);
// Repeated validation failures are listed once.
StatusNotification pasteMessage(int changed, int readOnlySkipped, const QStringList& errors);
StatusNotification clearMessage(int cleared, int readOnly);
// None when there is nothing to say (no cell was selected).
std::optional<StatusNotification> revertMessage(int reverted, int writable, int readOnly);
StatusNotification removeRowsMessage(int rows);
// The question before rows are removed ("Yes", "No", a "do not ask" box).
QString removeRowsConfirmation();
// "Undo" or "Redo" with the step's name ("Paste").
StatusNotification undoMessage(bool redo, const QString& stepName);

StatusNotification selectAllMessage();
StatusNotification deselectAllMessage();
// One column named by its title, several counted.
StatusNotification selectColumnMessage(int columns, const QString& title);
StatusNotification selectRowMessage(int rows);

} // namespace tagmint::table
