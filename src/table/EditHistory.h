#pragma once
// The undo history of one table window, on Qt's undo stack. A command that
// changes records runs inside a step (the selection's performChange opens
// one around every change); the step notes each changed value before and
// after through RecordChangeLog, and the rows a command took out of the
// window, so undo and redo can put either state back. The history keeps at
// most kMaxSteps steps and about kMaxBytes of noted values: the oldest go
// first. Saving does not clear it.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/RecordChangeLog.h"

#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <optional>

class EditHistory {
public:
    static constexpr int kMaxSteps = 100;
    static constexpr qint64 kMaxBytes = qint64(64) * 1024 * 1024;

    // Runs an undo or a redo as a change of the table (so the selection
    // follows its records); rowsChange: rows come or go, not only values.
    using ChangeRunner = std::function<void(const std::function<void()>& change, bool rowsChange)>;

    explicit EditHistory(QZTagLibRecordDataArrayController& collection, int maxSteps = kMaxSteps,
                         qint64 maxBytes = kMaxBytes);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    void setChangeRunner(ChangeRunner runner) { m_runner = std::move(runner); }

    // Steps nest: an inner one joins the outermost, which is named by the
    // first name given ("Paste"; "Change" when none is). A step that changed
    // nothing leaves no trace. Ignored while an undo or redo runs.
    void beginStep(const QString& name);
    void endStep();
    // While a step is open: the command took these rows out of the window.
    void noteRowsRemoved(const QList<RecordPlace>& places);
    // A step whose changes a log noted elsewhere: a background job opens
    // its own RecordChangeLog on its thread and hands the result here once
    // it has finished. Empty changes leave no trace.
    void addStep(const QString& name, RecordChanges changes);

    bool canUndo() const { return m_stack.canUndo(); }
    bool canRedo() const { return m_stack.canRedo(); }
    // The name of the step an undo or a redo would take ("Paste"), or "".
    QString undoName() const { return m_stack.undoText(); }
    QString redoName() const { return m_stack.redoText(); }
    // Both return the name of the step taken, "" when there was none.
    QString undo();
    QString redo();

    int count() const { return m_stack.count(); }
    qint64 retainedBytes() const;
    // Tells when undo or redo become possible or change their names.
    QUndoStack& stack() { return m_stack; }

private:
    struct StepData;
    class Command;
    friend class Command;

    void apply(const StepData& step, bool redo);
    // Pushes a step that was done already, unless it changed nothing.
    void finishStep(std::shared_ptr<StepData> step);
    void push(std::shared_ptr<StepData> step);
    // Drops the oldest steps beyond the bounds.
    void trim();

    QZTagLibRecordDataArrayController& m_collection;
    const int m_maxSteps;
    const qint64 m_maxBytes;
    ChangeRunner m_runner;
    QUndoStack m_stack;
    int m_depth = 0;
    int m_ignoredDepth = 0;
    bool m_applying = false;
    bool m_rebuilding = false;
    std::optional<RecordChangeLog> m_log;
    std::shared_ptr<StepData> m_open;
};

// Runs a change of records as one step of the history (when there is one).
class HistoryStep {
public:
    HistoryStep(EditHistory* history, const QString& name) : m_history(history)
    {
        if (m_history)
            m_history->beginStep(name);
    }
    ~HistoryStep()
    {
        if (m_history)
            m_history->endStep();
    }
    HistoryStep(const HistoryStep&) = delete;
    HistoryStep& operator=(const HistoryStep&) = delete;

private:
    EditHistory* m_history;
};
