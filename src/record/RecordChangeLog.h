#pragma once
// Notes what records' values were before a command changed them, so the
// command can be undone and redone without knowing anything about undo.
// While a log is open on a thread, every record setter on that thread tells
// it which field is about to change; finish() compares with what the fields
// hold then and keeps the real changes.

#include "record/RecordField.h"
#include "tags/QZTagLibArtwork.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QZTagLibRecord;

// A record's artwork as it stood, and the load of the file it belongs to:
// an original picture only means something for the same load.
struct RecordArtworkState {
    std::optional<QZTagLibArtwork> artwork;   // none for a record without tags
    quint64 loadGeneration = 0;
};

struct RecordTextChange {
    std::shared_ptr<QZTagLibRecord> record;
    RecordField field;
    QString before;
    QString after;
};

struct RecordArtworkChange {
    std::shared_ptr<QZTagLibRecord> record;
    RecordArtworkState before;
    RecordArtworkState after;
};

struct RecordChanges {
    QList<RecordTextChange> texts;
    QList<RecordArtworkChange> artwork;

    bool isEmpty() const { return texts.isEmpty() && artwork.isEmpty(); }
    // Roughly what keeping these changes costs in memory.
    qint64 estimatedBytes() const;
    // Puts the changed values back as they were before (or after) the
    // change, in the records for which applies() is true.
    void restore(bool after, const std::function<bool(const QZTagLibRecord&)>& applies) const;
};

class RecordChangeLog {
public:
    // Opens the log on this thread; an outer log resumes when it closes.
    RecordChangeLog();
    ~RecordChangeLog();
    RecordChangeLog(const RecordChangeLog&) = delete;
    RecordChangeLog& operator=(const RecordChangeLog&) = delete;

    // Called by a record before one of its fields changes. Only records
    // owned by a shared pointer are noted (every record of a window is).
    static void willChange(QZTagLibRecord& record, RecordField field);

    // The fields that hold another value now than when first noted.
    RecordChanges finish();

private:
    struct Noted {
        std::shared_ptr<QZTagLibRecord> record;
        quint64 fields = 0;   // one bit per RecordField
        QList<std::pair<RecordField, QString>> texts;
        std::optional<RecordArtworkState> artwork;
    };

    void note(QZTagLibRecord& record, RecordField field);

    QHash<const QZTagLibRecord*, qsizetype> m_index;
    QList<Noted> m_noted;
    RecordChangeLog* m_outer = nullptr;
};
