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

// A change names its record by its index into RecordChanges::records.
struct RecordTextChange {
    qsizetype record;
    RecordField field;
    QString before;
    QString after;
};

struct RecordArtworkChange {
    qsizetype record;
    RecordArtworkState before;
    RecordArtworkState after;
};

struct RecordChanges {
    QList<std::shared_ptr<QZTagLibRecord>> records;
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
    struct NotedText {
        qsizetype record;   // index into m_records
        RecordField field;
        QString before;
    };
    struct NotedArtwork {
        qsizetype record;
        RecordArtworkState before;
    };

    void note(QZTagLibRecord& record, RecordField field);

    // Flat lists: a paste over 50,000 rows notes 300,000 values.
    QHash<const QZTagLibRecord*, qsizetype> m_index;
    QList<std::shared_ptr<QZTagLibRecord>> m_records;
    QList<quint64> m_fields;   // per record, one bit per RecordField noted
    QList<NotedText> m_texts;
    QList<NotedArtwork> m_artwork;
    RecordChangeLog* m_outer = nullptr;
};
