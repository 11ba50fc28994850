// A window's records: arranging, rows and cells, unsaved changes, the
// caption of the window and moving rows between windows.

#include "CollectionTestSupport.h"
#include "collection/CaptionFolders.h"
#include "collection/RecordMove.h"
#include "support/TestFiles.h"
#include "table/ColumnCatalog.h"
#include "table/QZTagLibTableCellPath.h"

#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::collection;

namespace {

class Collection : public ::testing::Test {
protected:
    test::TempDir dir;
    QZTagLibRecordDataArrayController collection;

    // Records of plain.mp3 copies with the given titles and track numbers
    // (edited in memory).
    void addRecords(const QList<QPair<QString, QString>>& titlesAndTracks)
    {
        RecordList records;
        for (const auto& [title, track] : titlesAndTracks) {
            RecordPtr record = test::makeRecord(dir.copyFixture("plain.mp3", title + ".mp3"));
            record->setValue(title, "title");
            record->setValue(track, "trackNumber");
            records.append(record);
        }
        collection.addObjects(records);
    }

    QStringList shownTitles() const
    {
        QStringList titles;
        for (qsizetype row = 0; row < collection.shownCount(); ++row)
            titles << collection.stringAtRow(row, "title");
        return titles;
    }
};

} // namespace

TEST_F(Collection, SortsTextWithoutCaseAndNumbersByValue)
{
    addRecords({{"beta", "10"}, {"Alpha", "9"}, {"gamma", ""}, {"Delta", "2"}});

    collection.setSortDescriptors({*table::sortDescriptorForColumn("title")});
    EXPECT_EQ(shownTitles(), (QStringList{"Alpha", "beta", "Delta", "gamma"}));

    collection.setSortDescriptors({*table::sortDescriptorForColumn("trackNumber")});
    EXPECT_EQ(shownTitles(), (QStringList{"gamma", "Delta", "Alpha", "beta"}));

    collection.setSortDescriptors({*table::sortDescriptorForColumn("trackNumber", false)});
    EXPECT_EQ(shownTitles(), (QStringList{"beta", "Alpha", "Delta", "gamma"}));

}

TEST_F(Collection, AFilterHidesRowsButKeepsThemInTheCollection)
{
    addRecords({{"one", "1"}, {"two", "2"}, {"three", "3"}});
    collection.setFilter([](const QZTagLibRecord& r) { return r.text(RecordField::Title).startsWith('t'); });
    EXPECT_EQ(collection.totalCount(), 3);
    EXPECT_EQ(collection.shownCount(), 2);
    EXPECT_TRUE(collection.isFilterActive());

    // New records join the shown ones only when the filter accepts them.
    addRecords({{"ten", "10"}, {"eleven", "11"}});
    EXPECT_EQ(shownTitles(), (QStringList{"two", "three", "ten"}));

    collection.clearFilter();
    EXPECT_EQ(collection.shownCount(), 5);
    EXPECT_FALSE(collection.isFilterActive());
}

TEST_F(Collection, RowAndCellAccessors)
{
    EXPECT_TRUE(collection.isEmpty());
    addRecords({{"only", "4"}});
    EXPECT_FALSE(collection.isEmpty());
    EXPECT_TRUE(collection.isIndexValid(0));
    EXPECT_FALSE(collection.isIndexValid(1));
    EXPECT_FALSE(collection.isIndexValid(-1));
    EXPECT_EQ(collection.recordAtRow(1), nullptr);
    EXPECT_FALSE(collection.valueAtRow(5, "title").isValid());
    // Only texts come back as strings.
    EXPECT_EQ(collection.stringAtRow(0, "size"), "");
    EXPECT_EQ(collection.stringAtRow(7, "title"), "");

    const QZTagLibTableCellPath cell{"title", 0, 1};
    EXPECT_EQ(collection.stringAtCell(&cell, "title"), "only");
    EXPECT_EQ(collection.recordAtCell(nullptr), nullptr);
    EXPECT_EQ(collection.stringAtCell(nullptr, "title"), "");
}

TEST_F(Collection, UnsavedChangesShownAndHidden)
{
    RecordPtr clean = test::makeRecord(dir.copyFixture("plain.mp3", "clean.mp3"));
    RecordPtr edited = test::makeRecord(dir.copyFixture("plain.mp3", "edited.mp3"));
    collection.addObjects({clean, edited});
    EXPECT_FALSE(collection.isDirtyUnarranged());

    edited->setValue("New", "artist");
    EXPECT_TRUE(collection.isDirtyUnarranged());
    EXPECT_TRUE(collection.isDirtyArranged());

    const QZTagLibRecord* cleanRecord = clean.get();
    collection.setFilter([cleanRecord](const QZTagLibRecord& r) { return &r == cleanRecord; });
    EXPECT_TRUE(collection.isDirtyUnarranged());
    EXPECT_FALSE(collection.isDirtyArranged());
}

