#pragma once
// The end every writing command shares: records that cannot be written are
// named, the changed ones are saved (and renamed), and every file gets its
// line: "PATH: saved", "PATH: unchanged", "PATH: saved and renamed to NEW",
// "PATH: could not be saved" / "could not be renamed".

#include "collection/RecordList.h"

class QTextStream;
class QZTagLibRecord;

namespace tagmint::cli {

class RecordOpener;

class RecordSaver {
public:
    RecordSaver(RecordOpener& opener, QTextStream& out, QTextStream& err);

    // The records that can be written. Each of the others (unreadable tags,
    // read-only file) is named with why and counts as not saved.
    RecordList writableRecords(const RecordList& records);
    // Says "unchanged" for the records without changes, saves the others and
    // prints the save's report, the records left out counted as not saved.
    // False when something could not be written, here or in writableRecords.
    bool saveAndReport(const RecordList& records);

private:
    bool checkWritable(const QZTagLibRecord& record);
    bool reportSaveOutcome(const QZTagLibRecord& record, const QString& shownPath);
    void report(const QString& shownPath, const QString& text);

    RecordOpener& m_opener;
    QTextStream& m_out;
    QTextStream& m_err;
    qint64 m_refused = 0;   // records writableRecords left out
};

} // namespace tagmint::cli
