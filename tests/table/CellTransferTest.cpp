// The table's text form and the copy and paste built on it: reading lines
// and cells, fitting a paste to the selection, cycling source rows over the
// targets, read-only skips, validation failures, image tokens, and the
// messages that report it all.

#include "record/ScopedImmutable.h"
#include "table/CellTransfer.h"
#include "table/TableCommandTexts.h"
#include "table/TableControllerSupport.h"

#include <QImage>

using namespace tagmint;
using namespace tagmint::table;

namespace {

TableRows rows(std::initializer_list<QStringList> list) { return TableRows(list); }

TEST(TableText, LinesEndAtAnyLineBreakButAFinalOneAddsNoRow)
{
    EXPECT_EQ(parseTableText("a\nb\r\nc\rd\n\re"), rows({{"a"}, {"b"}, {"c"}, {"d"}, {"e"}}));
    // An empty line in between is a row of one empty cell; pairs of the
    // same character are two line ends.
    EXPECT_EQ(parseTableText("a\n\nb\n"), rows({{"a"}, {""}, {"b"}}));
    EXPECT_EQ(parseTableText("a\r\rb"), rows({{"a"}, {""}, {"b"}}));
    EXPECT_EQ(parseTableText("a\r\n\r\nb"), rows({{"a"}, {""}, {"b"}}));
    EXPECT_EQ(parseTableText(""), rows({{""}}));
    EXPECT_EQ(parseTableText("\n"), rows({{""}}));
    EXPECT_EQ(parseTableText("x\n"), rows({{"x"}}));
}

TEST(TableText, CellsAreTrimmedButTabsStillSeparateThem)
{
    EXPECT_EQ(parseTableText("  a \t b\t\t c  "), rows({{"a", "b", "", "c"}}));
    // A leading empty cell keeps the others in their columns.
    EXPECT_EQ(parseTableText(" \tB\t"), rows({{"", "B", ""}}));
    EXPECT_EQ(parseTableText(QByteArray("a\0b\tc", 5)), rows({{"ab", "c"}}));
    // Not UTF-8: that cell is read as Latin-1; the others stay UTF-8.
    EXPECT_EQ(parseTableText("Caf\xc3\xa9\t\xe9t\xe9"), rows({{"Café", "été"}}));
}

TEST(TableText, HugeInputsAreReadOnlyAsFarAsNeeded)
{
    QByteArray lines;
    for (int i = 0; i < 1000000; ++i)
        lines += "row\tvalue\n";
    const TableRows few = parseTableText(lines, 3);
    EXPECT_EQ(few.size(), 3);
    EXPECT_EQ(few.first(), (QStringList{"row", "value"}));
    EXPECT_TRUE(parseTableText(lines, 0).isEmpty());

    const QByteArray wide(1 << 20, 'w');
    const TableRows one = parseTableText(wide + "\tend");
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one.first().at(0).size(), 1 << 20);
    EXPECT_EQ(one.first().at(1), "end");

    EXPECT_EQ(textAfterFirstLine("head\r\nrest\n"), QByteArrayView("rest\n"));
    EXPECT_EQ(textAfterFirstLine("only"), QByteArrayView(""));
}

TEST(TableText, CopiedCellsLoseTheirLineAndCellBreaks)
{
    EXPECT_EQ(tableCellText("a\tb\r\nc" + QString(QChar(u'\0')) + "d"), "abcd");
}

TEST(PasteFitting, OneCellGrowsRightAndDownOneRowGrowsDown)
{
    PasteSelection cell{{"title"}, {"title", "", "album"}, 4, 4, 10};
    EXPECT_EQ(pasteRowsWanted(cell), 6);
    PasteTargets targets = fitPasteTargets(cell, 2);
    EXPECT_EQ(targets.columns, (QStringList{"title", "", "album"}));
    EXPECT_EQ(targets.firstRow, 4);
    EXPECT_EQ(targets.lastRow, 5);
    // Never beyond the last row of the table.
    EXPECT_EQ(fitPasteTargets(cell, 50).lastRow, 9);

    PasteSelection row{{"title", "artist"}, {}, 2, 2, 10};
    targets = fitPasteTargets(row, 3);
    EXPECT_EQ(targets.columns, (QStringList{"title", "artist"}));
    EXPECT_EQ(targets.lastRow, 4);

    // A range keeps its shape whatever the source holds.
    PasteSelection range{{"title"}, {"title", "artist"}, 0, 4, 10};
    EXPECT_EQ(pasteRowsWanted(range), 5);
    targets = fitPasteTargets(range, 2);
    EXPECT_EQ(targets.columns, QStringList{"title"});
    EXPECT_EQ(targets.lastRow, 4);
}

