// The editing commands of a table over real records, as the window calls
// them: paste growing from one cell, pasting into a range, clearing and
// reverting with read-only cells, removing rows, and which commands are
// enabled when.

#include "table/TableClipboard.h"
#include "table/TableControllerSupport.h"

#include <QMimeData>

using namespace tagmint;
using namespace tagmint::table;
using Command = TableViewController::Command;

namespace {

class EditCommands : public test::TableController {
protected:
    void pasteText(const QString& text) { controller.paste(tableMimeData(text, QImage()).get()); }
};

TEST_F(EditCommands, PasteIntoOneCellGrowsToTheBlockAndSelectsIt)
{
    addRecords({"a", "b", "c"});
    const int title = column("title");
    controller.selection().selectCellAtRow(0, title, false);

    pasteText("One\tThe Artist\nTwo\n");
    EXPECT_EQ(columnTexts("title"), (QStringList{"One", "Two", "c"}));
    EXPECT_EQ(columnTexts("artist"), (QStringList{"The Artist", "", ""}));
    const QZTagLibTableSelection& selection = controller.selection();
    EXPECT_EQ(selection.startRow(), 0);
    EXPECT_EQ(selection.endRow(), 1);
    EXPECT_EQ(selection.startColumn(), title);
    EXPECT_EQ(selection.endColumn(), column("artist"));
    EXPECT_EQ(messages.last().message, "The contents of 3 cells was changed.");
    EXPECT_TRUE(notes.isEmpty());
}

TEST_F(EditCommands, PasteIntoARangeCyclesAndShowsAFailureAtTheActiveCell)
{
    addRecords({"a", "b", "c", "d", "e"});
    layout.showColumns({"year"});
    select(0, 4, "year", "year");
    controller.selection().selectCell({"year", 2, column("year")});

    pasteText("2001\n1800");
    EXPECT_EQ(columnTexts("year"), (QStringList{"2001", "", "2001", "", "2001"}));
    // The range stays as it was.
    EXPECT_EQ(controller.selection().endRow(), 4);
    EXPECT_EQ(messages.last().shortMessage,
              "3 changes. Number is required between 1900 and 2100 for Year.");
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].row, 1);   // the first failing cell; the active one did not fail
    EXPECT_EQ(notes[0].explanation.title, "Paste");
}

TEST_F(EditCommands, ImageDataThatDoesNotDecodeIsReportedAndChangesNothing)
{
    addRecords({"a"});
    controller.selection().selectCellAtRow(0, column("image"), false);
    QMimeData broken;
    broken.setData("image/png", "not a picture");
    controller.paste(&broken);
    EXPECT_EQ(alerts, QStringList{"Could not load artwork."});
    EXPECT_EQ(messages.last().message, "Selected file does not contain artwork.");
    EXPECT_FALSE(collection.recordAtRow(0)->isDirty());
}

TEST_F(EditCommands, ClearCountsWhatItClearedAndExplainsWhatItCannot)
{
    const RecordList records = addRecords({"a", "b"});
    layout.showColumns({"folder"});
    select(0, 1, "title", "artist");
    controller.clearSelectedContent();
    EXPECT_EQ(columnTexts("title"), (QStringList{"", ""}));
    EXPECT_EQ(messages.last().title, "Clear Cells");
    EXPECT_EQ(messages.last().message, "2 selected cells were cleared.");

    // Only read-only cells: the explanation at the active cell, no message.
    messages.clear();
    select(0, 1, "folder", "folder");
    controller.selection().selectCell({"folder", 1, column("folder")});
    controller.clearSelectedContent();
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].row, 1);
    EXPECT_EQ(notes[0].explanation.title, "Cannot clear cell.");
    EXPECT_EQ(notes[0].explanation.message, "Column 'Folder' is read only.");

    // A file name cannot be empty: the reason is shown instead.
    notes.clear();
    controller.selection().selectCellAtRow(0, column("filename"), false);
    controller.clearSelectedContent();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].explanation.message, "File Name cannot be empty.");
    EXPECT_EQ(records[0]->filename(), "a");

    // Mixed: what was cleared is still reported beside the explanation.
    QStringList others = layout.columnIdentifiers().mid(1);
    others.removeAll("title");
    layout.hideColumns(others);
    layout.showColumns({"folder"});
    ASSERT_EQ(column("folder"), column("title") + 1);
    records[0]->setValue("x", "title");
    notes.clear();
    select(0, 0, "title", "folder");
    controller.clearSelectedContent();
    EXPECT_EQ(notes.size(), 1);
    EXPECT_EQ(messages.last().message, "1 selected cell was cleared.\n1 read only cell was ignored.");
}

