#include "collection/RecordMove.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "collection/WindowRegistry.h"

#include <algorithm>

namespace tagmint::collection {

MoveOutcome moveRecords(QZTagLibRecordDataArrayController& source, const RecordList& selected,
                        QZTagLibRecordDataArrayController& target)
{
    MoveOutcome outcome;
    if (selected.isEmpty() || &source == &target)
        return outcome;
    outcome.moved = target.recordsNotYetPresent(selected);
    target.addObjects(outcome.moved);
    const qsizetype before = source.totalCount();
    source.removeObjects(selected);
    outcome.removed = before - source.totalCount();
    outcome.sourceIsEmpty = source.totalCount() == 0;
    return outcome;
}

MoveReports moveReports(const MoveOutcome& outcome, const QString& sourceTitle,
                        const QString& targetTitle)
{
    return moveResultReports(outcome.moved.size(), sourceTitle, targetTitle, !outcome.sourceIsEmpty);
}

QList<MoveMenuItem> moveToWindowMenu(TableWindow* window, const QList<TableWindow*>& windows)
{
    QList<MoveMenuItem> items;
    if (!window->collection().isEmpty())
        items.append({QStringLiteral("New Window"), nullptr, !window->showsSheet(), false});
    QList<MoveMenuItem> others;
    for (TableWindow* other : windows) {
        if (other != window)
            others.append({other->title(), other, !other->showsSheet(), false});
    }
    std::stable_sort(others.begin(), others.end(),
                     [](const MoveMenuItem& a, const MoveMenuItem& b) { return a.title < b.title; });
    if (!others.isEmpty())
        others.front().separatorBefore = true;
    items.append(others);
    return items;
}

} // namespace tagmint::collection
