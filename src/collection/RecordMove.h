#pragma once
// Moving rows from one window to another, and the Move to Window menu.

#include "collection/CollectionMessages.h"
#include "collection/RecordList.h"

#include <QList>
#include <QString>

class QZTagLibRecordDataArrayController;
class TableWindow;

namespace tagmint::collection {

struct MoveOutcome {
    RecordList moved;          // added to the target (the target should select them)
    qint64 removed = 0;        // taken out of the source
    bool sourceIsEmpty = false;   // the source window closes
};

// The selected records go to the target unless it has their paths already;
// all of them leave the source. The records keep their values, changes and
// artwork, and take the target's image loader.
MoveOutcome moveRecords(QZTagLibRecordDataArrayController& source, const RecordList& selected,
                        QZTagLibRecordDataArrayController& target);

// The two windows' messages, with their titles after the move.
MoveReports moveReports(const MoveOutcome& outcome, const QString& sourceTitle,
                        const QString& targetTitle);

struct MoveMenuItem {
    QString title;
    TableWindow* target = nullptr;   // nullptr: a new window
    bool enabled = true;
    bool separatorBefore = false;
};

// "New Window" when this window shows records, then the other windows
// sorted by title, each enabled while it shows no sheet.
QList<MoveMenuItem> moveToWindowMenu(TableWindow* window, const QList<TableWindow*>& windows);

} // namespace tagmint::collection
