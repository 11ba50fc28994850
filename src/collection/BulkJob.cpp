#include "collection/BulkJob.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

namespace tagmint::collection {

int openingProgressStep(qint64 count)
{
    return count < 6 ? 1 : int(std::min<qint64>(count / 3, 3));
}

int reloadingProgressStep(qint64 count)
{
    return count <= 9 ? 1 : int(std::min<qint64>(count / 10, 10));
}

int audioPropertiesProgressStep(qint64 count)
{
    return count <= 9 ? 1 : int(std::min<qint64>(count / 10, 3));
}

namespace {

// The application object lives on the main thread and as long as the
// program, so events posted to it always arrive there.
void postToApplication(std::function<void()> action)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(application, std::move(action), Qt::QueuedConnection);
}

} // namespace

JobContext::JobContext(bool runsInline, std::shared_ptr<JobLink> link, JobCallbacks callbacks)
    : m_inline(runsInline), m_link(std::move(link)), m_callbacks(std::move(callbacks))
{
}

bool JobContext::shouldStop() const
{
    if (!m_link->isAlive())
        return true;
    return m_callbacks.stop && m_callbacks.stop();
}

void JobContext::postToMainThread(std::function<void()> action) const
{
    if (m_inline) {
        if (m_link->isAlive())
            action();
        return;
    }
    postToApplication([link = m_link, action = std::move(action)] {
        if (link->isAlive())
            action();
    });
}

void JobContext::reportProgress(qint64 index, qint64 count) const
{
    if (!m_callbacks.progress)
        return;
    if (!m_inline && m_sinceProgressPost.isValid()
        && m_sinceProgressPost.elapsed() < kProgressIntervalMs) {
        m_heldProgress = {index, count};
        return;
    }
    postProgress(index, count);
}

void JobContext::flushProgress() const
{
    if (m_heldProgress)
        postProgress(m_heldProgress->first, m_heldProgress->second);
}

void JobContext::postProgress(qint64 index, qint64 count) const
{
    m_heldProgress.reset();
    m_sinceProgressPost.start();
    postToMainThread([progress = m_callbacks.progress, index, count] { progress(index, count); });
}

void JobContext::reportItem(qint64 index, qint64 count) const
{
    if (m_callbacks.perItem)
        m_callbacks.perItem(index, count);
}

void JobContext::showMessage(const QString& text) const
{
    if (m_callbacks.message)
        postToMainThread([message = m_callbacks.message, text] { message(text); });
}

bool JobContext::askOnMainThread(const std::function<bool()>& question) const
{
    if (!m_link->isAlive())
        return false;
    QCoreApplication* application = QCoreApplication::instance();
    if (m_inline || !application || QThread::currentThread() == application->thread())
        return question();
    bool answer = false;
    QMetaObject::invokeMethod(
        application,
        [link = m_link, &question, &answer] {
            if (link->isAlive())
                answer = question();
        },
        Qt::BlockingQueuedConnection);
    return answer;
}

void runJob(bool runsInline, std::shared_ptr<JobLink> link, JobCallbacks callbacks,
            std::function<std::function<void()>(const JobContext&)> work)
{
    // Without an application there is no main-thread loop to deliver to, so
    // the job runs where it was asked.
    const bool inlineRun = runsInline || !QCoreApplication::instance();
    auto body = [inlineRun, link = std::move(link), callbacks = std::move(callbacks),
                 work = std::move(work)] {
        const JobContext context(inlineRun, link, callbacks);
        std::function<void()> finish = work(context);
        context.flushProgress();
        context.postToMainThread(std::move(finish));
    };
    if (inlineRun)
        body();
    else
        QThreadPool::globalInstance()->start(std::move(body));
}

} // namespace tagmint::collection
