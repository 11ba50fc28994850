// Loading tags from the network in a window: the offline sheet and its
// Continue, which answers from the caches and the paths without a service;
// the whole run is one undo step; the report names a missing client key.

#include "AppTestSupport.h"
#include "network/LoadTagsFlags.h"
#include "support/StandInServer.h"

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

TEST_F(AppTest, WithoutAnAcoustIdKeyTheReportSaysWhereToPutOne)
{
    StandInServer musicBrainz(QJsonArray{});
    ASSERT_TRUE(musicBrainz.isRunning());
    store->writeInt("Network", "MusicBrainzPaceMs", 0);
    qputenv("TAGMINT_MUSICBRAINZ_URL", musicBrainz.baseUrl().toUtf8());
    qputenv("TAGMINT_NETWORK_KEYS", media.filePath("no-keys.json").toUtf8());
    const auto restore = qScopeGuard([] {
        qputenv("TAGMINT_MUSICBRAINZ_URL", "http://127.0.0.1:9");
        qunsetenv("TAGMINT_NETWORK_KEYS");
    });
    TableMainWindow* window = launchWith({media.copyFixture("plain.mp3", "song.mp3")});
    ASSERT_NE(window, nullptr);
    window->controller().selection().selectAll();

    window->action("loadTagsFromNetwork")->trigger();
    QMessageBox* report = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        report = window->messageSheet();
        return report && report->objectName() == "TagsChangedAlert";
    }));
    // The folder names give an artist and album, so artwork was asked for too.
    EXPECT_EQ(report->informativeText(), "AcoustID lookups need a client key: see Preferences\n"
                                         "Album information lookups need an API key: see Preferences");
}
