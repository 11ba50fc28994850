#pragma once
// The editing commands on the selected cells of a table: copy, paste,
// clear, revert and remove rows, with their messages. Each change runs in
// the selection's performChange, so the selection follows the records and
// the history makes it one undoable step named after the command.

#include "collection/RecordList.h"
#include "table/StatusNotification.h"
#include "table/TableCommandTexts.h"

#include <QByteArrayView>
#include <QMimeData>
#include <functional>
#include <memory>
#include <optional>

class CollectionGrid;
class EditHistory;
class QZTagLibTableSelection;
class SelectionHost;

class CellCommands {
public:
    using Notify = std::function<void(const StatusNotification&)>;

    // Something to show in a popover at a cell.
    struct CellNote {
        int row = -1;
        int column = -1;
        tagmint::table::CellExplanation explanation;
    };

    struct PasteOutcome {
        bool pasted = false;
        // The picture pasted as image data does not decode.
        bool imageFailed = false;
        // A value that did not validate, at the active cell when it failed there.
        std::optional<CellNote> failure;
    };

    CellCommands(CollectionGrid& grid, QZTagLibTableSelection& selection, EditHistory& history,
                 Notify notify);

    // The selected cells as clipboard contents (pictures go to the shared
    // PasteboardImages); null when nothing is selected.
    std::unique_ptr<QMimeData> copy();
    PasteOutcome paste(const QMimeData* mime);
    PasteOutcome pasteText(QByteArrayView text);
    // The read-only explanation to show, when a cell could not be cleared.
    std::optional<CellNote> clear();
    void revert();

    // Takes the records out of the window (their files stay as they are).
    void removeRows(const RecordList& records);

private:
    CollectionGrid& m_grid;
    QZTagLibTableSelection& m_selection;
    EditHistory& m_history;
    Notify m_notify;
};
