// Loading records from files and saving them back: fields round-trip, the
// audio data stays as it was, and failures leave files and edits intact.

#include "record/QZTagLibRecord.h"
#include "record/ScopedImmutable.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tagmint;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QList<QPair<QString, QString>> kEdits = {
    {"title", "Título ünïcödé"}, {"artist", "Artist"},       {"album", "Album"},
    {"albumArtist", "Various"},  {"genre", "Jazz"},          {"comment", "A comment"},
    {"composer", "Composer"},    {"grouping", "Grouping"},   {"copyright", "2024 Someone"},
    {"encodedBy", "Encoder"},    {"initialKey", "Am"},       {"tempo", "128"},
    {"year", "1999"},            {"trackNumber", "3"},       {"tracksTotal", "12"},
    {"discNumber", "1"},         {"discsTotal", "2"},
};

class RecordLoadSave : public ::testing::TestWithParam<const char*> {
protected:
    test::TempDir dir;
};

} // namespace

TEST_P(RecordLoadSave, EveryFieldRoundTripsAndAudioStaysTheSame)
{
    const QString path = dir.copyFixture(QString::fromLatin1(GetParam()));
    const QString digest = test::audioPacketDigest(path);
    ASSERT_FALSE(digest.isEmpty());

    QZTagLibRecord record(path, 0);
    ASSERT_FALSE(record.hasInvalidTags());
    for (const auto& [key, value] : kEdits)
        record.setValue(value, key);
    QImage cover(40, 30, QImage::Format_RGB32);
    cover.fill(Qt::blue);
    record.setImage(cover);

    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_FALSE(record.isDirty());
    EXPECT_FALSE(record.isTagOpen());
    EXPECT_EQ(record.size(), quint64(QFileInfo(path).size()));

    QZTagLibRecord reloaded(path, 0);
    for (const auto& [key, value] : kEdits)
        EXPECT_EQ(reloaded.value(key).toString(), value) << key.toStdString();
    EXPECT_EQ(reloaded.image().size(), QSize(40, 30));
    EXPECT_EQ(test::audioPacketDigest(path), digest);

    // Clearing everything leaves no stale values behind.
    for (const auto& [key, value] : kEdits)
        reloaded.setValue(QString(), key);
    reloaded.setImage(QImage());
    ASSERT_TRUE(reloaded.saveDataToTagAndDoRenaming());
    QZTagLibRecord cleared(path, 0);
    for (const auto& [key, value] : kEdits)
        EXPECT_EQ(cleared.value(key).toString(), QString()) << key.toStdString();
    EXPECT_FALSE(cleared.hasImage());
    EXPECT_EQ(test::audioPacketDigest(path), digest);
}

INSTANTIATE_TEST_SUITE_P(Containers, RecordLoadSave,
                         ::testing::Values("plain.mp3", "tagged_v24.mp3", "tagged_v23_v1.mp3",
                                           "plain.aiff", "tagged.aiff"));

TEST(RecordLoad, PathFactsComeFromThePath)
{
    test::TempDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("My Album")));
    const QString path = dir.copyFixture(QStringLiteral("plain.mp3"),
                                         QStringLiteral("My Album/01 Song.Name.MP3"));
    QZTagLibRecord record(path, 0);
    EXPECT_EQ(record.value(QStringLiteral("filename")).toString(), QStringLiteral("01 Song.Name"));
    EXPECT_EQ(record.value(QStringLiteral("pathext")).toString(), QStringLiteral("mp3"));
    EXPECT_EQ(record.value(QStringLiteral("folder")).toString(), QStringLiteral("My Album"));
    EXPECT_EQ(record.value(QStringLiteral("size")).toULongLong(), quint64(QFileInfo(path).size()));
    EXPECT_TRUE(record.isEditable());
}

TEST(RecordSave, OnlyARenameLeavesTheTagUntouched)
{
    test::TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("tagged_v23_v1.mp3"), QStringLiteral("A.MP3"));
    const QByteArray before = contents(path);
    QZTagLibRecord record(path, 0);
    record.setValue(QStringLiteral("B"), QStringLiteral("filename"));
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(record.path(), dir.filePath(QStringLiteral("B.mp3")));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(contents(record.path()), before);
    EXPECT_FALSE(record.isDirty());
}