TEST_F(Collection, RecordsNotYetPresentComparePaths)
{
    const QString path = dir.copyFixture("plain.mp3");
    collection.addObjects({test::makeRecord(path)});
    const RecordPtr samePath = test::makeRecord(path);
    const RecordPtr other = test::makeRecord(dir.copyFixture("plain.mp3", "other.mp3"));
    EXPECT_EQ(collection.recordsNotYetPresent({samePath, other}), RecordList{other});
    EXPECT_TRUE(collection.recordsNotYetPresent({samePath}).isEmpty());
}

TEST(CaptionFolders, TheDeepestSharedFolderNamesTheWindow)
{
    EXPECT_FALSE(captionFoldersForPaths({}));
    EXPECT_EQ(windowTitle("Tagmint", std::nullopt, 0), "Tagmint");

    const QStringList oneFolder = {"/x/y/z/1.mp3", "/x/y/z/2.mp3", "/x/y/z/3.mp3"};
    auto caption = captionFoldersForPaths(oneFolder);
    ASSERT_TRUE(caption);
    EXPECT_EQ(caption->text, "z");
    EXPECT_EQ(caption->folder, "/x/y/z");
    EXPECT_EQ(windowTitle("Tagmint", caption, 3), "z (3 files)");

    // Directly below a top-level folder nothing is deep enough.
    caption = captionFoldersForPaths({"/x/1.mp3", "/x/2.mp3", "/x/3.mp3"});
    EXPECT_EQ(caption->text, "3 files");
    EXPECT_EQ(caption->folder, "");
    EXPECT_EQ(windowTitle("Tagmint", caption, 3), "3 files (3 files)");
    EXPECT_EQ(windowTitle("Tagmint", captionFoldersForPaths({"/x/1.mp3"}), 1), "1 files (1 file)");

    // Two albums side by side: the more common first, then its siblings.
    caption = captionFoldersForPaths({"/m/Music/B/1.mp3", "/m/Music/A/1.mp3", "/m/Music/A/2.mp3"});
    EXPECT_EQ(caption->text, "Music");
    caption = captionFoldersForPaths({"/m/B/1.mp3", "/m/A/1.mp3", "/m/A/2.mp3"});
    EXPECT_EQ(caption->text, "A, B");
    EXPECT_EQ(caption->folder, "/m/A");

    // On equal counts the longer path wins.
    caption = captionFoldersForPaths({"/1/2/3/4/5/6/7/8/a.mp3"});
    EXPECT_EQ(caption->folder, "/1/2/3/4/5/6/7/8");
    EXPECT_EQ(windowTitle("Tagmint", Caption{"%2 folder", "/a/%2 folder"}, 2), "%2 folder (2 files)");
}

TEST_F(Collection, MovingRowsSkipsThoseTheTargetHas)
{
    const QString a = dir.copyFixture("plain.mp3", "a.mp3");
    const QString b = dir.copyFixture("plain.mp3", "b.mp3");
    const QString c = dir.copyFixture("plain.mp3", "c.mp3");
    collection.addObjects({test::makeRecord(a), test::makeRecord(b), test::makeRecord(c)});
    collection.objectAtIndex(0).setValue("Changed", "title");
    QZTagLibRecordDataArrayController target;
    target.addObjects({test::makeRecord(b)});

    const RecordList selected = {collection.allObjects()[0], collection.allObjects()[1]};
    const MoveOutcome outcome = moveRecords(collection, selected, target);
    EXPECT_EQ(outcome.moved, RecordList{selected[0]});
    EXPECT_EQ(outcome.removed, 2);
    EXPECT_FALSE(outcome.sourceIsEmpty);
    EXPECT_EQ(collection.totalCount(), 1);
    EXPECT_EQ(target.totalCount(), 2);
    // The moved record keeps its edit.
    EXPECT_TRUE(target.allObjects().last()->isDirty());

    const MoveReports reports = moveReports(outcome, collection.windowTitle("Tagmint"), target.windowTitle("Tagmint"));
    ASSERT_TRUE(reports.source);
    EXPECT_EQ(reports.source->shortText, "1 row");
    EXPECT_EQ(reports.target.shortText, "1 row");

    const MoveOutcome rest = moveRecords(collection, collection.allObjects(), target);
    EXPECT_TRUE(rest.sourceIsEmpty);
    EXPECT_EQ(moveReports(rest, "", "").target.longText, "1 row was moved from other window");
}
