#include "tags/QZTagLibImageLoader.h"

#include "record/QZTagLibRecord.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// The process-wide serial queues, made on first use and drained at exit.
class ThumbnailQueues {
public:
    ThumbnailQueues()
    {
        const int count = QZTagLibImageLoader::queueCount();
        m_queues.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            auto* queue = new QThreadPool;
            queue->setMaxThreadCount(1);
            queue->setObjectName(QStringLiteral("tagmint.thumbnails.%1").arg(i, 2, 10, QLatin1Char('0')));
            m_queues.push_back(queue);
        }
    }

    ~ThumbnailQueues()
    {
        for (QThreadPool* queue : m_queues) {
            queue->waitForDone();
            delete queue;
        }
    }

    // Round robin.
    QThreadPool* next()
    {
        return m_queues[m_next.fetch_add(1, std::memory_order_relaxed) % m_queues.size()];
    }

private:
    std::vector<QThreadPool*> m_queues;
    std::atomic<size_t> m_next{0};
};

ThumbnailQueues& queues()
{
    static ThumbnailQueues instance;
    return instance;
}

} // namespace

struct QZTagLibImageLoader::State {
    QMutex mutex;
    QHash<QZTagLibRecord*, RequestPointer> requests;
    ImageReader reader = &QZTagLibImageLoader::readImageOfFile;

    // Whether request is still the one held for its record (under mutex):
    // a forgotten request is neither finished nor delivered.
    bool holds(const RequestPointer& request) const
    {
        const auto it = requests.constFind(request->record());
        return it != requests.constEnd() && it.value() == request;
    }
};

QZTagLibImageLoader::QZTagLibImageLoader(QObject* parent)
    : QObject(parent)
    , m_state(std::make_shared<State>())
{
}

QZTagLibImageLoader::~QZTagLibImageLoader()
{
    forgetAllRecords();
}

int QZTagLibImageLoader::queueCount()
{
    const unsigned int processors = std::thread::hardware_concurrency();
    return std::clamp(processors == 0 ? 1 : int(std::min(processors, 1024u)), 2, 128);
}

void QZTagLibImageLoader::requestImage(QZTagLibRecord* record, QObject* context, Callback callback)
{
    if (!record || !record->hasImage())
        return;
    watchContext(context);

    RequestPointer toStart;
    QImage finished;
    bool isFinished = false;
    {
        QMutexLocker locker(&m_state->mutex);
        RequestPointer& request = m_state->requests[record];
        if (!request) {
            request = std::make_shared<QZTagLibImageRequest>(record);
            request->addTarget(context, std::move(callback));
            toStart = request;
        } else if (request->isDone()) {
            finished = request->thumbnail();
            isFinished = true;
        } else {
            request->addTarget(context, std::move(callback));
            if (request->isCancelled()) {
                request->setCancelled(false);
                toStart = request;
            }
        }
    }
    if (isFinished) {
        if (callback)
            callback(finished);
        return;
    }
    if (toStart)
        start(toStart);
}

void QZTagLibImageLoader::start(const RequestPointer& request)
{
    // Taken here, on the main thread: the pool never looks at the record.
    QZTagLibRecord* record = request->record();
    const bool changed = record->isDirtyForKey(QStringLiteral("image"));
    const QImage changedImage = changed ? record->image() : QImage();
    const QString path = record->path();
    {
        QMutexLocker locker(&m_state->mutex);
        request->setSource(changedImage, path);
    }
    const std::weak_ptr<State> weakState = m_state;
    queues().next()->start([weakState, request] { retrieve(weakState, request); });
}