TEST(RecordSave, AFailedRenameKeepsTheRequestedNameAndSavesTheTags)
{
    test::TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("plain.mp3"), QStringLiteral("Old.mp3"));
    QZTagLibRecord record(path, 0);
    record.setValue(QStringLiteral("Wanted"), QStringLiteral("filename"));
    record.setValue(QStringLiteral("Saved Title"), QStringLiteral("title"));
    // Every candidate name is taken.
    dir.writeFile(QStringLiteral("Wanted.mp3"), "x");
    for (int i = 2; i <= 1024; ++i)
        dir.writeFile(QStringLiteral("Wanted %1.mp3").arg(i), "x");

    EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
    EXPECT_TRUE(record.hasRenameError());
    EXPECT_FALSE(record.hasSaveError());
    EXPECT_EQ(record.path(), path);
    EXPECT_EQ(record.filename(), QStringLiteral("Wanted"));
    EXPECT_EQ(record.isDirtyEx(), QStringList{QStringLiteral("filename")});
    EXPECT_EQ(QZTagLibRecord(path, 0).value(QStringLiteral("title")).toString(),
              QStringLiteral("Saved Title"));
}

TEST(RecordSave, AnUnwritableFileKeepsEditsAndStaysUnchanged)
{
    test::TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("tagged_v24.mp3"));
    QZTagLibRecord record(path, 0);
    record.setValue(QStringLiteral("Edited"), QStringLiteral("title"));
    record.setValue(QStringLiteral("Renamed"), QStringLiteral("filename"));

    ScopedImmutable immutable(path);
    if (!immutable.isActive())
        GTEST_SKIP() << "the immutable attribute is not available here";
    const QByteArray before = contents(path);

    EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
    EXPECT_TRUE(record.hasSaveError());
    EXPECT_EQ(record.saveErrorReason(), QStringLiteral("the file is read-only"));
    EXPECT_FALSE(record.isEditable());
    EXPECT_EQ(record.value(QStringLiteral("title")).toString(), QStringLiteral("Edited"));
    EXPECT_EQ(record.path(), path);
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    record.revertAllValues();
    EXPECT_TRUE(record.isEditable());
    EXPECT_FALSE(record.isDirty());
}

TEST(RecordSave, AVanishedFileIsNotRecreated)
{
    test::TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("plain.mp3"));
    QZTagLibRecord record(path, 0);
    record.setValue(QStringLiteral("Edited"), QStringLiteral("title"));
    ASSERT_TRUE(QFile::remove(path));

    EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
    EXPECT_TRUE(record.hasSaveError());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(record.value(QStringLiteral("title")).toString(), QStringLiteral("Edited"));
}

TEST(RecordLoad, AReloadRecoversFromInvalidTags)
{
    test::TempDir dir;
    const QString path = dir.writeFile(QStringLiteral("later.mp3"), QByteArray(4096, '\0'));
    QZTagLibRecord record(path, 0);
    ASSERT_TRUE(record.hasInvalidTags());
    QFile::remove(path);
    QFile::copy(test::fixturePath(QStringLiteral("tagged_v24.mp3")), path);
    record.loadFromPath(path, 0);
    EXPECT_FALSE(record.hasInvalidTags());
    EXPECT_TRUE(record.isEditable());
    EXPECT_NE(record.value(QStringLiteral("comment")).toString(), QStringLiteral("Invalid tags"));
}

TEST(RecordSave, UnchangedFieldsKeepWhatTheTagCanSayBeyondTheTable)
{
    test::TempDir dir;
    const QString path = dir.copyFixture(QStringLiteral("plain.mp3"));
    ASSERT_TRUE(test::mutagenWrite(path, QJsonObject{
        {"text", QJsonObject{{"TDRC", "2004-05-06"},
                             {"TPE1", QJsonArray{"Artist A", "Artist B"}},
                             {"TCOM", QJsonArray{"Composer A", "Composer B"}}}}}));

    QZTagLibRecord record(path, 0);
    EXPECT_EQ(record.value(QStringLiteral("year")).toString(), QStringLiteral("2004"));
    record.setValue(QStringLiteral("Album"), QStringLiteral("album"));
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());

    const QJsonObject frames = test::mutagenRead(path).value(QStringLiteral("frames")).toObject();
    EXPECT_EQ(frames.value(QStringLiteral("TDRC")).toArray(), QJsonArray{"2004-05-06"});
    EXPECT_EQ(frames.value(QStringLiteral("TPE1")).toArray(), (QJsonArray{"Artist A", "Artist B"}));
    EXPECT_EQ(frames.value(QStringLiteral("TCOM")).toArray(),
              (QJsonArray{"Composer A", "Composer B"}));
    EXPECT_EQ(frames.value(QStringLiteral("TALB")).toArray(), QJsonArray{"Album"});
    // A title that was never set is not written as an empty frame.
    EXPECT_FALSE(frames.contains(QStringLiteral("TIT2")));
}
