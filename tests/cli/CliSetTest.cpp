// tagmint-cli set, run as a separate process on fixture copies; results are
// checked with mutagen and with tagmint-cli show.

#include "cli/CliRun.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

const QString kMp3Fixture = QStringLiteral("tagged.mp3");

QJsonObject showJson(const QString& path)
{
    const CliResult result = runCli({"show", "--json", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return QJsonDocument::fromJson(result.out.toUtf8()).object();
}

QStringList mutagenText(const QString& path, const char* frameId)
{
    QStringList values;
    const QJsonArray frames = mutagenRead(path).value("frames").toObject().value(frameId).toArray();
    for (const QJsonValue& value : frames)
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
        path = dir.copyFixture(kMp3Fixture, "song.mp3");
        ASSERT_TRUE(mutagenWrite(path, QJsonObject{
            {"clear", true},
            {"text", QJsonObject{{"TIT2", "Old Title"}, {"TPE1", "Old Artist"}, {"TDRC", "1999"},
                                 {"TRCK", "3/12"}}},
            {"id3v1", QJsonValue::Null}}));
    }

    void TearDown() override
    {
        // An immutable file or folder would outlive the temporary folder.
        for (const QString& locked : lockedPaths)
            chattr("-i", locked);
    }

    // Sets the immutable attribute; false where the file system refuses it.
    bool lock(const QString& target)
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
    const QString digestBefore = audioPacketDigest(path);
    ASSERT_FALSE(digestBefore.isEmpty());

    const CliResult result = runCli({"set", "title=New Title", "albumArtist=Various",
                                     "trackNumber=07", "tracksTotal=", "year=2001",
                                     "comment=über", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, path + ": saved\n");
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();

    EXPECT_EQ(mutagenText(path, "TIT2"), QStringList{"New Title"});
    EXPECT_EQ(mutagenText(path, "TPE1"), QStringList{"Old Artist"});
    EXPECT_EQ(mutagenText(path, "TPE2"), QStringList{"Various"});
    EXPECT_EQ(mutagenText(path, "TRCK"), QStringList{"7"});
    EXPECT_EQ(mutagenText(path, "TDRC"), QStringList{"2001"});
    const QJsonObject shown = showJson(path);
    EXPECT_EQ(shown.value("comment").toString(), QString::fromUtf8("über"));
    EXPECT_EQ(shown.value("trackNumber").toString(), "7");
    EXPECT_EQ(shown.value("tracksTotal").toString(), "");
    EXPECT_EQ(audioPacketDigest(path), digestBefore);
}

TEST_F(CliSetTest, RefusedValuesAreReportedAndTheRestIsSaved)
{
    const CliResult result = runCli({"set", "year=1899", "tempo=fast", "filename= ",
                                     "title=Kept", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": saved\n");
    EXPECT_TRUE(result.err.contains(
        path + ": year: Number is required between 1900 and 2100 for Year.\n"));
    EXPECT_TRUE(result.err.contains(path + ": tempo: Number is required for BPM.\n"));
    EXPECT_TRUE(result.err.contains(path + ": filename: File Name cannot be empty.\n"));

    EXPECT_EQ(mutagenText(path, "TIT2"), QStringList{"Kept"});
    EXPECT_EQ(mutagenText(path, "TDRC"), QStringList{"1999"});
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(CliSetTest, EqualValuesLeaveTheFileUnchanged)
{
    const QByteArray before = fileBytes(path);

    // "03" is stored as "3": no change either.
    const CliResult result = runCli({"set", "title=Old Title", "trackNumber=03", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, path + ": unchanged\n");
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, OnlyRefusedValuesLeaveTheFileUnchangedButFail)
{
    const QByteArray before = fileBytes(path);

    const CliResult result = runCli({"set", "discNumber=251", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": unchanged\n");
    EXPECT_TRUE(result.err.contains("Number is required between 1 and 250 for Disc #."));
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, FilenameRenamesOnSave)
{
    dir.copyFixture(kMp3Fixture, "Taken.mp3");

    const CliResult result = runCli({"set", "filename=Taken", "title=T", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString renamed = dir.filePath("Taken 2.mp3");
    EXPECT_EQ(result.out, path + ": saved and renamed to " + renamed + "\n");
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(mutagenText(renamed, "TIT2"), QStringList{"T"});

    // Invalid characters become blanks; a relative path is answered relative.
    const CliResult second = runCli({"set", "filename=A:B", "Taken 2.mp3"}, dir.path());
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(second.out, "Taken 2.mp3: saved and renamed to A B.mp3\n");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("A B.mp3")));
}

TEST_F(CliSetTest, PathsContainingEqualsNeedTheSeparator)
{
    const QString odd = dir.copyFixture(kMp3Fixture, "a=b.mp3");

    const CliResult result = runCli({"set", "artist=X", "--", odd, path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.outLines(), (QStringList{odd + ": saved", path + ": saved"}));
    EXPECT_EQ(mutagenText(odd, "TPE1"), QStringList{"X"});
    EXPECT_EQ(mutagenText(path, "TPE1"), QStringList{"X"});
}

TEST_F(CliSetTest, ArtworkIsSetFromAnImageFileAndRemoved)
{
    const QString cover = dir.writeFile("cover.png", makeImageBytes(64, 48, "PNG"));

    const CliResult set = runCli({"set", "image=" + cover, path});
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(set.out, path + ": saved\n");
    EXPECT_EQ(showJson(path).value("image").toObject(),
              (QJsonObject{{"width", 64}, {"height", 48}}));
    EXPECT_EQ(mutagenRead(path).value("frames").toObject().value("APIC").toArray().size(), 1);

    const CliResult removed = runCli({"set", "image=", path});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_EQ(removed.out, path + ": saved\n");
    EXPECT_TRUE(showJson(path).value("image").isNull());
    EXPECT_FALSE(mutagenRead(path).value("frames").toObject().contains("APIC"));
}

TEST_F(CliSetTest, AFileThatIsNoImageIsRefusedAsArtwork)
{
    const QString notImage = dir.writeFile("cover.jpg", "plain text, not a JPEG");
    const QByteArray before = fileBytes(path);

    const CliResult result = runCli({"set", "image=" + notImage, path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": unchanged\n");
    EXPECT_TRUE(result.err.startsWith(path + ": image: cannot read an image from \"" + notImage))
        << result.err.toStdString();
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, UnsupportedAndMissingFilesFailWithoutStoppingTheOthers)
{
    const QString text = dir.writeFile("notes.txt", "text");
    const QString missing = dir.filePath("gone.mp3");

    const CliResult result = runCli({"set", "title=Z", text, missing, path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": saved\n");
    EXPECT_TRUE(result.err.contains(text + ": unsupported file type"));
    EXPECT_TRUE(result.err.contains(missing + ": no such file"));
    EXPECT_EQ(fileBytes(text), "text");
}

TEST_F(CliSetTest, UsageErrorTouchesNoFile)
{
    const QByteArray before = fileBytes(path);
    const CliResult result = runCli({"set", "title=x", "sizeStr=1 Kb", path});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("\"sizeStr\" is read-only"));
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, ImmutableFileCannotBeSaved)
{
    if (!lock(path))
        GTEST_SKIP() << "chattr +i is refused here";
    const QByteArray before = fileBytes(path);

    const CliResult result = runCli({"set", "title=Never", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": could not be saved\n");
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(CliSetTest, ImmutableFolderSavesTagsButCannotRename)
{
    if (!lock(dir.path()))
        GTEST_SKIP() << "chattr +i is refused here";

    const CliResult result = runCli({"set", "title=Saved", "filename=Other", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ": could not be renamed\n");
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Other.mp3")));
    EXPECT_EQ(mutagenText(path, "TIT2"), QStringList{"Saved"});
}
