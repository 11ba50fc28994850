#pragma once
// How "set" and "import" end: the changed records are saved (and renamed)
// and each file gets one line on standard output ("saved", "saved and
// renamed to NAME", "unchanged", "could not be saved", "could not be
// renamed"); reasons and the save's result message go to standard error.

#include "collection/RecordList.h"

class QTextStream;
class QZTagLibRecord;

namespace tagmint::cli {

class RecordOpener;

class FileSaver {
public:
    FileSaver(RecordOpener& opener, QTextStream& out, QTextStream& err);

    // False, with the reason and "could not be saved" reported, for a
    // record whose tags cannot be read or whose file is read-only; such
    // files count as failed in the save's result message.
    bool checkWritable(const QZTagLibRecord& record);
    // Saves the changed ones among the records and reports every record;
    // true when each changed one was saved.
    bool saveChanged(const RecordList& records);

private:
    bool reportSaveOutcome(const QZTagLibRecord& record, const QString& shownPath);
    void report(const QString& shownPath, const QString& text);

    RecordOpener& m_opener;
    QTextStream& m_out;
    QTextStream& m_err;
    qint64 m_refused = 0;
};

} // namespace tagmint::cli
