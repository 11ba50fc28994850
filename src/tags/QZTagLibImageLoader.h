#pragma once
// Makes the small artwork pictures of a window's table in the background.
// One request per record; the file is read on a pool of serial queues by a
// temporary record, so the table's record and its tag are never touched off
// the main thread. Thumbnails are delivered on the main thread (through the
// Qt event loop) and kept until the record is forgotten.
//
// Every member function except forgetRecord/forgetAllRecords is meant for
// the main thread; those two may be called from any thread.

#include "tags/QZTagLibImageRequest.h"

#include <QHash>
#include <QObject>
#include <memory>

class QZTagLibRecord;

class QZTagLibImageLoader : public QObject {
    Q_OBJECT
public:
    using Callback = QZTagLibImageRequest::Callback;
    // Reads the image of a file; runs on a pool queue.
    using ImageReader = std::function<QImage(const QString& path)>;

    // The box a thumbnail fits in: the artwork column's widest, and twice a
    // row's height so it stays sharp when drawn into a cell on any screen.
    static constexpr int kThumbnailWidth = 120;
    static constexpr int kThumbnailHeight = 40;

    explicit QZTagLibImageLoader(QObject* parent = nullptr);
    ~QZTagLibImageLoader() override;

    // Asks for the thumbnail of a record that has an image. A finished
    // thumbnail reaches the callback at once, otherwise later on the main
    // thread. The target goes away with stopRetrievingImageFromRecord or
    // when its context is destroyed; a request left without targets before
    // it ran is cancelled and starts again with the next target.
    void requestImage(QZTagLibRecord* record, QObject* context, Callback callback);
    void stopRetrievingImageFromRecord(QZTagLibRecord* record, QObject* context);

    // Drops the record's request and thumbnail: its image changed, it is
    // reloaded or it leaves the table. Work under way for it is discarded.
    void forgetRecord(QZTagLibRecord* record);
    void forgetAllRecords();

    // How files are read on the pool; readImageOfFile unless replaced.
    void setImageReader(ImageReader reader);
    // The image a freshly loaded record of the file shows; null without one.
    static QImage readImageOfFile(const QString& path);

    // The whole image scaled to fit kThumbnailWidth x kThumbnailHeight with
    // its proportions kept (source over, full opacity); null for a null image.
    static QImage makeThumbnail(const QImage& image);

    // Serial queues of the process-wide pool: one per processor, 2 to 128.
    static int queueCount();

    // Requests held, pending or done.
    int requestCount() const;

private:
    struct State;
    using RequestPointer = std::shared_ptr<QZTagLibImageRequest>;

    void start(const RequestPointer& request);
    void watchContext(QObject* context);
    void contextDestroyed(QObject* context);
    static void retrieve(const std::weak_ptr<State>& weakState, const RequestPointer& request);
    static void finish(const std::weak_ptr<State>& weakState, const RequestPointer& request,
                       const QImage& thumbnail);

    std::shared_ptr<State> m_state;
    QHash<QObject*, QMetaObject::Connection> m_watchedContexts;
};
