// The column commands with their messages, the user's header actions,
// sorting by the catalogue's keys and the context menus.

#include "settings/SettingsStore.h"
#include "support/TestFiles.h"
#include "table/ColumnCommands.h"
#include "table/ColumnMenus.h"

#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::table;

namespace {

// Default layout: num, image 1, title 2, artist 3, album 4, genre 5,
// comment 6, filename 7.
class ColumnCommandsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    SettingsStore store{dir.filePath("tagmint.conf")};
    ColumnLayout layout{store};
    ColumnCommands commands{layout};
    ColumnContent content = [] {
        ColumnContent result;
        result.texts = [](const QString&) { return QStringList{QString(20, 'w'), QString(10, 'w')}; };
        result.measure = [](const QString& text) { return 7.0 * double(text.size()); };
        return result;
    }();

    static ColumnSelection columns(int first, int last, int active = -1)
    {
        return {{first, last}, active < 0 ? first : active};
    }

    static void expectMessage(const ColumnCommandResult& result, const QString& title,
                              const QString& subject, const QString& message)
    {
        ASSERT_TRUE(result.notification.has_value());
        EXPECT_EQ(result.notification->title, title);
        EXPECT_EQ(result.notification->shortMessage, subject);
        EXPECT_EQ(result.notification->message, message);
    }
};

} // namespace

TEST_F(ColumnCommandsTest, AutoSizingNamesOneColumnCountsSeveralAndSavesAtOnce)
{
    const ColumnCommandResult result = commands.autoSizeActiveColumn(columns(3, 3), content);
    expectMessage(result, "Auto Size Column", "Artist", "The width of column 'Artist' was changed.");
    EXPECT_TRUE(result.revealActiveCell);
    EXPECT_EQ(layout.width("artist"), 160);
    // Saved at once: the next window has the width.
    EXPECT_EQ(ColumnLayout(store).width("artist"), 160);

    expectMessage(commands.autoFitActiveColumn(columns(3, 3), content), "Auto Fit Column",
                  "Artist", "The width of column 'Artist' was changed.");
    EXPECT_EQ(layout.width("artist"), 105);

    expectMessage(commands.autoSizeActiveColumn(columns(2, 4), content), "Auto Size Column",
                  "3 columns", "The width of 3 columns was changed.");
    EXPECT_EQ(layout.width("title"), 160);
    EXPECT_EQ(layout.width("album"), 160);
}

TEST_F(ColumnCommandsTest, AFixedColumnReportsThatItCannotChange)
{
    layout.showColumns({"frequency"});
    const int column = layout.indexOfColumn("frequency");
    const ColumnCommandResult result = commands.autoSizeActiveColumn(columns(column, column), content);
    expectMessage(result, "Auto Size Column", "Sample Rate, Hz",
                  "The width of column 'Sample Rate, Hz' could not be changed.");
    EXPECT_EQ(layout.width("frequency"), 100);
}

TEST_F(ColumnCommandsTest, AMenuColumnOutsideTheSelectionIsTheOnlyOneSized)
{
    commands.autoSizeActiveColumn(columns(2, 3), content, 5);
    EXPECT_EQ(layout.width("genre"), 160);
    EXPECT_EQ(layout.width("title"), 270);

    // Inside the selection the whole selection is sized, as after a double
    // click on a divider.
    expectMessage(commands.autoSizeColumnAtDivider(3, columns(2, 3), content), "Auto Size Column",
                  "2 columns", "The width of 2 columns was changed.");
    EXPECT_EQ(layout.width("title"), 160);
}

TEST_F(ColumnCommandsTest, AutoSizingAllColumns)
{
    expectMessage(commands.autoSizeAllColumns(content), "Auto Size All Columns", "",
                  "The widths of all columns were adjusted.");
    EXPECT_EQ(layout.width("image"), 120);
    EXPECT_EQ(layout.width("filename"), 170);

    expectMessage(commands.autoFitAllColumns(content), "Auto Fit All Columns", "",
                  "The widths of all columns were adjusted.");
    EXPECT_EQ(layout.width("image"), 50);
}

