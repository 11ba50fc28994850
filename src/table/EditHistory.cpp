#include "table/EditHistory.h"

#include "record/QZTagLibRecord.h"

#include <QSet>
#include <QSignalBlocker>
#include <QUndoCommand>

namespace {

// Keeping a removed record costs its texts and bookkeeping, about this.
constexpr qint64 kRemovedRecordBytes = 2048;

} // namespace

struct EditHistory::StepData {
    QString name;
    RecordChanges changes;
    QList<RecordPlace> removed;
    qint64 bytes = 0;
};

class EditHistory::Command : public QUndoCommand {
public:
    Command(EditHistory& history, std::shared_ptr<StepData> step)
        : QUndoCommand(step->name), m_history(history), m_step(std::move(step))
    {
    }

    // The stack redoes a command as it is pushed; a step is pushed once it
    // has been done already.
    void redo() override
    {
        if (std::exchange(m_pushed, false))
            return;
        m_history.apply(*m_step, true);
    }
    void undo() override { m_history.apply(*m_step, false); }

    const std::shared_ptr<StepData>& step() const { return m_step; }

private:
    EditHistory& m_history;
    std::shared_ptr<StepData> m_step;
    bool m_pushed = true;
};

EditHistory::EditHistory(QZTagLibRecordDataArrayController& collection, int maxSteps, qint64 maxBytes)
    : m_collection(collection), m_maxSteps(maxSteps), m_maxBytes(maxBytes)
{
}

EditHistory::~EditHistory()
{
    // The stack tells its listeners it is cleared as it goes; a window
    // that owns the history is already half torn down by then.
    m_stack.blockSignals(true);
}

void EditHistory::beginStep(const QString& name)
{
    if (m_applying) {
        ++m_ignoredDepth;
        return;
    }
    if (m_depth++ == 0) {
        m_open = std::make_shared<StepData>();
        m_log.emplace();
    }
    if (m_open->name.isEmpty())
        m_open->name = name;
}

void EditHistory::endStep()
{
    if (m_ignoredDepth > 0) {
        --m_ignoredDepth;
        return;
    }
    if (m_depth == 0 || --m_depth > 0)
        return;
    std::shared_ptr<StepData> step = std::exchange(m_open, nullptr);
    step->changes = m_log->finish();
    m_log.reset();
    finishStep(std::move(step));
}

void EditHistory::addStep(const QString& name, RecordChanges changes)
{
    auto step = std::make_shared<StepData>();
    step->name = name;
    step->changes = std::move(changes);
    finishStep(std::move(step));
}

void EditHistory::finishStep(std::shared_ptr<StepData> step)
{
    if (step->changes.isEmpty() && step->removed.isEmpty())
        return;
    if (step->name.isEmpty())
        step->name = QStringLiteral("Change");
    step->bytes = step->changes.estimatedBytes() + kRemovedRecordBytes * step->removed.size();
    push(std::move(step));
}

void EditHistory::noteRowsRemoved(const QList<RecordPlace>& places)
{
    if (m_open)
        m_open->removed += places;
}

void EditHistory::push(std::shared_ptr<StepData> step)
{
    m_stack.push(new Command(*this, std::move(step)));
    trim();
}

qint64 EditHistory::retainedBytes() const
{
    qint64 bytes = 0;
    for (int i = 0; i < m_stack.count(); ++i)
        bytes += static_cast<const Command*>(m_stack.command(i))->step()->bytes;
    return bytes;
}

void EditHistory::trim()
{
    // Always keeps the newest step, whatever its size.
    qint64 bytes = retainedBytes();
    int drop = 0;
    const int count = m_stack.count();
    while (count - drop > 1 && (count - drop > m_maxSteps || bytes > m_maxBytes)) {
        bytes -= static_cast<const Command*>(m_stack.command(drop))->step()->bytes;
        ++drop;
    }
    if (drop == 0)
        return;
    // Qt's stack cannot forget its oldest commands one by one: it is built
    // again from the steps that stay, which are not run again (every step
    // is done: trimming follows a push).
    QList<std::shared_ptr<StepData>> kept;
    for (int i = drop; i < count; ++i)
        kept.append(static_cast<const Command*>(m_stack.command(i))->step());
    // Listeners (the window's menus) hear of the rebuilt stack once, not
    // once per step pushed again.
    {
        const QSignalBlocker quiet(&m_stack);
        m_stack.clear();
        for (std::shared_ptr<StepData>& step : kept)
            m_stack.push(new Command(*this, std::move(step)));
    }
    emit m_stack.indexChanged(m_stack.index());
}

QString EditHistory::undo()
{
    if (!canUndo())
        return QString();
    const QString name = undoName();
    m_stack.undo();
    return name;
}

QString EditHistory::redo()
{
    if (!canRedo())
        return QString();
    const QString name = redoName();
    m_stack.redo();
    return name;
}

void EditHistory::apply(const StepData& step, bool redo)
{
    const auto change = [this, &step, redo] {
        if (!redo)
            m_collection.restoreObjects(step.removed);
        // Records that left this window since (moved to another) are not
        // this window's to change.
        QSet<const QZTagLibRecord*> present;
        for (const RecordPtr& record : m_collection.allObjects())
            present.insert(record.get());
        step.changes.restore(redo, [&present](const QZTagLibRecord& record) {
            return present.contains(&record);
        });
        if (redo && !step.removed.isEmpty()) {
            RecordList records;
            for (const RecordPlace& place : step.removed)
                records.append(place.record);
            m_collection.removeObjects(records);
        }
    };
    m_applying = true;
    if (m_runner)
        m_runner(change, !step.removed.isEmpty());
    else
        change();
    m_applying = false;
}
