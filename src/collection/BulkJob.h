#pragma once
// How bulk operations (open, reload, audio properties, save) run: one job
// per operation on the global thread pool, or inline on the calling thread
// with flag 0x4; records visited one by one; progress and completion handed
// to the main thread; a stop request honoured between items.

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tagmint::collection {

// Job flag: run on the calling thread instead of the pool. Callbacks are then
// called directly, so a program without a running event loop gets them too.
inline constexpr quint32 kRunInline = 0x4;

// Progress steps: a progress report after every item whose index is a
// multiple of the step.
int openingProgressStep(qint64 count);           // 1 below 6, else n / 3, at most 3
int reloadingProgressStep(qint64 count);         // 1 up to 9, else n / 10, at most 10
int audioPropertiesProgressStep(qint64 count);   // 1 up to 9, else n / 10, at most 3

// A stop request shared between the one who asks (stop button) and the
// worker that reads it; copies share the flag, so it outlives either side.
class StopFlag {
public:
    StopFlag() : m_flag(std::make_shared<std::atomic<bool>>(false)) {}
    void request() { m_flag->store(true); }
    bool isRequested() const { return m_flag->load(); }
    std::function<bool()> callback() const
    {
        return [flag = m_flag] { return flag->load(); };
    }

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

// The callbacks a job is given. stop and perItem are called on the worker;
// message and progress on the main thread. Any may be empty.
struct JobCallbacks {
    std::function<bool()> stop;
    std::function<void(const QString&)> message;
    std::function<void(qint64 index, qint64 count)> progress;
    std::function<void(qint64 index, qint64 count)> perItem;
};

// Ties running jobs to their owner: when the owner goes away it cuts the
// link, workers stop at the next item and nothing is delivered any more.
class JobLink {
public:
    bool isAlive() const { return m_alive.load(); }
    void cut() { m_alive.store(false); }

private:
    std::atomic<bool> m_alive{true};
};

// What the work of a job sees.
class JobContext {
public:
    JobContext(bool runsInline, std::shared_ptr<JobLink> link, JobCallbacks callbacks);

    // The owner is gone or the stop callback asks to stop.
    bool shouldStop() const;
    // Posted to the main thread (called directly when inline). From the
    // pool, reports closer than kProgressInterval to the last one posted are
    // held back, the latest replacing the earlier, and posted with the next
    // report that is due or when the work ends: a post every few files woke
    // the main thread thousands of times a second and slowed the worker.
    void reportProgress(qint64 index, qint64 count) const;
    // Posts the report held back, if any.
    void flushProgress() const;
    void reportItem(qint64 index, qint64 count) const;
    void showMessage(const QString& text) const;
    // Runs question on the main thread and waits for its answer; false when
    // the owner is gone. The main thread must not wait for this job meanwhile.
    bool askOnMainThread(const std::function<bool()>& question) const;
    // Runs action on the main thread while the owner lives.
    void postToMainThread(std::function<void()> action) const;
    bool runsInline() const { return m_inline; }

    static constexpr qint64 kProgressIntervalMs = 10;

private:
    void postProgress(qint64 index, qint64 count) const;

    bool m_inline;
    std::shared_ptr<JobLink> m_link;
    JobCallbacks m_callbacks;
    // The worker's own: a job's work runs on one thread.
    mutable QElapsedTimer m_sinceProgressPost;
    mutable std::optional<std::pair<qint64, qint64>> m_heldProgress;
};

// Starts work on the pool (or inline) and hands its result to finish on the
// main thread, unless the owner cut the link meanwhile.
template <typename Result>
void startBulkJob(quint32 flags, std::shared_ptr<JobLink> link, JobCallbacks callbacks,
                  std::function<Result(const JobContext&)> work,
                  std::function<void(Result&&)> finish);

// Not for direct use: the type-erased runner behind startBulkJob.
void runJob(bool runsInline, std::shared_ptr<JobLink> link, JobCallbacks callbacks,
            std::function<std::function<void()>(const JobContext&)> work);

template <typename Result>
void startBulkJob(quint32 flags, std::shared_ptr<JobLink> link, JobCallbacks callbacks,
                  std::function<Result(const JobContext&)> work,
                  std::function<void(Result&&)> finish)
{
    runJob((flags & kRunInline) != 0, std::move(link), std::move(callbacks),
           [work = std::move(work), finish = std::move(finish)](const JobContext& context) {
               auto result = std::make_shared<Result>(work(context));
               return std::function<void()>([finish, result] { finish(std::move(*result)); });
           });
}

} // namespace tagmint::collection