// After opening, a column per step; the widths arrive together at the end,
// and a column hidden in between is left as it was.
TEST_F(ColumnCommandsTest, AutoSizingAllColumnsStepByStep)
{
    AutoSizeRun run = commands.startAutoSizeAll(AutoWidth::Size);
    int steps = 1;
    while (commands.autoSizeStep(run, content)) {
        ++steps;
        EXPECT_EQ(layout.width("title"), 270);   // not yet
        if (steps == 2)
            layout.hideColumns({"album"});
    }
    EXPECT_EQ(steps, 7);   // image, title, artist, album, genre, comment, filename
    EXPECT_EQ(layout.width("title"), 160);
    EXPECT_EQ(layout.width("filename"), 170);
    EXPECT_EQ(layout.width("album"), 150);
    EXPECT_FALSE(commands.autoSizeStep(run, content));
    EXPECT_EQ(ColumnLayout(store).width("title"), 160);
}

TEST_F(ColumnCommandsTest, HidingSelectedColumns)
{
    EXPECT_FALSE(commands.autoSizeActiveColumn({}, content).notification);
    EXPECT_FALSE(commands.hideSelectedColumns({}).notification);
    EXPECT_EQ(layout.columnCount(), 8);

    expectMessage(commands.hideSelectedColumns(columns(3, 3)), "Hide Column", "Artist",
                  "The column 'Artist' is hidden.");
    expectMessage(commands.hideSelectedColumns(columns(1, 2)), "Hide Column", "2 columns",
                  "2 columns are hidden");
    EXPECT_EQ(layout.columnIdentifiers(), (QStringList{"album", "genre", "comment", "filename"}));
}

TEST_F(ColumnCommandsTest, TheLastSearchableColumnStaysWithABeep)
{
    expectMessage(commands.hideOtherColumns(columns(1, 1)), "Column", "cannot hide other columns",
                  "Cannot hide other columns.");
    EXPECT_EQ(layout.columnCount(), 8);

    layout.hideColumns({"artist", "album", "genre", "comment", "filename"});
    const ColumnCommandResult result = commands.hideSelectedColumns(columns(2, 2));
    EXPECT_TRUE(result.beep);
    expectMessage(result, "Hide Column", "cannot hide column 'Title'", "Cannot hide column 'Title'.");

    // A range that also holds the artwork loses the artwork only.
    EXPECT_FALSE(commands.hideSelectedColumns(columns(1, 2)).beep);
    EXPECT_EQ(layout.columnIdentifiers(), QStringList{"title"});

    const ColumnCommandResult toggled = commands.toggleColumn("title");
    EXPECT_TRUE(toggled.beep);
    EXPECT_TRUE(layout.isVisible("title"));
}

TEST_F(ColumnCommandsTest, HidingOtherColumnsSelectsTheKeptOnes)
{
    ColumnCommandResult result = commands.hideOtherColumns(columns(3, 4, 4));
    expectMessage(result, "Column", "2 columns are visible", "2 columns are visible.");
    EXPECT_EQ(layout.columnIdentifiers(), (QStringList{"artist", "album"}));
    EXPECT_EQ(result.columnsToSelect, (ColumnSpan{1, 2}));
    EXPECT_EQ(result.activeColumn, 2);

    result = commands.hideOtherColumns(columns(1, 1));
    expectMessage(result, "Column", "'Artist' is visible", "The column 'Artist' is visible.");
    EXPECT_EQ(layout.columnIdentifiers(), QStringList{"artist"});
}

TEST_F(ColumnCommandsTest, ShowingAndTogglingColumns)
{
    EXPECT_TRUE(commands.showingNeedsAudioProperties({"title", "bitrate"}));
    EXPECT_FALSE(commands.showingNeedsAudioProperties({"path", "title"}));

    expectMessage(commands.showAllColumns(), "Show All Columns", "", "All columns are visible.");
    EXPECT_EQ(layout.columnCount(), 31);
    EXPECT_TRUE(layout.hiddenColumns().isEmpty());
    EXPECT_TRUE(layout.hasVisibleAudioPropertyColumns());
    EXPECT_FALSE(commands.showingNeedsAudioProperties({"bitrate"}));

    expectMessage(commands.toggleColumn("albumArtist"), "Hide Column", "Album Artist",
                  "The column 'Album Artist' is hidden.");
    const ColumnCommandResult shown = commands.toggleColumn("albumArtist");
    expectMessage(shown, "Show Column", "Album Artist", "The column 'Album Artist' is visible.");
    EXPECT_EQ(shown.columnToReveal, "albumArtist");
}

TEST_F(ColumnCommandsTest, ResizingOneOfTheSelectedColumnsResizesAll)
{
    commands.columnDidResize(2, 500, columns(1, 3));
    EXPECT_EQ(layout.width("image"), 120);
    EXPECT_EQ(layout.width("title"), 500);
    EXPECT_EQ(layout.width("artist"), 400);

    commands.columnDidResize(5, 10, columns(1, 3));
    EXPECT_EQ(layout.width("genre"), 50);
    EXPECT_EQ(layout.width("title"), 500);
    EXPECT_EQ(ColumnLayout(store).width("genre"), 50);
}