void QZTagLibImageLoader::retrieve(const std::weak_ptr<State>& weakState,
                                   const RequestPointer& request)
{
    QImage source;
    QString path;
    ImageReader reader;
    {
        const std::shared_ptr<State> state = weakState.lock();
        if (!state)
            return;
        QMutexLocker locker(&state->mutex);
        if (!state->holds(request))
            return;
        if (!request->hasTargets()) {
            request->setCancelled(true);
            return;
        }
        source = request->changedImage();
        path = request->path();
        reader = state->reader;
    }

    if (source.isNull() && reader)
        source = reader(path);
    const QImage thumbnail = makeThumbnail(source);
    source = QImage();

    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application, [weakState, request, thumbnail] { finish(weakState, request, thumbnail); },
        Qt::QueuedConnection);
}

void QZTagLibImageLoader::finish(const std::weak_ptr<State>& weakState,
                                 const RequestPointer& request, const QImage& thumbnail)
{
    const std::shared_ptr<State> state = weakState.lock();
    if (!state)
        return;
    QZTagLibRecord* record = nullptr;
    QList<QZTagLibImageRequest::Target> targets;
    {
        QMutexLocker locker(&state->mutex);
        if (!state->holds(request))
            return;
        record = request->record();
        request->finish(thumbnail);
        targets = request->takeTargets();
    }
    // The table shows the thumbnail from now on; the decoded cover the
    // record kept since loading is dropped.
    if (record)
        record->releaseTagResources();
    for (const QZTagLibImageRequest::Target& target : targets) {
        if (target.callback)
            target.callback(thumbnail);
    }
}

void QZTagLibImageLoader::stopRetrievingImageFromRecord(QZTagLibRecord* record, QObject* context)
{
    QMutexLocker locker(&m_state->mutex);
    const auto it = m_state->requests.constFind(record);
    if (it != m_state->requests.constEnd() && !it.value()->isDone())
        it.value()->removeTarget(context);
}

void QZTagLibImageLoader::forgetRecord(QZTagLibRecord* record)
{
    RequestPointer forgotten;
    QMutexLocker locker(&m_state->mutex);
    forgotten = m_state->requests.take(record);
    locker.unlock();
    // The request (and the callbacks it holds) goes outside the lock.
}

void QZTagLibImageLoader::forgetAllRecords()
{
    QHash<QZTagLibRecord*, RequestPointer> forgotten;
    QMutexLocker locker(&m_state->mutex);
    forgotten.swap(m_state->requests);
    locker.unlock();
}

int QZTagLibImageLoader::requestCount() const
{
    QMutexLocker locker(&m_state->mutex);
    return int(m_state->requests.size());
}

void QZTagLibImageLoader::setImageReader(ImageReader reader)
{
    QMutexLocker locker(&m_state->mutex);
    m_state->reader = std::move(reader);
}

QImage QZTagLibImageLoader::readImageOfFile(const QString& path)
{
    QZTagLibRecord record(path, 0);
    const QImage image = record.image();
    record.releaseTagResources();
    return image;
}

QImage QZTagLibImageLoader::makeThumbnail(const QImage& image)
{
    if (image.isNull())
        return QImage();
    // Stretching a square cover over the strip would smear it flat.
    const QSize size = image.size()
                           .scaled(kThumbnailWidth, kThumbnailHeight, Qt::KeepAspectRatio)
                           .expandedTo(QSize(1, 1));
    QImage thumbnail(size, QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::transparent);
    QPainter painter(&thumbnail);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(thumbnail.rect()), image, QRectF(image.rect()));
    painter.end();
    return thumbnail;
}

void QZTagLibImageLoader::watchContext(QObject* context)
{
    if (!context || m_watchedContexts.contains(context))
        return;
    m_watchedContexts.insert(context, connect(context, &QObject::destroyed, this,
                                              [this](QObject* gone) { contextDestroyed(gone); }));
}

void QZTagLibImageLoader::contextDestroyed(QObject* context)
{
    m_watchedContexts.remove(context);
    QMutexLocker locker(&m_state->mutex);
    for (const RequestPointer& request : std::as_const(m_state->requests)) {
        if (!request->isDone())
            request->removeTarget(context);
    }
}
