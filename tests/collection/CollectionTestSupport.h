#pragma once
// Helpers of the collection tests: running the event loop until a job
// reports back, and opening files inline.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <functional>

namespace tagmint::test {

// Runs the main thread's event loop until done() holds; false when it never
// does (a generous bound, not a timing check).
inline bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Opens paths on the calling thread and returns what the completion got.
inline collection::IntakeResult openInline(QZTagLibRecordDataArrayController& collection,
                                           const QStringList& paths,
                                           collection::JobCallbacks callbacks = {},
                                           qint64 limit = QZTagLibRecordDataArrayController::kRecordLimit,
                                           quint32 preprocessFlags = 0, quint32 loadFlags = 0)
{
    collection::IntakeResult result;
    collection.load(paths, limit, preprocessFlags, std::move(callbacks),
                    [&result](const collection::IntakeResult& r) { result = r; },
                    loadFlags | collection::kRunInline);
    return result;
}

inline RecordPtr makeRecord(const QString& path)
{
    auto record = std::make_shared<QZTagLibRecord>(path, 0);
    record->releaseTagResources();
    return record;
}

inline void makeFolder(const QString& path)
{
    QDir().mkpath(path);
}

} // namespace tagmint::test
