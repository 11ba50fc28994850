#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "tags/QZTagLibImageLoader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QThread>
#include <QWaitCondition>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tagmint::test;

namespace {

// Runs the event loop until done() holds; false after 20 s.
template <class Predicate>
bool waitUntil(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// The loader's real reader, counting reads per path; reads of held paths
// wait until released. Shared with the pool jobs, so it outlives them.
class Reads {
public:
    ~Reads() { release(); }
    QZTagLibImageLoader::ImageReader reader()
    {
        return [state = m_state](const QString& path) {
            QMutexLocker locker(&state->mutex);
            ++state->counts[path];
            ++state->inside;
            while (state->held.contains(path))
                state->released.wait(&state->mutex);
            --state->inside;
            locker.unlock();
            return QZTagLibImageLoader::readImageOfFile(path);
        };
    }
    void hold(const QString& path)
    {
        QMutexLocker locker(&m_state->mutex);
        m_state->held.insert(path);
    }
    void release()
    {
        QMutexLocker locker(&m_state->mutex);
        m_state->held.clear();
        m_state->released.wakeAll();
    }
    int count(const QString& path) const
    {
        QMutexLocker locker(&m_state->mutex);
        return m_state->counts.value(path);
    }
    // Reads waiting to be released.
    int held() const
    {
        QMutexLocker locker(&m_state->mutex);
        return m_state->inside;
    }

private:
    struct State {
        QMutex mutex;
        QWaitCondition released;
        QSet<QString> held;
        QHash<QString, int> counts;
        int inside = 0;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// What one target received.
struct Delivery {
    int calls = 0;
    QImage thumbnail;
    bool onMainThread = false;

    QZTagLibImageLoader::Callback callback()
    {
        return [this](const QImage& thumbnail) {
            ++calls;
            this->thumbnail = thumbnail;
            onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        };
    }
};

// Records of copies of a fixture with a cover.
struct Covers {
    TempDir dir;
    std::vector<std::unique_ptr<QZTagLibRecord>> records;

    QZTagLibRecord* add(const QString& name)
    {
        records.push_back(std::make_unique<QZTagLibRecord>(dir.copyFixture("tagged.flac", name), 0));
        return records.back().get();
    }
};

// Requests one thumbnail on every queue and waits for them: every job
// queued before has then run and its result has reached the main thread.
void drainQueues(QZTagLibImageLoader& loader, Covers& covers)
{
    QObject context;
    std::vector<Delivery> deliveries(size_t(QZTagLibImageLoader::queueCount()));
    for (Delivery& delivery : deliveries) {
        QZTagLibRecord* record = covers.add(QStringLiteral("drain%1.flac").arg(covers.records.size()));
        loader.requestImage(record, &context, delivery.callback());
    }
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(deliveries.begin(), deliveries.end(),
                           [](const Delivery& d) { return d.calls > 0; });
    }));
}

QImage quadrants()
{
    QImage image(40, 40, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 20, 20, Qt::red);
    painter.fillRect(20, 0, 20, 20, Qt::green);
    painter.fillRect(0, 20, 20, 20, Qt::blue);
    painter.fillRect(20, 20, 20, 20, Qt::white);
    return image;
}

TEST(ImageLoader, ThumbnailKeepsTheWholePictureInItsProportions)
{
    // A square cover fills the box's height, square; nothing is cut off.
    const QImage square = QZTagLibImageLoader::makeThumbnail(quadrants());
    ASSERT_EQ(square.size(), QSize(40, 40));
    EXPECT_EQ(square.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(square.pixelColor(37, 2), QColor(Qt::green));
    EXPECT_EQ(square.pixelColor(2, 37), QColor(Qt::blue));
    EXPECT_EQ(square.pixelColor(37, 37), QColor(Qt::white));

    // Wide and tall pictures fit the other side of the box.
    EXPECT_EQ(QZTagLibImageLoader::makeThumbnail(QImage(600, 100, QImage::Format_RGB32)).size(),
              QSize(120, 20));
    EXPECT_EQ(QZTagLibImageLoader::makeThumbnail(QImage(50, 1000, QImage::Format_RGB32)).size(),
              QSize(2, 40));
    EXPECT_EQ(QZTagLibImageLoader::makeThumbnail(QImage(2000, 1, QImage::Format_RGB32)).size(),
              QSize(120, 1));

    // Drawn over a transparent picture: transparent parts stay transparent.
    QImage half(10, 10, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(0, 5, 10, 5, Qt::black);
    const QImage overHalf = QZTagLibImageLoader::makeThumbnail(half);
    EXPECT_EQ(overHalf.pixelColor(20, 2).alpha(), 0);
    EXPECT_EQ(overHalf.pixelColor(20, 37), QColor(Qt::black));

    EXPECT_TRUE(QZTagLibImageLoader::makeThumbnail(QImage()).isNull());
    EXPECT_GE(QZTagLibImageLoader::queueCount(), 2);
    EXPECT_LE(QZTagLibImageLoader::queueCount(), 128);
}

TEST(ImageLoader, DeliversOnTheMainThreadAndReleasesTheRecordsCover)
{
    Covers covers;
    QZTagLibRecord* record = covers.add("cover.flac");
    ASSERT_TRUE(record->isTagOpen());   // a load leaves the wrapper open
    Reads reads;
    QZTagLibImageLoader loader;
    loader.setImageReader(reads.reader());

    QObject context;
    Delivery first;
    loader.requestImage(record, &context, first.callback());
    EXPECT_EQ(first.calls, 0);   // never inside the request
    ASSERT_TRUE(waitUntil([&] { return first.calls > 0; }));
    EXPECT_TRUE(first.onMainThread);
    ASSERT_EQ(first.thumbnail.size(), QSize(40, 40));
    EXPECT_GT(first.thumbnail.pixelColor(20, 20).red(), 150);   // the red cover
    EXPECT_FALSE(record->isTagOpen());
    EXPECT_EQ(reads.count(record->path()), 1);

    // A finished thumbnail is handed out at once, without another read.
    Delivery again;
    loader.requestImage(record, &context, again.callback());
    EXPECT_EQ(again.calls, 1);
    EXPECT_EQ(again.thumbnail, first.thumbnail);
    EXPECT_EQ(reads.count(record->path()), 1);

    // A record without an image asks for nothing.
    QZTagLibRecord plain(covers.dir.copyFixture("plain.flac"), 0);
    Delivery none;
    loader.requestImage(&plain, &context, none.callback());
    EXPECT_EQ(loader.requestCount(), 1);
}

TEST(ImageLoader, TwoRequestsForOneRecordMakeOneRead)
{
    Covers covers;
    QZTagLibRecord* record = covers.add("cover.flac");
    Reads reads;
    reads.hold(record->path());
    QZTagLibImageLoader loader;
    loader.setImageReader(reads.reader());

    QObject cell;
    QObject otherCell;
    Delivery first;
    Delivery replaced;
    Delivery second;
    loader.requestImage(record, &cell, replaced.callback());
    ASSERT_TRUE(waitUntil([&] { return reads.held() == 1; }));
    // While the file is read: a second cell waits too, and the first cell
    // asking again replaces its own target instead of adding one.
    loader.requestImage(record, &otherCell, second.callback());
    loader.requestImage(record, &cell, first.callback());
    reads.release();

    ASSERT_TRUE(waitUntil([&] { return first.calls > 0 && second.calls > 0; }));
    EXPECT_EQ(reads.count(record->path()), 1);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(replaced.calls, 0);
    EXPECT_EQ(first.thumbnail, second.thumbnail);
    EXPECT_EQ(loader.requestCount(), 1);
}

TEST(ImageLoader, RequestWithoutTargetsIsCancelledAndRestartsOnTheNextRequest)
{
    Covers covers;
    Reads reads;
    QZTagLibImageLoader loader;
    loader.setImageReader(reads.reader());
    const int queues = QZTagLibImageLoader::queueCount();

    // Every queue is kept busy by a held read ...
    QObject blockerContext;
    std::vector<Delivery> blockers(static_cast<size_t>(queues));
    for (int i = 0; i < queues; ++i) {
        QZTagLibRecord* record = covers.add(QStringLiteral("blocker%1.flac").arg(i));
        reads.hold(record->path());
        loader.requestImage(record, &blockerContext, blockers[size_t(i)].callback());
    }
    ASSERT_TRUE(waitUntil([&] { return reads.held() == queues; }));

    // ... so these two wait in line while their targets go away: one cell
    // is destroyed, the other stops asking.
    QZTagLibRecord* destroyedCellsRecord = covers.add("gone.flac");
    QZTagLibRecord* stoppedCellsRecord = covers.add("stopped.flac");
    auto destroyedCell = std::make_unique<QObject>();
    QObject stoppedCell;
    Delivery toDestroyedCell;
    Delivery toStoppedCell;
    loader.requestImage(destroyedCellsRecord, destroyedCell.get(), toDestroyedCell.callback());
    loader.requestImage(stoppedCellsRecord, &stoppedCell, toStoppedCell.callback());
    destroyedCell.reset();
    loader.stopRetrievingImageFromRecord(stoppedCellsRecord, &stoppedCell);

    reads.release();
    drainQueues(loader, covers);
    EXPECT_EQ(reads.count(destroyedCellsRecord->path()), 0);
    EXPECT_EQ(reads.count(stoppedCellsRecord->path()), 0);
    EXPECT_EQ(toDestroyedCell.calls, 0);
    EXPECT_EQ(toStoppedCell.calls, 0);

    // The next request starts the cancelled work again.
    QObject newCell;
    Delivery restartedA;
    Delivery restartedB;
    loader.requestImage(destroyedCellsRecord, &newCell, restartedA.callback());
    loader.requestImage(stoppedCellsRecord, &newCell, restartedB.callback());
    ASSERT_TRUE(waitUntil([&] { return restartedA.calls > 0 && restartedB.calls > 0; }));
    EXPECT_EQ(reads.count(destroyedCellsRecord->path()), 1);
    EXPECT_EQ(reads.count(stoppedCellsRecord->path()), 1);
    EXPECT_EQ(restartedA.thumbnail.size(), QSize(40, 40));
    EXPECT_EQ(toStoppedCell.calls, 0);
}

TEST(ImageLoader, ChangedImageIsTakenFromTheRecordAndForgottenWorkIsDropped)
{
    Covers covers;
    QZTagLibRecord* record = covers.add("cover.flac");
    Reads reads;
    QZTagLibImageLoader loader;
    loader.setImageReader(reads.reader());
    record->setImageLoader(&loader);
    EXPECT_EQ(record->imageLoader(), &loader);

    // The file's cover is being read when the user replaces it.
    reads.hold(record->path());
    QObject cell;
    Delivery stale;
    loader.requestImage(record, &cell, stale.callback());
    ASSERT_TRUE(waitUntil([&] { return reads.held() == 1; }));
    QImage blue(30, 30, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    record->setImage(blue);
    EXPECT_EQ(loader.requestCount(), 0);
    reads.release();
    drainQueues(loader, covers);
    EXPECT_EQ(stale.calls, 0);
    EXPECT_EQ(loader.requestCount(), int(covers.records.size()) - 1);

    // The replacement is scaled as it is; the file is not read for it.
    Delivery fresh;
    loader.requestImage(record, &cell, fresh.callback());
    ASSERT_TRUE(waitUntil([&] { return fresh.calls > 0; }));
    EXPECT_EQ(fresh.thumbnail.pixelColor(20, 20), QColor(Qt::blue));
    EXPECT_EQ(reads.count(record->path()), 1);
}

TEST(ImageLoader, RecordChangesMakeTheLoaderForgetTheRecord)
{
    Covers covers;
    QZTagLibRecord* record = covers.add("cover.flac");
    QZTagLibImageLoader loader;
    record->setImageLoader(&loader);
    QObject cell;

    auto finishRequest = [&] {
        Delivery delivery;
        loader.requestImage(record, &cell, delivery.callback());
        return waitUntil([&] { return delivery.calls > 0; }) && loader.requestCount() == 1;
    };
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"loadFromPath", [&] { record->loadFromPath(record->path(), 0); }},
        {"snapshotOriginalValues", [&] { record->snapshotOriginalValues(); }},
        {"setImage", [&] { record->setImage(QZTagLibImageLoader::makeThumbnail(quadrants())); }},
        {"revertValueForKey", [&] { record->revertValueForKey(QStringLiteral("image")); }},
        {"revertAllValues", [&] { record->revertAllValues(); }},
    };
    for (const auto& [name, change] : changes) {
        ASSERT_TRUE(finishRequest()) << name;
        change();
        EXPECT_EQ(loader.requestCount(), 0) << name;
    }

    ASSERT_TRUE(finishRequest());
    loader.forgetAllRecords();
    EXPECT_EQ(loader.requestCount(), 0);

    // Records outlive a loader that is gone.
    auto shortLived = std::make_unique<QZTagLibImageLoader>();
    record->setImageLoader(shortLived.get());
    shortLived.reset();
    EXPECT_EQ(record->imageLoader(), nullptr);
    record->setImage(QImage());
}

} // namespace
