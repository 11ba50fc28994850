// tagmint-cli set, run as a separate process on fixture copies; what it
// wrote is read back with mutagen.

#include "cli/CliRun.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

QStringList mutagenText(const QString& path, const char* frameId)
{
    QStringList values;
    for (const QJsonValue& value : mutagenRead(path)["frames"].toObject()[frameId].toArray())
        values.append(value.toString());
    return values;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool chattr(const QString& mode, const QString& path)
{
    QProcess process;
    process.start("chattr", {mode, path});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

class CliSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.copyFixture("tagged_v24.mp3", "song.mp3");
        ASSERT_TRUE(mutagenWrite(path, QJsonObject{
            {"clear", true}, {"id3v1", QJsonValue::Null},
            {"text", QJsonObject{{"TIT2", "Old Title"}, {"TPE1", "Old Artist"},
                                 {"TDRC", "1999"}, {"TRCK", "3/12"}}}}));
    }

    void TearDown() override
    {
        // An immutable file or folder would outlive the temporary folder.
        for (const QString& locked : lockedPaths)
            chattr("-i", locked);
    }

    // False where the file system or our rights refuse the attribute.
    bool makeImmutable(const QString& target)
    {
        if (!chattr("+i", target))
            return false;
        lockedPaths.append(target);
        return true;
    }

    TempDir dir;
    QString path;
    QStringList lockedPaths;
};

} // namespace

