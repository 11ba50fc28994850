#pragma once
// The find bar of a table window without its widgets: showing and closing
// it, the find text and options, counting, stepping through occurrences,
// replacing, using the selection for find and filtering. The scope follows
// the cell selection: one selected cell means the whole table, a range
// means its rows and columns. The find engine exists while the bar is shown.

#include "collection/ResultReport.h"
#include "table/FindOptions.h"
#include "table/QZTagLibRecordTextFinder.h"
#include "table/StatusNotification.h"

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QZTagLibTableSettings;
class TableViewController;

class TextFinderController {
public:
    // A typed find text takes effect this long after the last keystroke.
    static constexpr int kFindTextDelayMs = 200;
    // Selection changes are recounted this long after the last one.
    static constexpr int kRecountDelayMs = 100;

    struct Callbacks {
        std::function<void(const StatusNotification&)> notify;
        // Rows or values changed: recount the rows, retitle the window.
        std::function<void()> contentChanged;
        // Visibility, texts, count, options or enabling of the bar changed.
        std::function<void()> barChanged;
        // The result of replace all, as the text tools show it.
        std::function<void(const StatusNotification&)> showTagsChanged;
    };

    TextFinderController(TableViewController& table, QZTagLibTableSettings& settings);
    ~TextFinderController();
    TextFinderController(const TextFinderController&) = delete;
    TextFinderController& operator=(const TextFinderController&) = delete;

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // --- The bar's state -------------------------------------------------------
    bool isVisible() const { return m_engine != nullptr; }
    bool isReplaceShown() const { return m_replaceShown; }
    const QString& findText() const { return m_findText; }
    const QString& replacementText() const { return m_replacementText; }
    // The stored options; while the bar is shown its filter flag is the
    // engine's, which opening files may have switched off.
    tagmint::table::FindOptions options() const;
    // "" without a find text, else the number of occurrences.
    QString countLabel() const;
    // Previous and next need a find text with occurrences; Replace and All
    // also one in a cell that can be written.
    bool canStep() const;
    bool canReplace() const;
    QZTagLibRecordTextFinder* engine() const { return m_engine.get(); }

    // --- Commands ----------------------------------------------------------------
    // announce: post "Find panel was activated." (a new window showing the
    // bar by itself stays quiet).
    void showBar(bool withReplace, bool announce = true);
    void closeBar();
    void findNext();
    void findPrevious();
    void replaceNext();
    void replaceAll();
    // editorSelection: the selected text of a cell editor being used, if any;
    // otherwise the active cell's text is used.
    void useSelectionForFind(const QString& editorSelection = QString());
    // Opening or moving in files switches the filter off so new rows show.
    void setFilterFromOutside(bool enabled);

    // --- What the bar reports ----------------------------------------------------------
    // Takes effect kFindTextDelayMs after the last call.
    void findTextEdited(const QString& text);
    void replacementTextEdited(const QString& text);
    // The options menu or the Filter check box.
    void optionsChosen(const tagmint::table::FindOptions& options);
    void replaceToggled(bool shown);

    // --- What the table reports --------------------------------------------------
    // Recounts at once (after content changes).
    void updateNumberOfOccurrences();
    // Recounts kRecountDelayMs after the last call; a single cell moving
    // about needs no recount.
    void selectionChanged();

    // What a cell draws: every match and the current one; nothing without a
    // find text.
    std::optional<QZTagLibRecordTextFinder::Highlight> highlight(int row, int column,
                                                                 const QString& text) const;
    // The found occurrence's range in this cell, for its editor.
    std::optional<tagmint::table::TextRange> selectedRange(int row, int column,
                                                           const QString& text) const;

private:
    SelectionScope findScope() const;
    SelectionScope replaceScope() const;
    // Where find next, previous and replace begin.
    std::optional<QZTagLibTableCellPath> startingCell(const SelectionScope& scope) const;
    bool inSelection() const;
    // A find text still waiting for its delay is applied now.
    void applyPendingFindText();
    void applyFindText(const QString& text);
    // Runs a change of the rows with the selection kept on its records and
    // the focus left where it is.
    void changeRows(const std::function<void()>& change);
    bool step(bool forward);
    void revealFound();
    void notify(const StatusNotification& notification) const;
    void barChanged() const;

    TableViewController& m_table;
    QZTagLibTableSettings& m_settings;
    Callbacks m_callbacks;
    std::unique_ptr<QZTagLibRecordTextFinder> m_engine;
    bool m_replaceShown = false;
    QString m_findText;
    QString m_replacementText;
    bool m_findTextPending = false;
    QTimer m_findTextTimer;
    QTimer m_recountTimer;

    // The last count and what it was taken over.
    std::optional<QZTagLibRecordTextFinder::Occurrences> m_occurrences;
    bool m_countedSingle = false;
    int m_countedRows = -1;
    int m_countedColumns = -1;
};
