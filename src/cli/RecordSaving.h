#pragma once
// The end of every command that writes: refuses records that cannot be
// written, says which files are unchanged, saves (and renames) the changed
// ones, and reports each outcome as "PATH: saved" and the like.

#include "collection/RecordList.h"

#include <QHash>
#include <QString>

class QTextStream;
class QZTagLibRecord;

namespace tagmint::cli {

class RecordOpener;

class RecordSaving {
public:
    RecordSaving(RecordOpener& opener, QTextStream& out, QTextStream& err);

    // A record whose tags cannot be read or whose file is read-only is
    // reported as failed; true when so. A read-only record reports no
    // change, which would read as "unchanged" although nothing could be
    // written.
    bool refuseUnwritable(const QZTagLibRecord& record);
    // After the record's values were set: "unchanged", or queued for saving.
    void add(const RecordPtr& record);
    // Saves the queued records and reports them; false when any failed or
    // was refused before.
    bool finish();

private:
    bool reportSaveOutcome(const QZTagLibRecord& record, const QString& shownPath);
    void report(const QString& shownPath, const QString& text);

    RecordOpener& m_opener;
    QTextStream& m_out;
    QTextStream& m_err;
    RecordList m_toSave;
    QHash<const QZTagLibRecord*, QString> m_shownPaths;
    qint64 m_refused = 0;
    bool m_allGood = true;
};

} // namespace tagmint::cli