TEST_F(CliSetTest, WritesValuesAndLeavesTheAudioUntouched)
{
    const QString digest = audioPacketDigest(path);
    ASSERT_FALSE(digest.isEmpty());

    const CliResult result = runCli({"set", "title=New Title", "albumArtist=Various",
                                     "trackNumber=07", "tracksTotal=", "year=2001",
                                     "comment=über", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, path + ": saved\n");
    EXPECT_EQ(result.err, "1 file was opened.\n1 file was saved.\n");

    EXPECT_EQ(mutagenText(path, "TIT2"), QStringList{"New Title"});
    EXPECT_EQ(mutagenText(path, "TPE1"), QStringList{"Old Artist"});
    EXPECT_EQ(mutagenText(path, "TPE2"), QStringList{"Various"});
    EXPECT_EQ(mutagenText(path, "TRCK"), QStringList{"7"});
    EXPECT_EQ(mutagenText(path, "TDRC"), QStringList{"2001"});
    const QJsonArray comments = mutagenRead(path)["frames"].toObject()["COMM"].toArray();
    EXPECT_EQ(comments.first().toObject()["text"].toString(), QString::fromUtf8("über"));
    EXPECT_EQ(audioPacketDigest(path), digest);
}

TEST_F(CliSetTest, RefusedValuesAreReportedAndNotApplied)
{
    const CliResult result = runCli({"set", "year=1899", "tempo=fast", "filename= ",
                                     "title=Kept", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": saved\n");
    EXPECT_EQ(result.err, "1 file was opened.\n"
                        + path + ": year: Number is required between 1900 and 2100 for Year.\n"
                        + path + ": tempo: Number is required for BPM.\n"
                        + path + ": filename: File Name cannot be empty.\n"
                        + "1 file was saved.\n");
    EXPECT_EQ(mutagenText(path, "TIT2"), QStringList{"Kept"});
    EXPECT_EQ(mutagenText(path, "TDRC"), QStringList{"1999"});
}

TEST_F(CliSetTest, NothingToWriteLeavesEveryByte)
{
    const QByteArray before = fileBytes(path);
    // "03" is stored as "3", so it is no change either.
    const CliResult equal = runCli({"set", "title=Old Title", "trackNumber=03", path});
    EXPECT_EQ(equal.exitCode, 0) << equal.err.toStdString();
    EXPECT_EQ(equal.out, path + ": unchanged\n");
    EXPECT_EQ(equal.err, "1 file was opened.\nThe table does not contain modified cells.\n");
    EXPECT_EQ(fileBytes(path), before);

    // Only a refused value: the file is not touched, the status still fails.
    const CliResult refused = runCli({"set", "discNumber=251", path});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, path + ": unchanged\n");
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, FilenameRenamesOnSave)
{
    dir.copyFixture("tagged_v24.mp3", "Taken.mp3");
    const CliResult result = runCli({"set", "filename=Taken", "title=T", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString renamed = dir.filePath("Taken 2.mp3");
    EXPECT_EQ(result.out, path + ": saved and renamed to " + renamed + "\n");
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(mutagenText(renamed, "TIT2"), QStringList{"T"});

    // Invalid characters become blanks; a relative path is answered relative.
    const CliResult relative = runCli({"set", "filename=A:B", "Taken 2.mp3"}, dir.path());
    EXPECT_EQ(relative.exitCode, 0) << relative.err.toStdString();
    EXPECT_EQ(relative.out, "Taken 2.mp3: saved and renamed to A B.mp3\n");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("A B.mp3")));
}

TEST_F(CliSetTest, EveryPathIsTriedAndFailuresCount)
{
    const QString equals = dir.copyFixture("tagged_v24.mp3", "a=b.mp3");
    const QString text = dir.writeFile("notes.txt", "text");
    const QString missing = dir.filePath("gone.mp3");

    const CliResult result = runCli({"set", "artist=X", "--", text, equals, missing, path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, equals + ": saved\n" + path + ": saved\n");
    EXPECT_EQ(result.err, text + ": unsupported file type\n" + missing + ": no such file\n"
                              "2 files were opened.\n"
                              "1 file with unsupported format was ignored.\n"
                              "2 files were saved.\n");
    EXPECT_EQ(mutagenText(equals, "TPE1"), QStringList{"X"});
    EXPECT_EQ(fileBytes(text), "text");
}

TEST_F(CliSetTest, TheSummaryCountsFilesThatCannotBeWritten)
{
    const QString damaged = dir.writeFile("damaged.mp3", QByteArray(4096, 'x'));
    const CliResult mixed = runCli({"set", "artist=Y", damaged, path});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_EQ(mixed.out, damaged + ": could not be saved\n" + path + ": saved\n");
    EXPECT_TRUE(mixed.err.endsWith("1 file was saved.\n1 file could not be saved.\n"))
        << mixed.err.toStdString();

    const CliResult alone = runCli({"set", "artist=Y", damaged});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_TRUE(alone.err.endsWith(damaged + ": the tags cannot be read\n1 file could not be saved.\n"))
        << alone.err.toStdString();
}

TEST_F(CliSetTest, AFolderIsSetFileByFile)
{
    QDir(dir.path()).mkpath("Disc 2");
    const QString second = dir.copyFixture("tagged_v24.mp3", "Disc 2/track.mp3");
    const CliResult result = runCli({"set", "genre=Jazz", "--", "."}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "./Disc 2/track.mp3: saved\n./song.mp3: saved\n");
    EXPECT_EQ(mutagenText(path, "TCON"), QStringList{"Jazz"});
    EXPECT_EQ(mutagenText(second, "TCON"), QStringList{"Jazz"});
}

TEST_F(CliSetTest, WavFilesTakeTagsLikeTheOthers)
{
    const QString wav = dir.copyFixture("id3_info.wav", "take.wav");
    const QString digest = audioPacketDigest(wav);
    const CliResult result = runCli({"set", "title=Wave Title", "year=2003", wav});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, wav + ": saved\n");
    const CliResult shown = runCli({"show", "--json", wav});
    const QJsonObject object = QJsonDocument::fromJson(shown.out.toUtf8()).object();
    EXPECT_EQ(object.value("title"), QJsonValue("Wave Title"));
    EXPECT_EQ(object.value("year"), QJsonValue("2003"));
    EXPECT_EQ(object.value("tagFormat"), QJsonValue("ID3v2.4.0, Info"));
    EXPECT_EQ(audioPacketDigest(wav), digest);
}

TEST_F(CliSetTest, ArtworkComesFromImageFilesOnly)
{
    const QString cover = dir.writeFile("cover.png", makeImageBytes(64, 48, "PNG"));
    const CliResult set = runCli({"set", "image=" + cover, path});
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(set.out, path + ": saved\n");
    EXPECT_EQ(mutagenRead(path)["frames"].toObject()["APIC"].toArray().size(), 1);
    const CliResult shown = runCli({"show", "--json", path});
    EXPECT_EQ(QJsonDocument::fromJson(shown.out.toUtf8())["image"].toObject(),
              (QJsonObject{{"width", 64}, {"height", 48}}));

    const QString notImage = dir.writeFile("fake.jpg", "plain text, not a JPEG");
    const QByteArray before = fileBytes(path);
    const CliResult refused = runCli({"set", "image=" + notImage, path});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, path + ": unchanged\n");
    EXPECT_TRUE(refused.err.startsWith("1 file was opened.\n" + path
                                       + ": image: cannot read an image from \"" + notImage))
        << refused.err.toStdString();
    EXPECT_EQ(fileBytes(path), before);

    const CliResult removed = runCli({"set", "image=", path});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_EQ(removed.out, path + ": saved\n");
    EXPECT_FALSE(mutagenRead(path)["frames"].toObject().contains("APIC"));
}

TEST_F(CliSetTest, ImmutableFileCannotBeSaved)
{
    if (!makeImmutable(path))
        GTEST_SKIP() << "chattr +i is refused here";
    const QByteArray before = fileBytes(path);
    const CliResult result = runCli({"set", "title=Never", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": could not be saved\n");
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, ImmutableFolderSavesTagsButCannotRename)
{
    if (!makeImmutable(dir.path()))
        GTEST_SKIP() << "chattr +i is refused here";
    const CliResult result = runCli({"set", "title=Saved", "filename=Other", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": could not be renamed\n");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Other.mp3")));
    EXPECT_EQ(mutagenText(path, "TIT2"), QStringList{"Saved"});
}

TEST_F(CliSetTest, AFileOurWalkRefusesIsNotSavedAndTheReasonIsNamed)
{
    QByteArray bytes = fileBytes(fixturePath("tagged.m4a"));
    bytes += "abc";
    const QString damaged = dir.writeFile("damaged.m4a", bytes);
    const CliResult result = runCli({"set", "title=X", damaged});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, damaged + ": could not be saved\n");
    EXPECT_TRUE(result.err.contains(damaged + ": the tags cannot be read: stray bytes at the end of the file\n"))
        << result.err.toStdString();
    EXPECT_EQ(fileBytes(damaged), bytes);
}
