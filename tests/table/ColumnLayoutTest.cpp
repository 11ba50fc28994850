// The table's columns: the default layout, what survives in the settings
// file for the next window, damaged stored values, and the hide rules.

#include "settings/SettingsStore.h"
#include "support/TestFiles.h"
#include "table/ColumnLayout.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tagmint;
using namespace tagmint::table;

namespace {

const QStringList kDefaultColumns = {"image", "title", "artist", "album",
                                     "genre", "comment", "filename"};

class Columns : public ::testing::Test {
protected:
    test::TempDir dir;
    QString file = dir.filePath("tagmint.conf");
    std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>(file);

    // What the next window finds: a fresh store and layout on the same file.
    std::unique_ptr<ColumnLayout> reopen()
    {
        store = std::make_unique<SettingsStore>(file);
        return std::make_unique<ColumnLayout>(*store);
    }

    void storeValue(const QString& key, const QString& value)
    {
        store->writeFlatStrings({{key, value}});
    }
};

} // namespace

TEST_F(Columns, AFreshInstallationShowsTheDefaultColumns)
{
    ColumnLayout layout(*store);
    EXPECT_EQ(layout.identifierAt(0), "num");
    EXPECT_EQ(layout.columnIdentifiers(), kDefaultColumns);
    EXPECT_EQ(layout.titleOfColumnWithIndex(7), "File Name");
    EXPECT_FALSE(layout.hasVisibleAudioPropertyColumns());
    EXPECT_TRUE(layout.hasVisibleArtworkColumn());
    EXPECT_EQ(layout.columns(ColumnLayout::Filter::Searchable),
              (QStringList{"title", "artist", "album", "genre", "comment", "filename"}));
}

TEST_F(Columns, AHiddenColumnStaysHiddenForTheNextWindow)
{
    {
        ColumnLayout layout(*store);
        EXPECT_EQ(layout.hideColumns({"artist"}), QStringList{"artist"});
    }
    EXPECT_EQ(store->readFlatString("QZTagLibTableColumn_visible_artist"), "2");
    // A hidden column stores its default index, not its last position.
    EXPECT_EQ(store->readFlatString("QZTagLibTableColumn_index_artist"), "4");
    EXPECT_EQ(store->readFlatString("QZTagLibTableColumn_index_album"), "3");

    const auto next = reopen();
    EXPECT_FALSE(next->isVisible("artist"));
    EXPECT_EQ(next->columnIdentifiers(),
              (QStringList{"image", "title", "album", "genre", "comment", "filename"}));
}

TEST_F(Columns, OrderAndWidthsSurvive)
{
    {
        ColumnLayout layout(*store);
        ASSERT_TRUE(layout.moveColumn(6, 1));   // comment to the front
        EXPECT_EQ(layout.setWidth("title", 333.5f), 333.5f);
        EXPECT_EQ(layout.setWidth("genre", 9999), 400);   // its maximum
        layout.showColumns({"path"});
    }
    const auto next = reopen();
    EXPECT_EQ(next->columnIdentifiers(), (QStringList{"comment", "image", "title", "artist",
                                                      "album", "genre", "filename", "path"}));
    EXPECT_EQ(next->width("title"), 333.5f);
    EXPECT_EQ(next->width("genre"), 400);
    EXPECT_EQ(store->readFlatString("QZTagLibTableColumn_width_title"), "333.5");
    EXPECT_EQ(store->readFlatString("QZTagLibTableColumn_index_comment"), "1");
}

