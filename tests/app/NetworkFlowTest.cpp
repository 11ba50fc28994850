// Loading tags from the network in a window: the offline sheet and its
// Continue, which answers from the caches and the paths without a service;
// the whole run is one undo step.

#include "AppTestSupport.h"
#include "network/LoadTagsFlags.h"

using namespace tagmint::test;

TEST_F(AppTest, LoadTagsFromNetworkOfflineAsksThenWorksFromTheCaches)
{
    const QString folder = "Music/Miles Davis/Kind of Blue (1959)";
    QDir(media.path()).mkpath(folder);
    media.copyFixture("plain.mp3", folder + "/01 - So What.mp3");
    TableMainWindow* window = launchWith({media.filePath(folder)});
    ASSERT_NE(window, nullptr);
    window->controller().selection().selectAll();

    window->action("loadTagsFromNetwork")->trigger();
    QMessageBox* offline = waitForSheet(window);
    ASSERT_NE(offline, nullptr);
    EXPECT_EQ(offline->windowTitle(), "Load Tags From Network");
    EXPECT_EQ(offline->text(),
              "New tags cannot be loaded from network because your computer is currently offline. Network "
              "Diagnostics can help you solve network connection problems.\n\nPress Continue to try to get tags "
              "from local cache, if exist.\n");
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Cannot load tags, network is unavailable.");
    answer(offline, "Cancel");
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(columnTexts(window, "title"), QStringList{""});

    window->action("loadTagsFromNetwork")->trigger();
    answer(waitForSheet(window), "Continue");
    QMessageBox* report = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        report = window->messageSheet();
        return report && report->objectName() == "TagsChangedAlert";
    }));
    EXPECT_EQ(report->windowTitle(), "Load Tags From Network");
    // Nothing cached: the working values fall back to the path's, as with any lookup that finds nothing.
    EXPECT_EQ(columnTexts(window, "title"), QStringList{"So What"});
    EXPECT_EQ(columnTexts(window, "artist"), QStringList{"Miles Davis"});

    answer(report, "OK");
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(window->action("undo")->text(), "Undo Load Tags From Network");
    window->action("undo")->trigger();
    EXPECT_EQ(columnTexts(window, "title"), QStringList{""});
    EXPECT_EQ(columnTexts(window, "artist"), QStringList{""});
    window->action("redo")->trigger();
    EXPECT_EQ(columnTexts(window, "title"), QStringList{"So What"});
}
