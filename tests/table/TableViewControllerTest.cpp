// The table's own logic over real records: committing an edited cell,
// spreading it down a column, header clicks, selecting arriving records,
// which commands are enabled, and the words of these commands.

#include "table/TableCommandTexts.h"
#include "table/TableControllerSupport.h"

using namespace tagmint;
using namespace tagmint::table;

namespace {

using test::TableController;

TEST_F(TableController, CommitValidatesAndKeepsTheTextBeforeALineBreak)
{
    addRecords({"a", "b"});
    layout.showColumns({"year"});
    const int year = column("year");

    auto outcome = controller.commitEdit(0, year, "1800", true);
    EXPECT_FALSE(outcome.accepted);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->title, "Year");
    EXPECT_EQ(outcome.error->message, "Number is required between 1900 and 2100 for Year.");
    EXPECT_EQ(collection.stringAtRow(0, "year"), "");
    EXPECT_EQ(controller.selection().activeRow(), 0);   // no move after a failure

    outcome = controller.commitEdit(0, column("title"), "First line\nsecond", false);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(collection.stringAtRow(0, "title"), "First line");
    EXPECT_TRUE(controller.grid().isCellModified(0, column("title")));
}

TEST_F(TableController, ReturnSpreadsToTheColumnsSelectedEditableCells)
{
    const RecordList records = addRecords({"a", "b", "c", "d"});
    const int title = column("title");
    controller.selection().setupSelectionSafeWithStartRow(0, 2, title, title + 1, 1, title);
    // A record whose tags could not be read is left alone.
    QFile::resize(records[2]->path(), 0);
    records[2]->loadFromPath(records[2]->path(), 0);
    records[2]->releaseTagResources();
    ASSERT_FALSE(records[2]->isEditable());

    const auto outcome = controller.commitEdit(1, title, "Same", true);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.cellsUpdated, 2);
    EXPECT_EQ(collection.stringAtRow(0, "title"), "Same");
    EXPECT_EQ(collection.stringAtRow(1, "title"), "Same");
    EXPECT_NE(collection.stringAtRow(2, "title"), "Same");
    EXPECT_EQ(collection.stringAtRow(3, "title"), "d");   // outside the selection
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last().title, "Edit");
    EXPECT_EQ(messages.last().shortMessage, "2 selected cells were updated");
    EXPECT_EQ(messages.last().priority, 4);
    // A range stays where it is.
    EXPECT_EQ(controller.selection().activeRow(), 1);
}

TEST_F(TableController, ReturnOnASingleCellMovesDownWithoutAMessage)
{
    addRecords({"a", "b"});
    controller.selection().selectCellAtRow(0, column("title"), false);
    controller.commitEdit(0, column("title"), "x", true);
    EXPECT_EQ(controller.selection().activeRow(), 1);
    EXPECT_TRUE(messages.isEmpty());
    // Committed by leaving the cell: no move.
    controller.commitEdit(1, column("title"), "y", false);
    EXPECT_EQ(controller.selection().activeRow(), 1);
}

TEST_F(TableController, TextNeverReachesTheArtwork)
{
    auto record = std::make_shared<QZTagLibRecord>(dir.copyFixture("tagged_v24.mp3"), 0);
    collection.addObjects({record});
    controller.recordsArrived({record}, false);
    ASSERT_TRUE(record->hasImage());
    const auto outcome = controller.commitEdit(0, column("image"), "", true);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_TRUE(record->hasImage());
    EXPECT_FALSE(record->isDirty());
}

TEST_F(TableController, ReadOnlyCellsExplainWhy)
{
    const RecordList records = addRecords({"a"});
    layout.showColumns({"folder"});
    const auto folder = controller.commitEdit(0, column("folder"), "x", true);
    ASSERT_TRUE(folder.error);
    EXPECT_EQ(folder.error->title, "Cannot edit cell.");
    EXPECT_EQ(folder.error->message, "Column 'Folder' is read only.");

    EXPECT_EQ(readOnlyExplanation("clear", "", true, false).message, "This column is read only.");
    EXPECT_EQ(readOnlyExplanation("edit", "Title", false, true).message,
              "Tags haven't been loaded from this media file.");
    EXPECT_EQ(readOnlyExplanation("edit", "Title", false, false).message,
              "This media file is locked or read only.");
}

TEST_F(TableController, HeaderClicksSortAndTheRowNumbersSelectAll)
{
    const RecordList records = addRecords({"b", "C", "a"});
    const int title = column("title");
    controller.selection().selectCellAtRow(0, title, false);   // "b"
    controller.headerClicked(title);
    EXPECT_EQ(collection.stringAtRow(0, "title"), "a");
    EXPECT_EQ(collection.stringAtRow(2, "title"), "C");
    EXPECT_EQ(controller.sortIndicator(), std::make_pair(title, true));
    // The selection followed its record.
    EXPECT_EQ(controller.selection().activeRow(), 1);
    controller.headerClicked(title);
    EXPECT_EQ(collection.stringAtRow(0, "title"), "C");
    EXPECT_EQ(controller.sortIndicator(), std::make_pair(title, false));

    controller.headerClicked(0);
    EXPECT_TRUE(controller.selection().isAllSelected());
    EXPECT_EQ(messages.last().message, "All cells were selected.");
    controller.headerClicked(0);
    EXPECT_FALSE(controller.selection().hasSelectedRange());
    EXPECT_TRUE(controller.selection().activeCell());
    EXPECT_EQ(messages.last().message, "The selection was removed.");
}