TEST_F(ColumnCommandsTest, MovingAColumn)
{
    ColumnCommands::MoveOutcome outcome = commands.columnDidMove(2, 5, columns(2, 3));
    EXPECT_TRUE(outcome.accepted);
    EXPECT_TRUE(outcome.resyncSelection);
    EXPECT_EQ(layout.identifierAt(5), "title");

    outcome = commands.columnDidMove(1, 2, columns(5, 5));
    EXPECT_TRUE(outcome.accepted);
    EXPECT_FALSE(outcome.resyncSelection);

    commands.setUpdatesLocked(true);
    EXPECT_FALSE(commands.columnDidMove(3, 4, columns(5, 5)).accepted);
    commands.setUpdatesLocked(false);
    EXPECT_FALSE(commands.columnDidMove(3, 0, columns(5, 5)).accepted);
    EXPECT_EQ(ColumnLayout(store).identifierAt(5), "title");
}

TEST_F(ColumnCommandsTest, HeaderClicksSortByTheCataloguesKeysAndCompanions)
{
    SortDescriptors order = commands.sortDescriptorsAfterHeaderClick({}, 2);
    ASSERT_EQ(order.size(), 1);
    EXPECT_EQ(order.first(), (SortDescriptor{"title", true,
                                             SortDescriptor::Comparison::CaseInsensitiveText}));
    order = commands.sortDescriptorsAfterHeaderClick(order, 2);
    EXPECT_FALSE(order.first().ascending);

    layout.showColumns({"sizeStr"});
    order = commands.sortDescriptorsAfterHeaderClick(order, layout.indexOfColumn("sizeStr"));
    ASSERT_EQ(order.size(), 2);
    EXPECT_EQ(order.at(0), (SortDescriptor{"size", true, SortDescriptor::Comparison::Plain}));
    EXPECT_EQ(order.at(1).key, "title");
    EXPECT_EQ(commands.sortDescriptorsAfterHeaderClick(order, 0), order);   // row numbers do not sort
    EXPECT_EQ(sortDescriptorForColumn("image")->key, "imageSortValue");
    EXPECT_EQ(sortDescriptorForColumn("duration")->comparison, SortDescriptor::Comparison::Plain);
}

TEST_F(ColumnCommandsTest, TheHeaderMenuAndWhatItEnables)
{
    QList<ColumnMenuItem> menu = menuForColumnHeaderWithIndex(layout, 2, 5);
    QStringList titles;
    for (const ColumnMenuItem& item : menu)
        titles << item.title;
    ASSERT_EQ(titles.size(), 2 + 1 + 30 + 1 + 3);
    EXPECT_EQ(titles.mid(0, 7), (QStringList{"Auto Size Column", "Auto Size All Columns", "",
                                             "Album", "Album Artist", "Artist", "Artwork"}));
    EXPECT_EQ(titles.mid(32), (QStringList{"Year", "", "Hide Column", "Hide Other Columns",
                                           "Show All Columns"}));
    EXPECT_TRUE(menu.at(3).checked);
    EXPECT_FALSE(menu.at(4).checked);
    EXPECT_EQ(menu.at(36).tag, 2);

    // No rows: nothing to size.
    menu = menuForColumnHeaderWithIndex(layout, 2, 0);
    EXPECT_FALSE(menu.at(0).enabled);
    EXPECT_FALSE(menu.at(1).enabled);

    // The row numbers have a fixed width and cannot be hidden.
    menu = menuForColumnHeaderWithIndex(layout, 0, 5);
    EXPECT_FALSE(menu.at(0).enabled);
    EXPECT_FALSE(menu.at(34).enabled);
    EXPECT_FALSE(menu.at(35).enabled);
    EXPECT_TRUE(menu.at(36).enabled);

    layout.hideColumns({"artist", "album", "genre", "comment", "filename"});
    menu = menuForColumnHeaderWithIndex(layout, 1, 5);
    const auto toggle = [&menu](const QString& identifier) {
        return *std::find_if(menu.cbegin(), menu.cend(), [&identifier](const ColumnMenuItem& item) {
            return item.identifier == identifier;
        });
    };
    EXPECT_FALSE(toggle("title").enabled);
    EXPECT_TRUE(toggle("image").enabled);
    EXPECT_TRUE(toggle("artist").enabled);
}

