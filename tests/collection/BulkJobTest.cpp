// Jobs on the pool and inline, the progress panel with its time estimate,
// the preprocessing statistics ring, and the commands that tie settings,
// panel and report together.

#include "CollectionTestSupport.h"
#include "collection/CollectionMessages.h"
#include "collection/CollectionOperations.h"
#include "collection/PreprocessingStatistics.h"
#include "collection/ProgressBoxModel.h"
#include "collection/RecordPreprocessor.h"
#include "settings/QZTagLibTableSettings.h"
#include "support/TestFiles.h"

#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <QThreadPool>
#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::collection;

namespace {

bool onMainThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class Jobs : public ::testing::Test {
protected:
    test::TempDir dir;

    QString folderOfMp3s(int count)
    {
        test::makeFolder(dir.filePath("f"));
        for (int i = 0; i < count; ++i)
            dir.copyFixture("plain.mp3", QStringLiteral("f/%1.mp3").arg(i));
        return dir.filePath("f");
    }
};

} // namespace

TEST_F(Jobs, OnThePoolProgressAndCompletionArriveOnTheMainThread)
{
    const QString folder = folderOfMp3s(7);
    QZTagLibRecordDataArrayController collection;
    bool workerOffMain = false;
    bool progressOnMain = true;
    QList<qint64> progressIndices;
    std::optional<IntakeResult> result;

    JobCallbacks callbacks;
    callbacks.perItem = [&](qint64, qint64) { workerOffMain = !onMainThread(); };
    callbacks.progress = [&](qint64 index, qint64) {
        progressOnMain = progressOnMain && onMainThread();
        progressIndices.append(index);
    };
    ASSERT_TRUE(collection.load({folder}, 50000, 0, callbacks,
                                [&](const IntakeResult& r) {
                                    EXPECT_TRUE(onMainThread());
                                    result = r;
                                },
                                0));
    EXPECT_TRUE(collection.isBusy());
    // A second job of the same window is refused while the first runs.
    EXPECT_FALSE(collection.load({folder}, 50000, 0, {}, {}, kRunInline));

    ASSERT_TRUE(test::waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(workerOffMain);
    EXPECT_TRUE(progressOnMain);
    // Reports of 0, 2, 4 and 6: those closer than the interval to the last
    // one posted are held back, but the first and the last always arrive.
    ASSERT_GE(progressIndices.size(), 2);
    EXPECT_EQ(progressIndices.first(), 0);
    EXPECT_EQ(progressIndices.last(), 6);
    EXPECT_TRUE(std::is_sorted(progressIndices.begin(), progressIndices.end()));
    EXPECT_EQ(result->added, 7);
    EXPECT_EQ(collection.totalCount(), 7);
    EXPECT_FALSE(collection.isBusy());
}

TEST_F(Jobs, AStopOnThePoolIsHonoured)
{
    const QString folder = folderOfMp3s(30);
    QZTagLibRecordDataArrayController collection;
    StopFlag stop;
    JobCallbacks callbacks;
    callbacks.stop = stop.callback();
    callbacks.perItem = [&stop](qint64 index, qint64) {
        if (index == 4)
            stop.request();
    };
    std::optional<IntakeResult> result;
    collection.load({folder}, 50000, 0, callbacks, [&](const IntakeResult& r) { result = r; }, 0);
    ASSERT_TRUE(test::waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(result->stopped);
    EXPECT_EQ(result->added, 5);
    // What was made before the stop is kept.
    EXPECT_EQ(collection.totalCount(), 5);
}

TEST_F(Jobs, AClosedWindowStopsItsJobAndGetsNoReport)
{
    auto collection = std::make_unique<QZTagLibRecordDataArrayController>();
    for (int i = 0; i < 5; ++i)
        collection->addObjects({test::makeRecord(dir.copyFixture("plain.mp3", QStringLiteral("%1.mp3").arg(i)))});
    QSemaphore started;
    QSemaphore proceed;
    std::atomic<int> visited = 0;
    bool completed = false;
    JobCallbacks callbacks;
    callbacks.perItem = [&](qint64, qint64) {
        if (++visited == 1) {
            started.release();
            proceed.acquire();
        }
    };
    collection->reloadArrangedObjectsWithPreprocessFlags(
        0, callbacks, [&](const ReloadResult&) { completed = true; }, 0);

    started.acquire();
    collection.reset();   // the window closes while the job runs
    proceed.release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(completed);
    EXPECT_EQ(visited, 1);
}

TEST(TimeEstimator, TextsForTheExampleSeconds)
{
    const QList<QPair<int, QString>> examples = {
        {0, "About 5 seconds"},      {5, "About 5 seconds"},     {10, "About 5 seconds"},
        {11, "Less than a minute"},  {45, "Less than a minute"}, {60, "About a minute"},
        {90, "About a minute"},      {100, "Less than 2 minutes"}, {120, "About 2 minutes"},
        {1900, "Less than 1 hour"},  {3700, "About 1 hour"},     {9000, "About 2 hours"},
        {9100, "Less than 3 hours"},
    };
    for (const auto& [seconds, text] : examples)
        EXPECT_EQ(TimeEstimator::timeText(seconds), text) << seconds;
}

TEST(TimeEstimator, AnEstimateOnlyOnceTheRateSettled)
{
    quint32 now = 1'000'000;
    TimeEstimator estimator([&now] { return now; });
    EXPECT_EQ(estimator.label(), "Estimating time remaining...");

    estimator.update(0);     // the first report starts the clock
    now += 1000;
    estimator.update(0.1);   // 0.01 %/ms, nothing to compare with
    EXPECT_EQ(estimator.label(), "Estimating time remaining...");
    now += 1000;
    estimator.update(0.2);   // the same rate: settled, shown at once
    EXPECT_EQ(estimator.estimate(), 8);
    EXPECT_EQ(estimator.label(), "Time remaining: about 5 seconds");

    now += 500;
    estimator.update(0.3);   // the rate jumps by a fifth: the old estimate stays
    EXPECT_EQ(estimator.estimate(), 8);
    now += 500;
    estimator.update(0.36);  // settled again, but within 3 s of the last estimate
    EXPECT_EQ(estimator.estimate(), 8);
    now += 3000;
    estimator.update(0.72);
    EXPECT_EQ(estimator.estimate(), 2);

    // Progress that does not advance changes nothing.
    estimator.update(0.5);
    EXPECT_EQ(estimator.estimate(), 2);
}

// A folder scan of 40 s before a steady minute of loading: the pace is the
// loading's, and what is shown keeps pace with the bar.
TEST(TimeEstimator, TheEstimateFollowsTheWorkNotThePanel)
{
    quint32 now = 5'000;
    TimeEstimator estimator([&now] { return now; });
    now += 40'000;
    QStringList labels;
    for (int second = 0; second <= 60; ++second) {
        estimator.update(second / 60.0);
        if (second == 5) {
            EXPECT_NEAR(estimator.remaining(), 55, 1);
        }
        if (labels.isEmpty() || labels.last() != estimator.label())
            labels << estimator.label();
        now += 1000;
    }
    EXPECT_EQ(labels, (QStringList{"Estimating time remaining...", "Time remaining: less than a minute",
                                   "Time remaining: about 5 seconds"}));
}

TEST(TimeEstimator, TheTimeShownCountsDownBetweenReports)
{
    quint32 now = 0;
    TimeEstimator estimator([&now] { return now; });
    for (int second = 0; second <= 4; ++second, now += 1000)
        estimator.update(second / 500.0);   // 500 s of work
    EXPECT_EQ(estimator.label(), "Time remaining: about 8 minutes");
    // One item takes long: no report for 7 minutes, the time still runs.
    now += 420'000;
    EXPECT_EQ(estimator.label(), "Time remaining: about a minute");
    now += 120'000;
    EXPECT_EQ(estimator.remaining(), 0);
    EXPECT_EQ(estimator.label(), "Time remaining: about 5 seconds");
}

TEST(ProgressBox, StopButtonAndSheetEnd)
{
    ProgressBoxModel panel;
    panel.setMessage("Preparing for loading...");
    EXPECT_TRUE(panel.isIndeterminate());
    panel.setStopButtonBlock([&panel] { panel.setMessage("Stopping..."); });
    const auto stopCallback = panel.stopCallback();

    panel.showProgress(3, 7, progress_text::loading);
    EXPECT_FALSE(panel.isIndeterminate());
    EXPECT_EQ(panel.message(), "Loading 4 files");
    EXPECT_DOUBLE_EQ(panel.progress(), 3.0 / 7.0);

    EXPECT_FALSE(stopCallback());
    panel.stopButton();
    EXPECT_TRUE(stopCallback());
    EXPECT_EQ(panel.message(), "Stopping...");

    // A sheet ended by its owner is no stop; any other end is.
    ProgressBoxModel closed;
    closed.close();
    closed.sheetDidEnd();
    EXPECT_FALSE(closed.stopButtonPressed());
    ProgressBoxModel dismissed;
    dismissed.sheetDidEnd();
    EXPECT_TRUE(dismissed.stopButtonPressed());
}

TEST(PreprocessingStatisticsRing, ASlotComesBackAfter65JobsWithoutHarmingItsHolder)
{
    PreprocessingStatisticsRing ring;
    const PreprocessingStatisticsRing::Lease first = ring.take();
    first.statistics->tagsLoaded = 7;
    PreprocessingStatisticsRing::Lease last;
    for (int i = 0; i < PreprocessingStatisticsRing::kSlotCount; ++i)
        last = ring.take();
    EXPECT_EQ(last.slot, first.slot);
    EXPECT_EQ(last.statistics->tagsLoaded, 0u);
    last.statistics->tagsLoaded = 1;
    EXPECT_EQ(first.statistics->tagsLoaded, 7u);
}

namespace {

class Operations : public Jobs {
protected:
    SettingsStore store{dir.filePath("tagmint.conf")};
    QZTagLibTableSettings settings{store};
    QZTagLibRecordDataArrayController collection;
    CollectionOperations operations{collection, settings};
    CollectionOperations::Options inlineOptions{false, false, kRunInline, 50000};
};

} // namespace

TEST_F(Operations, FlagsFromTheSettings)
{
    settings.setPreprocessFlags(RecordPreprocessor::TagsFromPaths | RecordPreprocessor::TagsFromNetwork);
    EXPECT_EQ(operations.preprocessFlags(false), 9u);
    EXPECT_EQ(operations.preprocessFlags(true), 1u);
    EXPECT_EQ(operations.loadFlags({true, false, 0, 50000}), kLoadAudioProperties | kUnlockFiles);
    settings.setUnlockFilesAtOpening(false);
    EXPECT_EQ(operations.loadFlags({false, false, kRunInline, 50000}), kRunInline);
}

TEST_F(Operations, OpenDrivesThePanelAndReports)
{
    const QString folder = folderOfMp3s(2);
    dir.writeFile("f/readme.txt", "x");
    settings.setPreprocessFlags(RecordPreprocessor::TagsFromNetwork);
    QStringList messages;
    operations.setPanelObserver([&messages](const ProgressBoxModel& panel) { messages << panel.message(); });

    std::optional<CollectionOperations::OpenOutcome> outcome;
    ASSERT_TRUE(operations.loadFiles({folder}, {false, true, kRunInline, 50000},
                                     [&](const CollectionOperations::OpenOutcome& o) { outcome = o; }));
    ASSERT_TRUE(outcome && outcome->report);
    EXPECT_EQ(messages.first(), "Preparing for loading...");
    EXPECT_TRUE(messages.contains("Loading 2 files"));
    EXPECT_EQ(operations.progressBox(), nullptr);
    EXPECT_EQ(outcome->report->longText,
              "2 files were opened.\n1 file with unsupported format was ignored.\n"
              "\nTags weren't loaded from network because your computer is currently offline. ");
    EXPECT_FALSE(outcome->hadRecordsBefore);

    // Opening only the text file finds nothing: the alert.
    operations.loadFiles({dir.filePath("f/readme.txt")}, inlineOptions,
                         [&](const CollectionOperations::OpenOutcome& o) { outcome = o; });
    EXPECT_EQ(outcome->report->alertText, "Could not find supported media files.");
    EXPECT_TRUE(outcome->hadRecordsBefore);
}

TEST_F(Operations, AStoppedOpenThatFoundNothingClearsTheMessage)
{
    const QString folder = folderOfMp3s(3);
    operations.setPanelObserver([](const ProgressBoxModel& panel) {
        if (panel.message() == "Preparing for loading...")
            const_cast<ProgressBoxModel&>(panel).stopButton();
    });
    std::optional<CollectionOperations::OpenOutcome> outcome;
    operations.loadFiles({folder}, inlineOptions, [&](const CollectionOperations::OpenOutcome& o) { outcome = o; });
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->stopped);
    EXPECT_FALSE(outcome->report);
    EXPECT_TRUE(collection.isEmpty());
}