class Transfer : public test::TableController {
protected:
    PasteResult paste(const TableRows& source, const PasteTargets& targets,
                      QList<PasteFailure>* failures = nullptr)
    {
        return pasteRows(
            source, targets, [this](int row) { return collection.recordAtRow(row); },
            PasteboardImages::shared(), [failures](const PasteFailure& failure) {
                if (failures)
                    failures->append(failure);
            });
    }
};

TEST_F(Transfer, SourceRowsCycleOverTheTargetsAndShortRowsLeaveTheRest)
{
    addRecords({"a", "b", "c", "d", "e"});
    for (const RecordPtr& record : collection.arrangedObjects())
        record->setValue("Old", "artist");

    const PasteResult result =
        paste(rows({{"1", "x", "extra", "ignored"}, {"2"}}), {{"title", "artist"}, 0, 4});
    EXPECT_EQ(columnTexts("title"), (QStringList{"1", "2", "1", "2", "1"}));
    EXPECT_EQ(columnTexts("artist"), (QStringList{"x", "Old", "x", "Old", "x"}));
    EXPECT_EQ(result.changed, 8);
    EXPECT_EQ(result.maxRowShift, 4);
    EXPECT_EQ(result.maxColumnShift, 1);
    EXPECT_EQ(result.readOnlySkipped, 0);

    // The same values again change nothing.
    EXPECT_EQ(paste(rows({{"1"}}), {{"title"}, 0, 0}).changed, 0);
}

TEST_F(Transfer, ReadOnlyColumnsRecordsAndFilesAreSkippedAndCounted)
{
    const RecordList records = addRecords({"a", "b", "c"});
    // A record whose tags cannot be read counts once for its row.
    QFile::resize(records[1]->path(), 0);
    records[1]->loadFromPath(records[1]->path(), 0);
    records[1]->releaseTagResources();

    const PasteResult result = paste(rows({{"T", "folder", "Art"}}), {{"title", "", "artist"}, 0, 2});
    EXPECT_EQ(result.readOnlySkipped, 2 + 1);   // the column twice, the record once
    EXPECT_EQ(result.changed, 4);
    EXPECT_EQ(columnTexts("title"), (QStringList{"T", "", "T"}));

    // A file that became unwritable after loading is skipped whole.
    ScopedImmutable locked(records[2]->path());
    if (!locked.isActive())
        GTEST_SKIP() << "chattr +i is refused here";
    const PasteResult later = paste(rows({{"U"}}), {{"title"}, 0, 2});
    EXPECT_EQ(later.changed, 1);
    EXPECT_EQ(later.readOnlySkipped, 2);
    EXPECT_EQ(columnTexts("title"), (QStringList{"U", "", "T"}));
}

TEST_F(Transfer, InvalidValuesFailAloneAndAreReported)
{
    addRecords({"a", "b"});
    QList<PasteFailure> failures;
    const PasteResult result =
        paste(rows({{"New", "1800", "07"}, {"Other", "", "x"}}), {{"title", "year", "trackNumber"}, 0, 1},
              &failures);
    EXPECT_EQ(columnTexts("title"), (QStringList{"New", "Other"}));
    EXPECT_EQ(columnTexts("year"), (QStringList{"", ""}));
    EXPECT_EQ(columnTexts("trackNumber"), (QStringList{"7", ""}));
    EXPECT_EQ(result.changed, 3);
    ASSERT_EQ(failures.size(), 2);
    EXPECT_EQ(failures[0].row, 0);
    EXPECT_EQ(failures[0].key, "year");
    EXPECT_EQ(failures[0].description, "Number is required between 1900 and 2100 for Year.");
    EXPECT_EQ(failures[1].key, "trackNumber");
    EXPECT_EQ(result.validationErrors.size(), 2);
}