TEST_F(EditCommands, RevertRestoresTheFilesValuesCellByCell)
{
    const RecordList records = addRecords({"a", "b", "c"});
    records[0]->setValue("changed", "title");
    records[1]->setValue("changed", "title");
    records[1]->setValue("changed", "artist");
    select(0, 2, "title", "title");
    controller.revertSelectedContent();
    EXPECT_EQ(columnTexts("title"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(records[1]->text(RecordField::Artist), "changed");   // not selected
    EXPECT_EQ(messages.last().message, "2 changes in selected cells were reverted.");

    controller.revertSelectedContent();
    EXPECT_EQ(messages.last().message, "All selected cells have their original contents already.");
    EXPECT_EQ(messages.last().shortMessage, "no changes");
}

TEST_F(EditCommands, RemovingRowsAsksAsTheSettingsAndChangesSay)
{
    const RecordList records = addRecords({"a", "b", "c"});
    using Question = TableViewController::RemoveRowsQuestion;
    EXPECT_EQ(controller.removeRowsQuestion({records[1]}), Question::Confirmation);
    settings.setShowConfirmationBeforeRemovingRows(false);
    EXPECT_EQ(controller.removeRowsQuestion({records[1]}), Question::None);
    records[1]->setValue("changed", "title");
    EXPECT_EQ(controller.removeRowsQuestion(records), Question::UnsavedChanges);

    select(1, 2, "title", "title");
    controller.removeRows(controller.selectedRecords());
    EXPECT_EQ(columnTexts("title"), QStringList{"a"});
    EXPECT_EQ(messages.last().title, "Remove Rows");
    EXPECT_EQ(messages.last().message, "2 rows were removed.");
    EXPECT_TRUE(QFile::exists(records[2]->path()));
    EXPECT_EQ(controller.selection().activeRow(), 0);
}

TEST_F(EditCommands, CommandsAreEnabledByTheSelectionAndTheTextField)
{
    addRecords({"a"});
    layout.showColumns({"path"});
    controller.selection().selectCellAtRow(0, column("title"), false);
    for (Command command : {Command::Copy, Command::Paste, Command::Clear, Command::Revert,
                            Command::RemoveRows, Command::EditCell})
        EXPECT_TRUE(controller.isEnabled(command, false)) << int(command);
    EXPECT_FALSE(controller.isEnabled(Command::Undo, false));
    EXPECT_FALSE(controller.isEnabled(Command::Copy, true));   // a sheet is up

    // Nothing writable selected: no paste, clear or edit, unless a text
    // field takes them.
    controller.selection().selectCellAtRow(0, column("path"), false);
    EXPECT_FALSE(controller.isEnabled(Command::Paste, false));
    EXPECT_FALSE(controller.isEnabled(Command::Clear, false));
    EXPECT_TRUE(controller.isEnabled(Command::Copy, false));
    EXPECT_TRUE(controller.isEnabled(Command::Paste, false, true));
    EXPECT_TRUE(controller.isEnabled(Command::Undo, false, true));

    controller.commitEdit(0, column("title"), "new", false);
    EXPECT_TRUE(controller.isEnabled(Command::Undo, false));

    // Everything filtered out: the text field's commands stay.
    collection.setFilter([](const QZTagLibRecord&) { return false; });
    controller.recordsArrived({}, false);
    EXPECT_TRUE(controller.isEnabled(Command::Paste, false));
    EXPECT_FALSE(controller.isEnabled(Command::RemoveRows, false));
    EXPECT_FALSE(controller.isEnabled(Command::Undo, false));
}

} // namespace
