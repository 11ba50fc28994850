// Starting: a second start hands its paths to the running program, the
// empty window opens files on Return, and the first edit is introduced.

#include "AppTestSupport.h"

#include "app/CellPopover.h"
#include "app/DesktopPortal.h"
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

// Keys go wherever the keyboard is at each press and no queued work runs
// between them, as when a user types faster than the program answers.
TEST_F(Start, KeysTypedWhileTheFirstEditIsIntroducedReachTheCell)
{
    TempDir freshSettings;
    SettingsStore fresh(freshSettings.filePath("tagmint.conf"));
    // No preprocessing report may take the keys away from the grid.
    QZTagLibTableSettings(fresh).setPreprocessFlags(0);
    TagmintApplication firstRun(fresh);
    firstRun.setTerminateHandler([] {});
    firstRun.openFiles({album({"tagged.flac", "plain.mp3"})});
    TableMainWindow* window = firstRun.finishLaunching();
    ASSERT_TRUE(waitIdle(window));
    ASSERT_TRUE(activate(window));
    TableGridView* grid = window->gridView();
    const int title = columnOf(window, "title");
    window->controller().selection().selectCellAtRow(0, title, false);
    grid->setFocus();

    QTest::keyClicks(nullptr, "Unravel (Remix)");
    CellPopover* introduction = grid->editingIntroduction();
    ASSERT_NE(introduction, nullptr);
    EXPECT_TRUE(introduction->isVisible());
    EXPECT_EQ(introduction->title(), "Edit");
    EXPECT_TRUE(introduction->text().startsWith("Several selected cells in column can be edited"));
    EXPECT_EQ(introduction->button()->text(), "Start Editing");
    ASSERT_NE(grid->cellEditor(), nullptr);
    EXPECT_EQ(grid->cellEditor()->text(), "Unravel (Remix)");

    // Its button only puts it away; the edit goes on.
    QTest::mouseClick(introduction->button(), Qt::LeftButton);
    QTest::keyClicks(nullptr, "!");
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Return);
    EXPECT_EQ(window->collection().stringAtRow(0, "title"), "Unravel (Remix)!");
    EXPECT_FALSE(introduction->isVisible());

    // Never again.
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_NE(grid->cellEditor(), nullptr);
    EXPECT_EQ(grid->editingIntroduction(), nullptr);
    EXPECT_TRUE(QZTagLibTableSettings(fresh).introductoryPopoverAboutCellEditingShown());
}

TEST(DesktopPortalTest, ChosenOnlyWhereAPortalCanShowTheDialog)
{
    TempDir root;
    root.writeFile("share/dbus-1/services/org.freedesktop.portal.Desktop.service", "[D-BUS Service]\n");
    root.writeFile("share/xdg-desktop-portal/portals/gtk.portal",
                   "[portal]\nInterfaces=org.freedesktop.impl.portal.AppChooser;"
                   "org.freedesktop.impl.portal.FileChooser;\n");
    root.writeFile("plugins/platformthemes/libqxdgdesktopportal.so", "");
    tagmint::app::PortalEnvironment desktop;
    desktop.hasSessionBus = true;
    desktop.platform = "xcb";
    desktop.dataDirs = {root.filePath("elsewhere"), root.filePath("share")};
    desktop.pluginDirs = {root.filePath("plugins")};
    EXPECT_TRUE(tagmint::app::shouldUseDesktopPortal(desktop));

    const auto without = [&desktop](const std::function<void(tagmint::app::PortalEnvironment&)>& change) {
        tagmint::app::PortalEnvironment changed = desktop;
        change(changed);
        return tagmint::app::shouldUseDesktopPortal(changed);
    };
    EXPECT_FALSE(without([](auto& e) { e.platformTheme = "kde"; }));   // the user's own choice
    EXPECT_FALSE(without([](auto& e) { e.platform = "offscreen"; }));
    EXPECT_FALSE(without([](auto& e) { e.hasSessionBus = false; }));
    EXPECT_FALSE(without([&](auto& e) { e.pluginDirs = {root.filePath("share")}; }));
    QFile::remove(root.filePath("share/dbus-1/services/org.freedesktop.portal.Desktop.service"));
    EXPECT_FALSE(tagmint::app::shouldUseDesktopPortal(desktop));
    root.writeFile("share/dbus-1/services/org.freedesktop.portal.Desktop.service", "[D-BUS Service]\n");
    // A backend without a file chooser cannot show the dialog.
    root.writeFile("share/xdg-desktop-portal/portals/gtk.portal",
                   "[portal]\nInterfaces=org.freedesktop.impl.portal.FileChooserless\n");
    EXPECT_FALSE(tagmint::app::shouldUseDesktopPortal(desktop));
}

} // namespace
