// The window's smaller parts on their own: the progress sheet, the status
// bar and the preferences' panes.

#include "AppTestSupport.h"

#include "app/PreferencesWindow.h"
#include "app/ProgressSheet.h"
#include "collection/ProgressBoxModel.h"
#include "network/NetworkConfig.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

using namespace tagmint::test;

namespace {

TEST(ProgressSheetTest, EscapeAndTheStopButtonStopAndTheTextsFollowTheModel)
{
    QWidget window;
    window.show();
    quint32 now = 1000;
    ProgressBoxModel model([&now] { return now; });
    model.setMessage("Loading 3 files");
    int stops = 0;
    ProgressSheet sheet(&window, [&] {
        ++stops;
        model.stopButton();
    });
    sheet.update(model);
    sheet.open();
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet.size(), QSize(450, 100));
    EXPECT_EQ(sheet.message(), "Loading 3 files");
    EXPECT_EQ(sheet.progressBar()->maximum(), 0);   // indeterminate
    EXPECT_EQ(sheet.progressBar()->toolTip(), "Shows progress of current process.");
    EXPECT_EQ(sheet.stopButton()->toolTip(), "Press this button to stop the process.");

    now += 1000;
    model.updateProgress(0.25);
    sheet.update(model);
    EXPECT_EQ(sheet.progressBar()->value(), 250);
    EXPECT_EQ(sheet.timeText(), "Estimating time remaining...");

    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(model.stopButtonPressed());
    EXPECT_TRUE(sheet.isVisible());   // the job's completion closes it
    sheet.stopButton()->click();
    EXPECT_EQ(stops, 2);
    sheet.finish();
    EXPECT_FALSE(sheet.isVisible());
}

TEST(ProgressSheetTest, TheTimeRemainingRunsOnWhileAnItemTakesLong)
{
    QWidget window;
    window.show();
    quint32 now = 0;
    ProgressBoxModel model([&now] { return now; });
    ProgressSheet sheet(&window, [] {});
    for (double fraction : {0.01, 0.02, 0.03}) {
        model.updateProgress(fraction);
        now += 10'000;
    }
    sheet.update(model);
    sheet.open();
    EXPECT_EQ(sheet.timeText(), "Time remaining: about 16 minutes");
    // Ten minutes without a report: the sheet reads the time again itself.
    now += 600'000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.timeText() == "Time remaining: about 6 minutes"; }, 3000))
        << sheet.timeText().toStdString();
    sheet.finish();
}

TEST(StatusBarTest, LabelsShowTheModelAndOpenTheirDetails)
{
    StatusBarWidget bar;
    bar.show();
    bar.notify(StatusNotification::makeMessage("Save", "2 files", "2 files were saved."));
    EXPECT_EQ(bar.messageLabel()->text(), "Save: 2 files");
    EXPECT_EQ(bar.messageLabel()->toolTip(), "Status of last operation. Click for more details.");
    bar.updateRowCount(10, 3, true);
    EXPECT_EQ(bar.countLabel()->text(), "3 of 10*");
    EXPECT_EQ(bar.countLabel()->toolTip(), "How many rows have been added or filtered.");

    QTest::mouseClick(bar.messageLabel(), Qt::LeftButton);
    ASSERT_NE(bar.popover(), nullptr);
    EXPECT_EQ(bar.popover()->title(), "Save");
    EXPECT_EQ(bar.popover()->text(), "2 files were saved.");
    bar.popover()->close();
    QTest::mouseClick(bar.countLabel(), Qt::LeftButton);
    ASSERT_NE(bar.popover(), nullptr);
    EXPECT_EQ(bar.popover()->text(), "The table contains 10 rows.\n3 rows were filtered.\n* The table has modified cells.");

    bar.notify(StatusNotification::clearMessage());
    EXPECT_EQ(bar.messageLabel()->text(), "");
}

TEST(PreferencesTest, TheGeneralPaneWritesThePreprocessBits)
{
    TempDir dir;
    SettingsStore store(dir.filePath("tagmint.conf"));
    QZTagLibTableSettings settings(store);
    PreferencesWindow preferences(store);
    EXPECT_TRUE(preferences.checkBox("createMissingTagsFromPaths")->isChecked());
    EXPECT_TRUE(preferences.checkBox("preprocessExtraSpaces")->isChecked());
    EXPECT_FALSE(preferences.checkBox("createMissingTagsFromNetwork")->isChecked());

    preferences.checkBox("createMissingTagsFromNetwork")->click();
    preferences.checkBox("createMissingTagsFromPaths")->click();
    EXPECT_EQ(settings.preprocessFlags(), 4 + 8);
    preferences.checkBox("adjustColumnWidthsAtOpening")->click();
    EXPECT_FALSE(settings.adjustColumnWidthsAtOpening());
    preferences.checkBox("showConfirmationWhenRemovingRows")->click();
    EXPECT_FALSE(settings.showConfirmationBeforeRemovingRows());

    // Changed elsewhere, shown at once.
    settings.setShowConfirmationAboutExtendingSelection(false);
    EXPECT_FALSE(preferences.checkBox("showConfirmationAboutExtendingSelection")->isChecked());
}

