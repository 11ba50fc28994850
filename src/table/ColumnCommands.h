#pragma once
// The column commands of a table window (auto-size, auto-fit, hide, show,
// toggle) with their status messages, and the handling of what the user
// does in the header (move, resize, sort clicks). Works on the window's
// ColumnLayout; the selection comes in as display indexes and whatever the
// selection must do afterwards goes back in the result.

#include "collection/RecordArrangement.h"
#include "table/ColumnLayout.h"
#include "table/ColumnWidth.h"
#include "table/StatusNotification.h"

#include <QString>
#include <QStringList>
#include <optional>

// A run of display indexes, inclusive; empty when first is -1.
struct ColumnSpan {
    int first = -1;
    int last = -1;

    bool isEmpty() const { return first < 0 || last < first; }
    bool contains(int index) const { return !isEmpty() && index >= first && index <= last; }
    int count() const { return isEmpty() ? 0 : last - first + 1; }
    bool operator==(const ColumnSpan&) const = default;
};

// What the column commands need of the cell selection.
struct ColumnSelection {
    ColumnSpan columns;        // selectedMinColumn .. selectedMaxColumn
    int activeColumn = -1;     // the active cell's column, -1 without one
};

struct ColumnCommandResult {
    std::optional<StatusNotification> notification;
    bool beep = false;
    // Hide other columns: the columns to select over the selected rows, and
    // where the active cell's column is now.
    std::optional<ColumnSpan> columnsToSelect;
    int activeColumn = -1;
    // A column shown by a toggle, to scroll into view.
    QString columnToReveal;
    // The active cell's column was auto-sized: select the cell again so it
    // scrolls into view.
    bool revealActiveCell = false;
};

// Auto-sizing every shown column, a column at a time (see autoSizeStep).
struct AutoSizeRun {
    tagmint::table::AutoWidth type = tagmint::table::AutoWidth::Size;
    QStringList identifiers;
    qsizetype next = 0;
    QList<std::pair<QString, float>> widths;
};

class ColumnCommands {
public:
    explicit ColumnCommands(ColumnLayout& layout) : m_layout(layout) {}

    // While a job fills the table its updates are locked and column moves
    // are refused.
    void setUpdatesLocked(bool locked) { m_updatesLocked = locked; }
    bool updatesLocked() const { return m_updatesLocked; }

    // The columns a command works on: the selected ones, or only the column
    // a header menu was opened on (menuColumn) when it lies outside them.
    ColumnSpan columnRange(const ColumnSelection& selection, int menuColumn = -1) const;

    // --- Widths ------------------------------------------------------------
    ColumnCommandResult autoSizeActiveColumn(const ColumnSelection& selection,
                                             const ColumnContent& content, int menuColumn = -1);
    ColumnCommandResult autoFitActiveColumn(const ColumnSelection& selection,
                                            const ColumnContent& content, int menuColumn = -1);
    ColumnCommandResult autoSizeAllColumns(const ColumnContent& content);
    ColumnCommandResult autoFitAllColumns(const ColumnContent& content);
    // After files were opened, when the settings ask for it.
    void autoSizeAllColumnsNoMessage(const ColumnContent& content);
    // The same over several calls, so that the window can spread a big
    // table's measuring over turns of its event loop: each step sizes the
    // next column that is still shown, from the content as it is then; the
    // last one applies the widths together. False once nothing is left.
    AutoSizeRun startAutoSizeAll(tagmint::table::AutoWidth type) const;
    bool autoSizeStep(AutoSizeRun& run, const ColumnContent& content);
    // A double click on the divider right of `column`: that column, or all
    // selected columns when it is one of them.
    ColumnCommandResult autoSizeColumnAtDivider(int column, const ColumnSelection& selection,
                                                const ColumnContent& content);
    bool autoSizeColumnWithIdentifier(const QString& identifier, tagmint::table::AutoWidth type,
                                      const ColumnContent& content);

    // --- Visibility --------------------------------------------------------
    // Run inside the selection's performChange (flag 2), which moves the
    // active cell off a column that went.
    ColumnCommandResult hideSelectedColumns(const ColumnSelection& selection, int menuColumn = -1);
    ColumnCommandResult hideOtherColumns(const ColumnSelection& selection, int menuColumn = -1);
    ColumnCommandResult showAllColumns();
    ColumnCommandResult toggleColumn(const QString& identifier);
    // Showing these columns reveals an audio-property column: the window
    // loads the audio properties first and shows the columns on completion.
    bool showingNeedsAudioProperties(const QStringList& identifiers) const;

    // --- The user in the header --------------------------------------------
    struct MoveOutcome {
        bool accepted = false;       // false: put the section back
        bool resyncSelection = false;  // re-clamp: a selected column moved
    };
    MoveOutcome columnDidMove(int from, int to, const ColumnSelection& selection);
    // A resize of a selected column resizes every selected column, each
    // within its own limits.
    void columnDidResize(int column, float width, const ColumnSelection& selection);
    // The sort order after a click on a header: the clicked column first
    // (reversed when it already was first), earlier keys after it.
    SortDescriptors sortDescriptorsAfterHeaderClick(const SortDescriptors& current,
                                                    int column) const;

private:
    ColumnCommandResult autoSizeRange(ColumnSpan range, tagmint::table::AutoWidth type,
                                      const ColumnContent& content, const ColumnSelection& selection);
    ColumnCommandResult autoSizeAll(tagmint::table::AutoWidth type, const ColumnContent& content,
                                    bool withMessage);
    static ColumnCommandResult cannotHide(const QString& title);

    ColumnLayout& m_layout;
    bool m_updatesLocked = false;
};
