// tagmint-cli rename, fill and parse-path, run as separate processes on
// fixture copies of every supported container; the results are read back
// with mutagen and looked for in the file system.

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

const QStringList kFormats = {"mp3", "m4a", "flac", "wav", "aiff"};

class CliNamingTest : public ::testing::Test {
protected:
    // Copies plain.EXT to relativePath (folders made as needed).
    QString place(const QString& format, const QString& relativePath)
    {
        const QString path = dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        return dir.copyFixture("plain." + format, relativePath);
    }

    TempDir dir;
};

} // namespace

TEST_F(CliNamingTest, ParsePathPrintsTheLayoutTableAsJsonLines)
{
    QFile file(QStringLiteral(TAGMINT_TEST_DATA_DIR "/path_layouts.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray layouts = QJsonDocument::fromJson(file.readAll()).array();
    QStringList args = {"parse-path", "--"};
    for (const QJsonValue& layout : layouts)
        args.append(layout["path"].toString());

    const CliResult result = runCli(args);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split('\n');
    ASSERT_EQ(lines.size(), layouts.size() + 1);   // and the final line break
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const QJsonObject expected = layouts.at(i).toObject();
        const QJsonObject printed = QJsonDocument::fromJson(lines.at(i).toUtf8()).object();
        EXPECT_EQ(printed.keys(), (QStringList{"album", "albumArtist", "artist", "artist2", "artist3", "title",
                                               "trackNumber", "year"}));
        for (const QString& key : printed.keys())
            EXPECT_EQ(printed[key].toString(), expected[key].toString()) << lines.at(i).toStdString();
    }
}

TEST_F(CliNamingTest, RenameComposesNamesForEveryFormatAndADryRunChangesNothing)
{
    QStringList paths;
    for (qsizetype i = 0; i < kFormats.size(); ++i) {
        const QString path = place(kFormats.at(i), "album/file" + QString::number(i) + "." + kFormats.at(i));
        const CliResult set = runCli({"set", "trackNumber=" + QString::number(i + 1), "artist=AC/DC",
                                      "title=Song " + QString::number(i + 1), path});
        ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        paths.append(path);
    }
    const auto newName = [](qsizetype i) {
        return QStringLiteral("0%1 - AC DC - Song %1.%2").arg(i + 1).arg(kFormats.at(i));
    };

    const CliResult dry = runCli(QStringList{"rename", "--dry-run", "--compose", "title,artist,track",
                                             "--hyphen"} + paths);
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    ASSERT_EQ(dry.outLines().size(), kFormats.size());
    for (qsizetype i = 0; i < kFormats.size(); ++i) {
        EXPECT_EQ(dry.outLines().at(i), paths.at(i) + " -> " + dir.filePath("album/" + newName(i)));
        EXPECT_TRUE(QFileInfo::exists(paths.at(i)));
    }

    const CliResult result = runCli(QStringList{"rename", "--compose", "title,artist,track", "--hyphen"} + paths);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_EQ(result.outLines().size(), kFormats.size());
    EXPECT_TRUE(result.err.contains("5 tags changed.\n")) << result.err.toStdString();
    for (qsizetype i = 0; i < kFormats.size(); ++i) {
        const QString renamed = dir.filePath("album/" + newName(i));
        EXPECT_EQ(result.outLines().at(i), paths.at(i) + ": saved and renamed to " + renamed);
        EXPECT_FALSE(QFileInfo::exists(paths.at(i)));
        EXPECT_EQ(mutagenTags(renamed)["title"].toString(), "Song " + QString::number(i + 1)) << renamed.toStdString();
    }
}

TEST_F(CliNamingTest, RenameNeverOverwritesAndLeavesUntaggedFilesAlone)
{
    const QString first = place("mp3", "a.mp3");
    const QString second = place("mp3", "b.mp3");
    const QString untagged = place("mp3", "c.mp3");
    ASSERT_EQ(runCli({"set", "trackNumber=1", "artist=Art", "title=Intro", first, second}).exitCode, 0);

    const CliResult result = runCli({"rename", "--compose", "track,artist,title", "--hyphen", "--underscores",
                                     "--lowercase", first, second, untagged});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("2 tags changed.\n")) << result.err.toStdString();
    EXPECT_EQ(result.outLines(), (QStringList{untagged + ": unchanged",
                                              first + ": saved and renamed to " + dir.filePath("01_-_art_-_intro.mp3"),
                                              second + ": saved and renamed to " + dir.filePath("01_-_art_-_intro 2.mp3")}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"01_-_art_-_intro 2.mp3", "01_-_art_-_intro.mp3", "c.mp3"}));
}