TEST_F(Columns, DamagedStoredValuesGiveTheDefaults)
{
    storeValue(widthKey("title"), "abc");
    storeValue(widthKey("artist"), "0");
    storeValue(widthKey("album"), "-40");
    storeValue(widthKey("genre"), "nan");
    storeValue(widthKey("comment"), "inf");
    storeValue(visibleKey("year"), "7");
    storeValue(visibleKey("comment"), "");
    storeValue(indexKey("image"), "-3");
    storeValue(indexKey("title"), "x");
    storeValue(widthKey("path"), "10");
    storeValue(widthKey("folder"), "5000");

    ColumnLayout layout(*store);
    EXPECT_EQ(layout.width("title"), 270);
    EXPECT_EQ(layout.width("artist"), 150);
    EXPECT_EQ(layout.width("album"), 150);
    EXPECT_EQ(layout.width("genre"), 100);
    EXPECT_EQ(layout.width("comment"), 270);
    EXPECT_EQ(layout.columnIdentifiers(), kDefaultColumns);
    // Usable widths are only brought within the column's limits.
    EXPECT_EQ(layout.width("path"), 70);
    EXPECT_EQ(layout.width("folder"), 600);
}

TEST_F(Columns, WithoutAnySearchableColumnTitleIsShownAndSaved)
{
    for (const ColumnDescription* column : layoutColumns())
        storeValue(visibleKey(column->identifier), "2");
    storeValue(visibleKey("image"), "1");

    const auto layout = reopen();
    EXPECT_EQ(layout->columnIdentifiers(), (QStringList{"image", "title"}));
    EXPECT_EQ(store->readFlatString("QZTagLibTableColumn_visible_title"), "1");
}

TEST_F(Columns, ShownColumnsReturnWhereTheDefaultLayoutHasThem)
{
    ColumnLayout layout(*store);
    layout.hideColumns({"title"});
    layout.showColumns({"title"});
    EXPECT_EQ(layout.columnIdentifiers(), kDefaultColumns);

    layout.showColumns({"year", "initialKey"});
    EXPECT_EQ(layout.columnIdentifiers(), (QStringList{"image", "title", "artist", "album", "genre",
                                                       "initialKey", "year", "comment",
                                                       "filename"}));
}

TEST_F(Columns, RowNumbersNeverHideOrMoveAndOneSearchableColumnStays)
{
    ColumnLayout layout(*store);
    EXPECT_FALSE(layout.canHideColumn(0));    // row numbers
    EXPECT_FALSE(layout.canHideColumn(8));    // beyond the columns
    EXPECT_FALSE(layout.canHideColumn(-1));
    EXPECT_FALSE(layout.moveColumn(0, 3));
    EXPECT_FALSE(layout.moveColumn(3, 0));
    EXPECT_FALSE(layout.moveColumn(2, 8));
    EXPECT_EQ(layout.columnIdentifiers(), kDefaultColumns);

    layout.hideColumns({"artist", "album", "genre", "comment", "filename"});
    ASSERT_EQ(layout.columnIdentifiers(), (QStringList{"image", "title"}));
    EXPECT_FALSE(layout.canHideColumn(2));
    EXPECT_TRUE(layout.hideColumns({"title"}).isEmpty());
    EXPECT_TRUE(layout.canHideColumn(1));     // artwork is never searched
    EXPECT_EQ(layout.hideColumns({"image"}), QStringList{"image"});

    EXPECT_TRUE(layout.canHideColumnsOthersThanColumns({"image", "title"}));
    EXPECT_FALSE(layout.canHideColumnsOthersThanColumns({"image", "num"}));
}

TEST_F(Columns, EveryChangeIsAnnounced)
{
    ColumnLayout layout(*store);
    int changes = 0;
    layout.setChangeCallback([&changes] { ++changes; });
    layout.hideColumns({"genre"});
    layout.showColumns({"genre"});
    layout.moveColumn(1, 2);
    layout.setWidth("title", 300);
    layout.showColumns({"genre"});       // already shown
    EXPECT_EQ(changes, 4);
}

TEST(ColumnCatalog, TitlesJoinedForMessages)
{
    EXPECT_EQ(titlesOfColumnsSeparatedByComma({}), "");
    EXPECT_EQ(titlesOfColumnsSeparatedByComma({"title"}), "Title");
    EXPECT_EQ(titlesOfColumnsSeparatedByComma({"title", "artist"}), "Title and Artist");
    EXPECT_EQ(titlesOfColumnsSeparatedByComma({"title", "nothing", "artist", "trackNumber"}),
              "Title, Artist and Track #");
}