TEST_F(TableController, ArrivingRecordsBecomeTheSelection)
{
    addRecords({"a", "c"});
    EXPECT_EQ(controller.selection().activeRow(), 0);
    EXPECT_EQ(controller.selection().activeColumn(), 1);

    controller.headerClicked(column("title"));
    RecordList more;
    for (const QString& title : {QStringLiteral("b"), QStringLiteral("d")}) {
        auto record = std::make_shared<QZTagLibRecord>(dir.copyFixture("plain.mp3", title + ".mp3"), 0);
        record->setValue(title, "title");
        more.append(record);
    }
    collection.addObjects(more);
    collection.rearrangeObjects();
    controller.recordsArrived(more, true);
    // a b c d: the new rows 1 and 3, selected as one range over every column.
    EXPECT_EQ(controller.selection().startRow(), 1);
    EXPECT_EQ(controller.selection().endRow(), 3);
    EXPECT_EQ(controller.selection().startColumn(), 1);
    EXPECT_EQ(controller.selection().endColumn(), layout.columnCount() - 1);
    EXPECT_EQ(controller.selectedRecords().size(), 3);
}

TEST_F(TableController, CommandsFollowTheWindowsState)
{
    using Command = TableViewController::Command;
    EXPECT_TRUE(controller.isEnabled(Command::Open, false));
    EXPECT_FALSE(controller.isEnabled(Command::Save, false));
    EXPECT_FALSE(controller.isEnabled(Command::SelectAll, false));

    addRecords({"a"});
    EXPECT_TRUE(controller.isEnabled(Command::Save, false));
    EXPECT_TRUE(controller.isEnabled(Command::EditCell, false));
    EXPECT_FALSE(controller.isEnabled(Command::Open, true));   // a sheet is up
    layout.showColumns({"path"});
    controller.selection().selectCellAtRow(0, column("path"), false);
    EXPECT_FALSE(controller.isEnabled(Command::EditCell, false));

    // Everything filtered out: saving and selecting all stay.
    collection.setFilter([](const QZTagLibRecord&) { return false; });
    controller.recordsArrived({}, false);
    EXPECT_TRUE(controller.isEnabled(Command::Save, false));
    EXPECT_TRUE(controller.isEnabled(Command::SelectAll, false));
    EXPECT_FALSE(controller.isEnabled(Command::Reload, false));
}

TEST_F(TableController, ColumnCommandsReportAndMoveTheSelection)
{
    addRecords({"a"});
    const int artist = column("artist");
    controller.selection().selectCellAtRow(0, artist, false);
    controller.hideSelectedColumns();
    EXPECT_FALSE(layout.isVisible("artist"));
    EXPECT_EQ(messages.last().message, "The column 'Artist' is hidden.");
    EXPECT_GE(controller.selection().activeColumn(), 1);

    controller.toggleColumn("artist");
    EXPECT_TRUE(layout.isVisible("artist"));
    EXPECT_EQ(messages.last().title, "Show Column");
}

TEST_F(TableController, ShowingAnAudioColumnProbesFirst)
{
    addRecords({"a"});
    std::function<void()> pending;
    TableViewController::Callbacks callbacks;
    callbacks.loadAudioProperties = [&](std::function<void()> then) { pending = std::move(then); };
    controller.setCallbacks(callbacks);

    controller.toggleColumn("duration");
    EXPECT_FALSE(layout.isVisible("duration"));   // waits for the probe
    ASSERT_TRUE(pending);
    pending();
    EXPECT_TRUE(layout.isVisible("duration"));
}

TEST(TableCommandTexts, MessagesAndLineBreaks)
{
    EXPECT_EQ(textBeforeLineBreak("one\rtwo"), "one");
    EXPECT_EQ(textBeforeLineBreak(QString("a") + QChar(0x2028) + "b"), "a");
    EXPECT_EQ(textBeforeLineBreak("plain"), "plain");

    const StatusNotification one = multiCellEditMessage(1);
    EXPECT_EQ(one.shortMessage, "");
    EXPECT_EQ(one.message, "1 selected cell was updated.");
    EXPECT_EQ(one.priority, 2);

    const StatusNotification column = selectColumnMessage(1, "Title");
    EXPECT_EQ(column.shortMessage, "Title");
    EXPECT_EQ(column.message, "All cells of column 'Title' were selected.");
    EXPECT_EQ(selectColumnMessage(2, "Title").shortMessage, "2 columns");
    EXPECT_EQ(selectRowMessage(1).message, "All cells of 1 row were selected.");
}

} // namespace