TEST_F(CliNamingTest, FillTakesTagsAndArtworkFromTheLayoutForEveryFormat)
{
    const QString album = "Miles Davis/Kind of Blue (1959)/";
    for (qsizetype i = 0; i < kFormats.size(); ++i)
        place(kFormats.at(i), album + QStringLiteral("0%1 - So What.%2").arg(i + 1).arg(kFormats.at(i)));
    dir.writeFile(album + "folder.jpg", makeImageBytes(30, 30));

    const CliResult result = runCli({"fill", "--from-paths", dir.filePath("Miles Davis")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("35 tags changed.\n")) << result.err.toStdString();
    for (qsizetype i = 0; i < kFormats.size(); ++i) {
        const QString path = dir.filePath(album + QStringLiteral("0%1 - So What.%2").arg(i + 1).arg(kFormats.at(i)));
        const QJsonObject tags = mutagenTags(path);
        EXPECT_EQ(tags["title"].toString(), "So What") << path.toStdString();
        EXPECT_EQ(tags["artist"].toString(), "Miles Davis") << path.toStdString();
        EXPECT_EQ(tags["albumArtist"].toString(), "Miles Davis") << path.toStdString();
        EXPECT_EQ(tags["album"].toString(), "Kind Of Blue") << path.toStdString();
        EXPECT_EQ(tags["year"].toString(), "1959") << path.toStdString();
        EXPECT_EQ(tags["trackNumber"].toString(), QString::number(i + 1)) << path.toStdString();
        EXPECT_EQ(tags["pictures"].toInt(), 1) << path.toStdString();
    }
}

TEST_F(CliNamingTest, FillWithMissingOnlyAndFieldsKeepsEverythingElse)
{
    const QString path = place("flac", "Band/Record/03 Song.flac");
    ASSERT_EQ(runCli({"set", "title=Own Title", path}).exitCode, 0);
    const CliResult result = runCli({"fill", "--from-paths", "--missing-only", "--fields", "title,artist", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("1 tag changed.\n")) << result.err.toStdString();
    EXPECT_EQ(result.outLines(), (QStringList{path + ": saved"}));
    const QJsonObject tags = mutagenTags(path);
    EXPECT_EQ(tags["title"].toString(), "Own Title");
    EXPECT_EQ(tags["artist"].toString(), "Band");
    EXPECT_EQ(tags["album"].toString(), "");
    EXPECT_NE(tags["trackNumber"].toString(), "3");   // FLAC keeps an empty number as "0"

    const CliResult again = runCli({"fill", "--from-paths", "--missing-only", "--fields", "title,artist", path});
    EXPECT_TRUE(again.err.contains("No tags changed.\n")) << again.err.toStdString();
    EXPECT_EQ(again.outLines(), (QStringList{path + ": unchanged"}));
}

TEST_F(CliNamingTest, UsageMistakesAreRefusedBeforeAnythingIsOpened)
{
    const QString path = place("mp3", "song.mp3");
    for (const QStringList& args : {QStringList{"rename", path}, QStringList{"rename", "--compose", "colour", path},
                                    QStringList{"rename", "--compose", "title"},
                                    QStringList{"rename", "--compose"}, QStringList{"fill", path},
                                    QStringList{"fill", "--from-paths", "--fields", "genre", path},
                                    QStringList{"fill", "--from-paths", "--bogus", path},
                                    QStringList{"parse-path"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(result.err.startsWith("tagmint-cli: ")) << result.err.toStdString();
    }
    EXPECT_EQ(mutagenTags(path)["title"].toString(), "");
}
