// The find bar's logic over a table of real records: counting with its
// messages, the typing delay, where stepping starts, replacing, using the
// selection, the filter keeping the selection on its records, options in
// the settings, and closing.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"
#include "support/TestFiles.h"
#include "table/ColumnLayout.h"
#include "table/FindMessages.h"
#include "table/QuietHost.h"
#include "table/TextTestSupport.h"
#include "table/TableViewController.h"
#include "table/TextFinderController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::table;

namespace {

class FindBar : public ::testing::Test {
protected:
    test::TempDir dir;
    SettingsStore store{dir.filePath("tagmint.conf")};
    QZTagLibTableSettings settings{store};
    QZTagLibRecordDataArrayController collection;
    ColumnLayout layout{store};
    test::QuietHost host;
    TableViewController table{collection, layout, host, settings};
    TextFinderController finder{table, settings};
    QList<StatusNotification> messages;
    QList<StatusNotification> reports;

    void SetUp() override
    {
        TextFinderController::Callbacks callbacks;
        callbacks.notify = [this](const StatusNotification& n) {
            if (n.type == StatusNotification::Type::Message)
                messages.append(n);
        };
        callbacks.contentChanged = [this] { finder.updateNumberOfOccurrences(); };
        callbacks.showTagsChanged = [this](const StatusNotification& message) { reports.append(message); };
        finder.setCallbacks(callbacks);
        TableViewController::Callbacks tableCallbacks;
        tableCallbacks.selectionChanged = [this] { finder.selectionChanged(); };
        table.setCallbacks(tableCallbacks);
    }

    // One record per title/artist pair, all from one file (values in memory).
    RecordList addRecords(const QList<QPair<QString, QString>>& rows)
    {
        const RecordList records =
            test::recordsWithTitleAndArtist(dir.copyFixture("plain.mp3", "song.mp3"), rows);
        collection.addObjects(records);
        table.recordsArrived(records, false);
        return records;
    }

    int column(const QString& identifier) const { return layout.indexOfColumn(identifier); }

    // Types the text and lets the typing delay pass.
    void type(const QString& text)
    {
        finder.findTextEdited(text);
        settle(TextFinderController::kFindTextDelayMs + 100);
    }

    static void settle(int milliseconds)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().message; }

    // The message with this text posted since messages was last cleared;
    // a recount may follow it (the status bar keeps the first).
    std::optional<StatusNotification> posted(const QString& text) const
    {
        for (const StatusNotification& message : messages) {
            if (message.message == text)
                return message;
        }
        return std::nullopt;
    }
};

} // namespace

TEST_F(FindBar, CountsTheWholeTableOrTheSelectionInItsWords)
{
    addRecords({{"Love me", "Lovers"}, {"Hate", "Love"}, {"Other", "x"}});
    finder.showBar(false);
    EXPECT_EQ(lastText(), "Find panel was activated.");
    type("love");
    EXPECT_EQ(finder.countLabel(), "3");
    EXPECT_EQ(messages.last().title, "Find");
    EXPECT_EQ(messages.last().shortMessage, "3 occurences of 'love' were found.");
    EXPECT_EQ(lastText(), "3 occurences of 'love' were found.");
    EXPECT_EQ(messages.last().priority, 2);
    EXPECT_TRUE(finder.canStep());
    EXPECT_TRUE(finder.canReplace());

    // The filter (on by default) hides the third row; a range of one row
    // counts only there, after the selection settled.
    ASSERT_EQ(collection.shownCount(), 2);
    table.selection().setupSelectionSafeWithStartRow(1, 1, column("title"), column("artist"), 1, column("title"));
    EXPECT_EQ(finder.countLabel(), "3");
    settle(TextFinderController::kRecountDelayMs + 100);
    EXPECT_EQ(finder.countLabel(), "1");
    EXPECT_EQ(lastText(), "1 occurence of 'love' was found in selection.");

    // Nothing left to select: the whole (empty) table is searched.
    type("zzz");
    EXPECT_EQ(lastText(), "'zzz' was not found.");
    EXPECT_FALSE(finder.canStep());
    type("");
    EXPECT_EQ(finder.countLabel(), "");
    EXPECT_EQ(collection.shownCount(), 3);
}