TEST(PreferencesTest, TheNetworkPaneKeepsTheUsersOwnKeysWhereTheLookupsReadThem)
{
    TempDir dir;
    SettingsStore store(dir.filePath("tagmint.conf"));
    store.writeString("Network", "AlbumInfoKey", "0123456789abcdef0123456789abcdef");
    PreferencesWindow preferences(store);
    preferences.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preferences));
    preferences.tabs()->setCurrentWidget(preferences.findChild<QWidget*>(PreferencesWindow::kNetworkIdentifier));
    QLineEdit* acoustId = preferences.lineEdit("acoustIdKey");
    QLineEdit* albumInfo = preferences.lineEdit("albumInfoKey");
    EXPECT_EQ(acoustId->text(), "");
    EXPECT_EQ(albumInfo->text(), "0123456789abcdef0123456789abcdef");

    acoustId->setFocus();
    QTest::keyClicks(acoustId, " Ab3dE7gH ");
    albumInfo->clear();
    emit albumInfo->textEdited(QString());
    const tagmint::network::NetworkConfig config(store);
    EXPECT_EQ(config.userKey(tagmint::network::Service::AcoustId), "Ab3dE7gH");
    EXPECT_EQ(config.userKey(tagmint::network::Service::AlbumInfo), "");

    // The pane is the one shown again next time.
    preferences.close();
    PreferencesWindow again(store);
    EXPECT_EQ(again.tabs()->currentWidget()->objectName(), PreferencesWindow::kNetworkIdentifier);
    EXPECT_EQ(again.lineEdit("acoustIdKey")->text(), "Ab3dE7gH");
}

TEST(PreferencesTest, TheWindowReopensWhereItStoodWithEachPanesSize)
{
    TempDir dir;
    const QString file = dir.filePath("tagmint.conf");
    const QString general = PreferencesWindow::kGeneralIdentifier;
    const QString confirmations = PreferencesWindow::kConfirmationsIdentifier;
    {
        SettingsStore store(file);
        PreferencesWindow preferences(store);
        preferences.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&preferences));
        preferences.move(120, 80);
        preferences.resize(520, 360);
        // Switching panes keeps what the pane being left had, even before
        // the pause that writes moves and resizes.
        preferences.tabs()->setCurrentIndex(1);
        preferences.resize(480, 400);
        preferences.close();
    }

    SettingsStore store(file);
    EXPECT_EQ(store.readFlatString(PreferencesWindow::kFrameTopLeftKey), "{120, 80}");
    EXPECT_EQ(store.readFlatString("QZPreferences " + general + " Frame"), "{{120, 80}, {520, 360}}");
    EXPECT_EQ(store.readFlatString("QZPreferences " + confirmations + " Frame"), "{{120, 80}, {480, 400}}");
    EXPECT_EQ(store.readFlatString("QZPreferences Selected Identifier View"), confirmations);

    PreferencesWindow again(store);
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(again.tabs()->currentIndex(), 1);
    EXPECT_EQ(again.pos(), QPoint(120, 80));
    EXPECT_EQ(again.size(), QSize(480, 400));
    again.tabs()->setCurrentIndex(0);
    EXPECT_EQ(again.size(), QSize(520, 360));
    EXPECT_EQ(again.pos(), QPoint(120, 80));

    // Moves reach the file once they pause, and at the latest when the
    // window goes away.
    again.move(140, 90);
    EXPECT_TRUE(QTest::qWaitFor([&store] {
        return store.readFlatString(PreferencesWindow::kFrameTopLeftKey) == "{140, 90}";
    }));
}

TEST(PreferencesTest, DamagedOrUnreachableWindowStateIsIgnored)
{
    TempDir dir;
    SettingsStore store(dir.filePath("tagmint.conf"));
    PreferencesWindow fresh(store);
    const QSize defaultSize = fresh.size();

    // A corner no attached screen shows, a frame without a size.
    store.writeFlatStrings({{PreferencesWindow::kFrameTopLeftKey, "{50000, 50000}"},
                            {PreferencesWindow::paneFrameKey(PreferencesWindow::kGeneralIdentifier),
                             "{{10, 10}, {0, -3}}"}});
    PreferencesWindow offScreen(store);
    EXPECT_NE(offScreen.pos(), QPoint(50000, 50000));
    EXPECT_EQ(offScreen.size(), defaultSize);

    store.writeFlatStrings({{PreferencesWindow::kFrameTopLeftKey, "30, 40"},
                            {PreferencesWindow::paneFrameKey(PreferencesWindow::kGeneralIdentifier),
                             "{{10, 10}, {600, 420}} and more"}});
    PreferencesWindow damaged(store);
    EXPECT_NE(damaged.pos(), QPoint(30, 40));
    EXPECT_EQ(damaged.size(), defaultSize);

    // Fractions, as another program may write them, are rounded; a size
    // below what the panes need grows to it.
    store.writeFlatStrings({{PreferencesWindow::kFrameTopLeftKey, "{30.4, 40.6}"},
                            {PreferencesWindow::paneFrameKey(PreferencesWindow::kGeneralIdentifier),
                             "{{10, 10}, {20, 20}}"}});
    PreferencesWindow tiny(store);
    EXPECT_EQ(tiny.pos(), QPoint(30, 41));
    EXPECT_EQ(tiny.size(), QSize(20, 20).expandedTo(tiny.minimumSizeHint()));
    EXPECT_GT(tiny.width(), 20);
}

} // namespace
