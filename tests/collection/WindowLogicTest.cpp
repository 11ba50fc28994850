// Which window receives files from the system, and the decisions of
// closing a window and quitting.

#include "CollectionTestSupport.h"
#include "collection/WindowClosing.h"
#include "collection/WindowRegistry.h"
#include "settings/QZTagLibTableSettings.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tagmint;
using namespace tagmint::collection;

namespace {

// The state a window controller keeps, without the widgets.
class Window : public TableWindow {
public:
    explicit Window(QString title) : m_title(std::move(title)) {}
    QZTagLibRecordDataArrayController& collection() override { return m_collection; }
    WindowCloseState& closeState() override { return m_closeState; }
    bool showsSheet() const override { return sheet; }
    bool isMinimized() const override { return minimized; }
    QString title() const override { return m_title; }
    void loadFiles(const QStringList& paths) override { loaded.append(paths); }

    bool sheet = false;
    bool minimized = false;
    QList<QStringList> loaded;

private:
    QString m_title;
    QZTagLibRecordDataArrayController m_collection;
    WindowCloseState m_closeState;
};

class Windows : public ::testing::Test {
protected:
    test::TempDir dir;
    SettingsStore store{dir.filePath("tagmint.conf")};
    QZTagLibTableSettings settings{store};
    WindowRegistry registry;
    std::vector<std::unique_ptr<Window>> windows;
    OpenFilesRouter router{registry, [this] { return newWindow(); }};

    Window* newWindow()
    {
        windows.push_back(std::make_unique<Window>(QStringLiteral("W%1").arg(windows.size() + 1)));
        registry.registerWindow(windows.back().get());
        return windows.back().get();
    }

    void giveRecord(Window* window)
    {
        window->collection().addObjects(
            {test::makeRecord(dir.copyFixture("plain.mp3", window->title() + ".mp3"))});
    }
};

} // namespace

TEST_F(Windows, FilesBeforeTheFirstWindowWaitForIt)
{
    router.openFiles({"/a.mp3"});
    router.openFiles({"/b.mp3"});
    EXPECT_FALSE(registry.hasControllers());
    Window* first = static_cast<Window*>(router.applicationDidFinishLaunching());
    ASSERT_EQ(first->loaded.size(), 1);
    EXPECT_EQ(first->loaded.front(), (QStringList{"/a.mp3", "/b.mp3"}));
    EXPECT_TRUE(router.pendingFiles().isEmpty());
}

TEST_F(Windows, FilesGoToTheFirstEmptyWindowWithoutASheet)
{
    router.applicationDidFinishLaunching();
    Window* first = windows[0].get();
    giveRecord(first);
    Window* second = newWindow();
    Window* third = newWindow();
    second->sheet = true;

    router.openFiles({"/x.mp3"});
    EXPECT_EQ(third->loaded.size(), 1);
    EXPECT_TRUE(first->loaded.isEmpty());

    // A window whose records are all filtered out is not empty.
    giveRecord(third);
    third->collection().setFilter([](const QZTagLibRecord&) { return false; });
    router.openFiles({"/y.mp3"});
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[3]->loaded.front(), QStringList{"/y.mp3"});
}

TEST_F(Windows, ClosingAskesAboutChangesThenForConfirmation)
{
    Window* window = newWindow();
    giveRecord(window);
    WindowCloseState& state = window->closeState();

    window->collection().objectAtIndex(0).setValue("Changed", "title");
    WindowCloseState::Decision decision = state.windowShouldClose(window->collection().isDirtyUnarranged(), settings);
    EXPECT_FALSE(decision.closeNow);
    EXPECT_EQ(decision.prompt, WindowCloseState::Prompt::UnsavedChanges);
    EXPECT_EQ(state.unsavedChangesAnswered(WindowCloseState::Answer::Cancel), WindowCloseState::Next::KeepOpen);
    EXPECT_EQ(state.unsavedChangesAnswered(WindowCloseState::Answer::Save),
              WindowCloseState::Next::SaveThenClose);
    // A failed save keeps the window.
    EXPECT_FALSE(state.saveFinished(false));
    EXPECT_FALSE(state.closeConfirmed());

    decision = state.windowShouldClose(false, settings);
    EXPECT_EQ(decision.prompt, WindowCloseState::Prompt::CloseConfirmation);
    // "No" with the box ticked keeps the window and turns the question off.
    EXPECT_FALSE(state.closeConfirmationAnswered(false, true, settings));
    EXPECT_FALSE(settings.showConfirmationBeforeClosingTheWindow());
    decision = state.windowShouldClose(false, settings);
    EXPECT_TRUE(decision.closeNow);

    EXPECT_EQ(state.unsavedChangesAnswered(WindowCloseState::Answer::DontSave), WindowCloseState::Next::Close);
    EXPECT_TRUE(state.windowShouldClose(true, settings).closeNow);
}

TEST_F(Windows, QuittingClosesCleanWindowsAndKeepsTheOthers)
{
    settings.setShowConfirmationBeforeClosingTheWindow(false);
    Window* clean = newWindow();
    Window* changed = newWindow();
    Window* minimized = newWindow();
    giveRecord(changed);
    changed->collection().objectAtIndex(0).setValue("Changed", "title");
    minimized->minimized = true;
    minimized->sheet = true;

    const QuitPlan plan = closeWindowsWithPrompt(registry, settings);
    EXPECT_FALSE(plan.terminate);
    EXPECT_EQ(plan.close, QList<TableWindow*>{clean});
    ASSERT_EQ(plan.prompts.size(), 1);
    EXPECT_EQ(plan.prompts.front().first, changed);
    EXPECT_EQ(plan.prompts.front().second, WindowCloseState::Prompt::UnsavedChanges);
    EXPECT_EQ(plan.restore, QList<TableWindow*>{minimized});

    registry.unregisterWindow(changed);
    registry.unregisterWindow(minimized);
    EXPECT_TRUE(closeWindowsWithPrompt(registry, settings).terminate);
}
