// Starting: a second start hands its paths to the running program, the
// empty window opens files on Return, and the first edit is introduced.

#include "AppTestSupport.h"

#include "app/CellPopover.h"
#include "app/EmptyTablePlaceholder.h"
#include "app/SingleInstance.h"

#include <QFileDialog>
#include <QPushButton>
#include <QUuid>
#include <future>
#include <thread>

using namespace tagmint::test;

namespace {

TEST(SingleInstanceTest, ASecondStartHandsItsPathsOver)
{
    const QString name = QStringLiteral("tagmint-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance running(name);
    QList<QStringList> received;
    ASSERT_TRUE(running.listen([&](const QStringList& paths) { received.append(paths); }));

    // The second start blocks on its socket; it runs beside the event loop.
    const auto start = [&name](QStringList paths) {
        return std::async(std::launch::async, [name, paths] {
            SingleInstance second(name);
            return second.forwardToRunningInstance(paths, 5000);
        });
    };
    auto withPaths = start({"/music/a.mp3", "/music/b c.flac"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return withPaths.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    EXPECT_TRUE(withPaths.get());
    auto withoutPaths = start({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return withoutPaths.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    EXPECT_TRUE(withoutPaths.get());
    EXPECT_EQ(received, (QList<QStringList>{{"/music/a.mp3", "/music/b c.flac"}, {}}));

    // Nobody listening: this start becomes the running one.
    SingleInstance alone(name + QStringLiteral("-none"));
    EXPECT_FALSE(alone.forwardToRunningInstance({"/x.mp3"}, 200));
}

class Start : public AppTest {};

TEST_F(Start, ReturnInAnEmptyWindowOpensThePanel)
{
    TableMainWindow* window = app->finishLaunching();
    QTest::keyClick(window->placeholder(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return window->findChild<QFileDialog*>("OpenPanel") != nullptr; }));
    window->findChild<QFileDialog*>("OpenPanel")->reject();
}

TEST_F(Start, TheFirstEditIsIntroducedOnce)
{
    TempDir freshSettings;
    SettingsStore fresh(freshSettings.filePath("tagmint.conf"));
    TagmintApplication firstRun(fresh);
    firstRun.setTerminateHandler([] {});
    firstRun.openFiles({album({"tagged.flac"})});
    TableMainWindow* window = firstRun.finishLaunching();
    ASSERT_TRUE(waitIdle(window));
    TableGridView* grid = window->gridView();
    window->controller().selection().selectCellAtRow(0, columnOf(window, "title"), false);
    grid->setFocus();

    QTest::keyClick(grid, Qt::Key_Return);
    CellPopover* introduction = grid->cellPopover();
    ASSERT_NE(introduction, nullptr);
    EXPECT_EQ(introduction->title(), "Edit");
    EXPECT_TRUE(introduction->text().startsWith("Several selected cells in column can be edited"));
    EXPECT_EQ(introduction->button()->text(), "Start Editing");
    EXPECT_EQ(grid->cellEditor(), nullptr);
    introduction->button()->click();
    ASSERT_TRUE(waitUntil([&] { return grid->cellEditor() != nullptr; }));
    EXPECT_EQ(grid->cellEditor()->text(), "Flac Title");
    QTest::keyClick(grid->cellEditor(), Qt::Key_Escape);

    // Never again.
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_NE(grid->cellEditor(), nullptr);
    EXPECT_TRUE(QZTagLibTableSettings(fresh).introductoryPopoverAboutCellEditingShown());
}

} // namespace