TEST_F(FindBar, TypingTakesEffectOnlyAfterThePause)
{
    addRecords({{"abc", ""}, {"xyz", ""}});
    finder.showBar(false);
    for (const char* text : {"x", "xy", "xyz"}) {
        finder.findTextEdited(QString::fromLatin1(text));
        settle(TextFinderController::kFindTextDelayMs / 4);
    }
    EXPECT_EQ(finder.engine()->query(), "");
    EXPECT_EQ(collection.shownCount(), 2);
    settle(TextFinderController::kFindTextDelayMs + 100);
    EXPECT_EQ(finder.engine()->query(), "xyz");
    EXPECT_EQ(collection.shownCount(), 1);

    // Enter does not wait for the pause.
    finder.findTextEdited("abc");
    finder.findNext();
    EXPECT_EQ(finder.engine()->query(), "abc");
    EXPECT_EQ(messages.last().title, "Find Next");
}

TEST_F(FindBar, StepsStartInTheActiveRowsFirstSearchableColumn)
{
    addRecords({{"a", "needle"}, {"needle b", "c"}});
    finder.showBar(false);
    finder.optionsChosen({false, false, SearchType::Contains});   // no filter
    type("needle");
    // The artwork column is not searched: the active row's title is next.
    table.selection().selectCellAtRow(1, column("image"), false);
    finder.findNext();
    EXPECT_EQ(table.selection().activeRow(), 1);
    EXPECT_EQ(table.selection().activeColumn(), column("title"));
    EXPECT_EQ(messages.last().title, "Find Next");
    EXPECT_EQ(messages.last().shortMessage, "'needle' was found");
    EXPECT_EQ(lastText(), "Found next occurence of 'needle'.");

    finder.findNext();   // wraps around to row 0
    EXPECT_EQ(table.selection().activeRow(), 0);
    EXPECT_EQ(table.selection().activeColumn(), column("artist"));
    finder.findPrevious();
    EXPECT_EQ(table.selection().activeRow(), 1);
    EXPECT_EQ(messages.last().title, "Find Previous");
    EXPECT_EQ(lastText(), "Found previous occurence of 'needle'.");

    type("");
    finder.findNext();
    EXPECT_EQ(messages.last().shortMessage, "text to find is empty");
    EXPECT_EQ(lastText(), "Text to find was not specified.");
}

TEST_F(FindBar, TheFilterKeepsTheSelectionOnItsRecords)
{
    const RecordList records = addRecords({{"one", ""}, {"two", ""}, {"three", ""}});
    table.selection().selectCellAtRow(2, column("title"), false);   // "three"
    finder.showBar(false);
    type("t");
    ASSERT_EQ(collection.shownCount(), 2);
    EXPECT_EQ(collection.recordAtRow(table.selection().activeRow()), records[2].get());

    FindOptions options = finder.options();
    options.filterEnabled = false;
    messages.clear();
    finder.optionsChosen(options);
    EXPECT_EQ(collection.shownCount(), 3);
    EXPECT_EQ(table.selection().activeRow(), 2);
    const auto message = posted("Filter was disabled.\nAll rows will be shown.");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->shortMessage, "filter was disabled");
    EXPECT_EQ(store.readString("QZTagLibRecordTextFinder", "FilterEnabled"), "0");

    options.filterEnabled = true;
    options.searchType = SearchType::StartsWith;
    finder.optionsChosen(options);
    EXPECT_EQ(collection.shownCount(), 2);
    EXPECT_TRUE(posted("Filter was enabled.\nOnly rows that match to text to find will be shown."));
    EXPECT_EQ(store.readString("QZTagLibRecordTextFinder", "SearchType"), "1");
    EXPECT_EQ(find_text::placeholder(finder.options()), "Text to find. Starts with, case insensitive search.");

    // Opening files switches the filter off for this window only.
    finder.setFilterFromOutside(false);
    EXPECT_EQ(collection.shownCount(), 3);
    EXPECT_FALSE(finder.options().filterEnabled);
    EXPECT_TRUE(settings.filterEnabled());
}

