// Change tracking: what counts as changed, the changed-key list, reverting.

#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "tags/QZTagLibTag.h"

#include <gtest/gtest.h>

using namespace tagmint;

namespace {

class RecordTracking : public ::testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.copyFixture(QStringLiteral("tagged_v24.mp3"), QStringLiteral("Song.mp3"));
};

QImage redSquare()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

} // namespace

TEST_F(RecordTracking, LoadedRecordIsCleanAndEditsAreListed)
{
    QZTagLibRecord record(path, 0);
    EXPECT_FALSE(record.isDirty());
    EXPECT_TRUE(record.isDirtyEx().isEmpty());

    record.setValue(QStringLiteral("Other Name"), QStringLiteral("filename"));
    EXPECT_EQ(record.isDirtyEx(), QStringList{QStringLiteral("filename")});

    record.setValue(QStringLiteral("New Title"), QStringLiteral("title"));
    record.setImage(redSquare());
    const QStringList changed = record.isDirtyEx();
    EXPECT_EQ(changed.size(), 3);
    EXPECT_TRUE(changed.contains(QStringLiteral("title")));
    EXPECT_EQ(changed.last(), QStringLiteral("image"));
    EXPECT_TRUE(record.isDirtyForKey(QStringLiteral("image")));

    // Writing the loaded value back makes the field clean again.
    record.setValue(QStringLiteral("Song"), QStringLiteral("filename"));
    EXPECT_FALSE(record.isDirtyForKey(QStringLiteral("filename")));
    // Path facts never count as edits.
    EXPECT_FALSE(record.isDirtyForKey(QStringLiteral("path")));
}

TEST_F(RecordTracking, RevertRestoresLoadedValuesEvenOutsideEditingBounds)
{
    {
        auto wrapper = QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting);
        ASSERT_TRUE(wrapper);
        wrapper->setTempo(300);
        wrapper->setYear(1850);
        ASSERT_TRUE(wrapper->save());
    }
    QZTagLibRecord record(path, 0);
    EXPECT_EQ(record.value(QStringLiteral("tempo")).toString(), QStringLiteral("300"));

    record.setValue(QStringLiteral("120"), QStringLiteral("tempo"));
    record.setValue(QString(), QStringLiteral("year"));
    record.setValue(QStringLiteral("x"), QStringLiteral("album"));
    record.setImage(QImage());
    ASSERT_TRUE(record.isDirty());

    record.revertValueForKey(QStringLiteral("tempo"));
    EXPECT_EQ(record.value(QStringLiteral("tempo")).toString(), QStringLiteral("300"));

    record.revertAllValues();
    EXPECT_EQ(record.value(QStringLiteral("year")).toString(), QStringLiteral("1850"));
    EXPECT_FALSE(record.isDirty());
    EXPECT_TRUE(record.hasImage());
}

TEST_F(RecordTracking, ArtworkStatesFollowEdits)
{
    QZTagLibRecord record(path, 0);
    ASSERT_TRUE(record.hasImage());
    EXPECT_EQ(record.imageSortValue(), 0);

    record.setImage(QImage());
    EXPECT_EQ(record.imageSortValue(), 3);
    EXPECT_EQ(record.isDirtyEx(), QStringList{QStringLiteral("image")});

    record.setImage(redSquare());
    EXPECT_EQ(record.imageSortValue(), 1);
    EXPECT_EQ(record.image().size(), QSize(8, 8));

    record.revertValueForKey(QStringLiteral("image"));
    EXPECT_EQ(record.imageSortValue(), 0);
    EXPECT_FALSE(record.isDirty());

    // A released original is read from the file again.
    record.releaseTagResources();
    EXPECT_FALSE(record.isTagOpen());
    EXPECT_FALSE(record.image().isNull());

    QZTagLibRecord withoutArt(dir.copyFixture(QStringLiteral("plain.mp3")), 0);
    EXPECT_EQ(withoutArt.imageSortValue(), 2);
    withoutArt.setImage(redSquare());
    withoutArt.revertAllValues();
    EXPECT_EQ(withoutArt.imageSortValue(), 2);
    EXPECT_FALSE(withoutArt.isDirty());
}

TEST_F(RecordTracking, InvalidRecordsAreReadOnlyAndNeverDirty)
{
    const QString broken = dir.writeFile(QStringLiteral("broken.mp3"), QByteArray(4096, '\0'));
    QZTagLibRecord record(broken, 0);
    EXPECT_TRUE(record.hasInvalidTags());
    EXPECT_TRUE(record.isReadOnly());
    EXPECT_FALSE(record.isEditable());
    EXPECT_EQ(record.value(QStringLiteral("tagFormat")).toString(), QStringLiteral("Invalid tags"));
    EXPECT_EQ(record.value(QStringLiteral("comment")).toString(), QStringLiteral("Invalid tags"));
    EXPECT_EQ(record.imageSortValue(), 4);

    record.setValue(QStringLiteral("Title"), QStringLiteral("title"));
    EXPECT_FALSE(record.isDirtyForKey(QStringLiteral("title")));
    EXPECT_FALSE(record.isDirty());
    EXPECT_TRUE(record.saveIfDirty());
    EXPECT_EQ(record.image(), QImage());
}

TEST_F(RecordTracking, DeletingTheID3v1TagCountsAsAChange)
{
    QZTagLibRecord record(path, 0);
    record.setToDeleteID3v1Tag(true);
    EXPECT_TRUE(record.isDirty());
    EXPECT_EQ(record.isDirtyEx(), QStringList{QStringLiteral("isToDeleteID3v1Tag")});
    record.revertAllValues();
    EXPECT_FALSE(record.isToDeleteID3v1Tag());
}