TEST_F(Transfer, PicturesTravelAsTokensBetweenWindows)
{
    const RecordList source = addRecords({"pictured"}, "tagged_v24.mp3");
    const QImage picture = source[0]->image();
    ASSERT_FALSE(picture.isNull());

    const CopiedCells copied = copyCells(
        {"title", "image"}, 0, 0, [this](int row) { return collection.recordAtRow(row); }, true);
    ASSERT_EQ(copied.images.size(), 1);
    const QString token = copied.images.keys().first();
    EXPECT_TRUE(token.startsWith("image"));
    EXPECT_EQ(copied.text(), "pictured\t" + token);
    EXPECT_EQ(copied.firstImage, picture);
    EXPECT_FALSE(copied.images.value(token).bytes.isEmpty());   // the cover's own bytes
    EXPECT_FALSE(source[0]->isTagOpen());
    // Without pictures (the command line) the cell is empty.
    EXPECT_EQ(copyCells({"image"}, 0, 0, [this](int row) { return collection.recordAtRow(row); }, false)
                  .text(),
              "");

    // Another window's record takes the picture through the shared table.
    PasteboardImages::shared().replace(copied.images);
    auto other = std::make_shared<QZTagLibRecord>(dir.copyFixture("plain.mp3", "other.mp3"), 0);
    const PasteResult result = pasteRows(parseTableText(copied.text().toUtf8()), {{"title", "image"}, 0, 0},
                                         [&other](int) { return other.get(); }, PasteboardImages::shared());
    EXPECT_EQ(result.changed, 2);
    EXPECT_EQ(other->image(), picture);
    EXPECT_TRUE(other->isDirtyForKey("image"));

    // A token that names no picture, or one for another column, is text.
    QList<PasteFailure> failures;
    paste(rows({{"image99-1"}}), {{"image"}, 0, 0}, &failures);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0].description, "Image is required for Artwork.");
    paste(rows({{token}}), {{"title"}, 0, 0});
    EXPECT_EQ(collection.stringAtRow(0, "title"), token);
}

TEST(EditMessages, PasteCountsChangesSkipsAndFailures)
{
    StatusNotification message = pasteMessage(5, 0, {});
    EXPECT_EQ(message.title, "Paste");
    EXPECT_EQ(message.shortMessage, "5 changes");
    EXPECT_EQ(message.message, "The contents of 5 cells was changed.");

    message = pasteMessage(1, 1, {"Bad year.", "Bad year.", "Bad track."});
    EXPECT_EQ(message.shortMessage, "1 change. Bad year. Bad track.");
    EXPECT_EQ(message.message, "The contents of 1 cell was changed.\nRead only cell was ignored.\n"
                               "Bad year.\nBad track.");
    EXPECT_EQ(pasteMessage(2, 3, {}).message,
              "The contents of 2 cells was changed.\nRead only cells were ignored.");

    message = pasteMessage(0, 2, {"Bad year."});
    EXPECT_EQ(message.shortMessage, "no changes. Bad year.");
    EXPECT_EQ(message.message, "No changes.\nBad year.");
}

TEST(EditMessages, CopyClearRevertAndRemoveRows)
{
    EXPECT_EQ(copyMessage(1).message, "The contents of selected cell was copied.");
    EXPECT_EQ(copyMessage(6).shortMessage, "6 cells");

    StatusNotification clear = clearMessage(1, 0);
    EXPECT_EQ(clear.title, "Clear Cell");
    EXPECT_EQ(clear.message, "1 selected cell was cleared.");
    clear = clearMessage(0, 2);
    EXPECT_EQ(clear.title, "Clear Cells");
    EXPECT_EQ(clear.shortMessage, "no changes");
    EXPECT_EQ(clear.message, "No changes were made.\n2 read only cells were ignored.");

    EXPECT_EQ(revertMessage(1, 1, 0)->message, "1 change in selected cell was reverted.");
    EXPECT_EQ(revertMessage(3, 4, 1)->message,
              "3 changes in selected cells were reverted.\n1 read only cell was ignored.");
    EXPECT_EQ(revertMessage(0, 1, 0)->message, "The selected cell has its original contents already.");
    EXPECT_EQ(revertMessage(0, 2, 0)->message, "All selected cells have their original contents already.");
    EXPECT_EQ(revertMessage(0, 0, 2)->message, "2 read only cells were ignored.");
    EXPECT_EQ(revertMessage(0, 2, 0)->shortMessage, "no changes");
    EXPECT_FALSE(revertMessage(0, 0, 0));

    EXPECT_EQ(removeRowsMessage(1).title, "Remove Row");
    EXPECT_EQ(removeRowsMessage(3).message, "3 rows were removed.");
    EXPECT_EQ(textFieldMessage("Copy", "copied").message, "The contents of text field was copied.");
}

} // namespace