TEST_F(FindBar, ReplaceFindsFirstThenReplacesAndAllReportsTheTags)
{
    addRecords({{"cat cat", ""}, {"dog", "cat"}});
    finder.showBar(true);
    finder.replacementTextEdited("cow");
    type("cat");
    table.selection().selectCellAtRow(0, column("title"), false);

    messages.clear();
    finder.replaceNext();
    EXPECT_EQ(collection.stringAtRow(0, "title"), "cat cat");
    EXPECT_TRUE(posted("Found next occurence of 'cat'."));
    messages.clear();
    finder.replaceNext();
    EXPECT_EQ(collection.stringAtRow(0, "title"), "cow cat");
    const auto message = posted("Next occurence of 'cat' was replaced.");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->title, "Find and Replace");
    EXPECT_EQ(message->shortMessage, "next occurence was replaced");
    EXPECT_EQ(finder.countLabel(), "2");

    finder.replaceAll();
    EXPECT_EQ(collection.stringAtRow(0, "title"), "cow cow");
    EXPECT_EQ(collection.stringAtRow(1, "artist"), "cow");
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].title, "Replace All");
    EXPECT_EQ(reports[0].message, "2 tags changed.");
    EXPECT_EQ(finder.countLabel(), "0");
}

TEST_F(FindBar, AReplacementTheFieldRefusesIsReported)
{
    addRecords({{"x", ""}});
    layout.showColumns({"year"});
    collection.recordAtRow(0)->setValue("1999", "year");
    finder.showBar(true);
    finder.optionsChosen({false, false, SearchType::Contains});
    finder.replacementTextEdited("19999");
    type("1999");
    table.selection().selectCellAtRow(0, column("year"), false);
    finder.replaceNext();
    messages.clear();
    finder.replaceNext();
    EXPECT_EQ(collection.stringAtRow(0, "year"), "1999");
    EXPECT_TRUE(posted("Number is required between 1900 and 2100 for Year."));
}

TEST_F(FindBar, UseSelectionForFindTakesTheActiveCellsText)
{
    addRecords({{"Blue", ""}, {"Red", ""}, {"Blue Moon", ""}});
    table.selection().selectCellAtRow(0, column("title"), false);
    finder.useSelectionForFind();
    EXPECT_TRUE(finder.isVisible());
    EXPECT_EQ(finder.findText(), "Blue");
    EXPECT_EQ(finder.engine()->query(), "Blue");
    EXPECT_EQ(collection.shownCount(), 2);
    EXPECT_EQ(messages.last().title, "Use Selection for Find");
    EXPECT_EQ(messages.last().shortMessage, "'Blue'");
    EXPECT_EQ(lastText(), "Selection 'Blue' was used for Find.");

    finder.useSelectionForFind("Moon");   // the editor's selected text wins
    EXPECT_EQ(finder.engine()->query(), "Moon");

    table.selection().selectCellAtRow(0, column("album"), false);   // empty
    finder.useSelectionForFind();
    EXPECT_EQ(lastText(), "Selected text was not found.");
    EXPECT_EQ(finder.engine()->query(), "Moon");
}

TEST_F(FindBar, ClosingShowsAllRowsAndForgetsTheEngine)
{
    addRecords({{"a", ""}, {"b", ""}});
    finder.showBar(false);
    type("a");
    ASSERT_EQ(collection.shownCount(), 1);
    const int responders = host.firstResponder;
    finder.closeBar();
    EXPECT_FALSE(finder.isVisible());
    EXPECT_EQ(collection.shownCount(), 2);
    EXPECT_GT(host.firstResponder, responders);
    EXPECT_TRUE(messages.last().message.isEmpty());
    EXPECT_EQ(messages.last().priority, StatusNotification::kClearingPriority);
    EXPECT_FALSE(finder.highlight(0, column("title"), "a"));

    // Shown again, the text still in the field searches again.
    finder.showBar(false);
    EXPECT_EQ(collection.shownCount(), 1);
}

TEST_F(FindBar, TextToolsNeedAWritableSelectedCell)
{
    using Command = TableViewController::Command;
    EXPECT_FALSE(table.isEnabled(Command::ShowFind, false));
    addRecords({{"a", ""}, {"b", ""}});
    layout.showColumns({"folder"});
    table.selection().selectCellAtRow(0, column("folder"), false);
    EXPECT_FALSE(table.isEnabled(Command::TextTool, false));
    table.selection().selectCellAtRow(0, column("title"), false);
    EXPECT_TRUE(table.isEnabled(Command::TextTool, false));
    EXPECT_FALSE(table.isEnabled(Command::TextTool, true));

    // Everything filtered away: the find bar can still be opened.
    finder.showBar(false);
    type("zzz");
    ASSERT_EQ(collection.shownCount(), 0);
    EXPECT_TRUE(table.isEnabled(Command::ShowFind, false));
    EXPECT_FALSE(table.isEnabled(Command::FindStep, false));
    EXPECT_FALSE(table.isEnabled(Command::TextTool, false));
}
