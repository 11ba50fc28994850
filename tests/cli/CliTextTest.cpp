// tagmint-cli clean, replace and show --find, run as a separate process on
// fixture copies of every supported format; what they wrote is read back
// with mutagen.

#include "cli/CliRun.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QJsonArray>
#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

// The first value of a text field as mutagen reads it, whatever the format.
struct FieldNames {
    const char* id3;
    const char* xiph;
    const char* mp4;
    const char* ape;
    const char* asf;
};

QString mutagenField(const QString& path, const FieldNames& names)
{
    const QJsonObject seen = mutagenRead(path);
    const QString format = seen["format"].toString();
    if (format == "flac")
        return seen["vorbis"][names.xiph][0].toString();
    if (format == "ogg")
        return seen["xiph"][names.xiph][0].toString();
    if (format == "mp4")
        return seen["items"][QString::fromUtf8(names.mp4)][0].toString();
    if (format == "ape")
        return seen["ape"][names.ape][0].toString();
    if (format == "asf")
        return seen["asf"][names.asf][0].toString();
    return seen["frames"][names.id3][0].toString();
}

QString mutagenTitle(const QString& path)
{
    return mutagenField(path, {"TIT2", "TITLE", "\xc2\xa9nam", "Title", "Title"});
}
QString mutagenArtist(const QString& path)
{
    return mutagenField(path, {"TPE1", "ARTIST", "\xc2\xa9" "ART", "Artist", "Author"});
}

class CliTextTest : public ::testing::Test {
protected:
    TempDir dir;
    const QStringList fixtures = {"tagged_v24.mp3", "tagged.m4a", "tagged.flac", "id3.wav", "tagged.aiff",
                                  "tagged.ogg", "tagged.opus", "tagged.wv", "tagged.tta", "tagged.wma"};

    QStringList copyAll()
    {
        QStringList paths;
        for (const QString& fixture : fixtures)
            paths.append(dir.copyFixture(fixture, "song." + QFileInfo(fixture).suffix()));
        return paths;
    }
};

} // namespace

TEST_F(CliTextTest, CleanAndReplaceOnEveryFormat)
{
    const QStringList paths = copyAll();
    CliResult result = runCli(QStringList{"set", "title=  01 - caf\u00e9  SONG (Live) ", "artist=the ARTIST"} + paths);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();

    result = runCli(QStringList{"clean", "--extra-characters", "--fields", "title"} + paths);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_FALSE(result.outLines().isEmpty());
    EXPECT_EQ(result.outLines().first(), "10 tags changed.");
    EXPECT_EQ(result.outLines().count(), 11);
    EXPECT_TRUE(result.outLines().last().endsWith(": saved"));

    result = runCli(QStringList{"clean", "--case", "capitalize", "--fields=title,artist"} + paths);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.outLines().first(), "20 tags changed.");

    result = runCli(QStringList{"replace", "--find", "SONG", "--with", "Tune", "--mode", "ends", "--fields", "title"} + paths);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.outLines().first(), "10 tags changed.");

    for (const QString& path : paths) {
        EXPECT_EQ(mutagenTitle(path), QString::fromUtf8("Caf\u00e9 Tune")) << path.toStdString();
        EXPECT_EQ(mutagenArtist(path), "The Artist") << path.toStdString();
    }

    // Nothing left to do: nothing is written.
    result = runCli(QStringList{"clean", "--extra-spaces"} + paths);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.outLines().first(), "No tags changed.");
    EXPECT_TRUE(result.outLines().last().endsWith(": unchanged"));
}

TEST_F(CliTextTest, FixEncodingRepairsTextReadInTheWrongCodePage)
{
    const QString path = dir.copyFixture("tagged_v24.mp3", "song.mp3");
    // What an old tagger wrote: Windows-1251 bytes declared as Latin-1.
    ASSERT_TRUE(mutagenWrite(path, QJsonObject{{"text", QJsonObject{{"TIT2", QString::fromUtf8("\u00cf\u00f0\u00e8\u00e2\u00e5\u00f2")},
                                                                     {"TPE1", QString::fromUtf8("\u041a\u0438\u043d\u043e")}}}}));
    CliResult result = runCli({"clean", "--fix-encoding", "WINDOWS-1251", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.outLines().first(), "1 tag changed.");
    EXPECT_EQ(mutagenTitle(path), QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442"));
    // Already correct Cyrillic is left as it was.
    EXPECT_EQ(mutagenArtist(path), QString::fromUtf8("\u041a\u0438\u043d\u043e"));

    result = runCli({"clean", "--fix-encoding", "utf-16", path});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("unknown encoding \"utf-16\"; known: windows-1252,"));
    EXPECT_TRUE(result.err.contains("shift_jis, euc-jp, gb18030, gbk, big5, euc-kr"));
}

TEST_F(CliTextTest, ARefusedReplacementIsReportedAndTheRestIsSaved)
{
    const QString path = dir.copyFixture("tagged_v24.mp3", "song.mp3");
    ASSERT_EQ(runCli({"set", "title=Live 1999", "year=1999", path}).exitCode, 0);
    const CliResult result =
        runCli({"replace", "--find", "1999", "--with", "19999", "--fields", "title,year", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.outLines().first(), "1 tag changed.");
    EXPECT_TRUE(result.err.contains("song.mp3: year: Number is required between 1900 and 2100 for Year."))
        << result.err.toStdString();
    EXPECT_EQ(mutagenTitle(path), "Live 19999");
    EXPECT_EQ(mutagenField(path, {"TDRC", "", "", "", ""}), "1999");
}

TEST_F(CliTextTest, ShowFindKeepsTheRecordsTheFilterKeeps)
{
    const QStringList paths = copyAll();
    ASSERT_EQ(runCli({"set", "title=Blue Moon", paths[0]}).exitCode, 0);
    ASSERT_EQ(runCli({"set", "title=moon river", paths[1]}).exitCode, 0);

    const auto shownTitles = [&](const QStringList& options) {
        const CliResult result = runCli(QStringList{"show"} + options + paths);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        QStringList titles;
        for (const QString& line : result.outLines()) {
            if (line.startsWith("title: "))
                titles.append(line.mid(7));
        }
        return titles;
    };
    EXPECT_EQ(shownTitles({"--find", "MOON"}), (QStringList{"moon river", "Blue Moon"}));
    EXPECT_EQ(shownTitles({"--find", "Moon", "--case-sensitive"}), QStringList{"Blue Moon"});
    EXPECT_EQ(shownTitles({"--find=moon", "--mode=starts"}), QStringList{"moon river"});
    EXPECT_EQ(shownTitles({"--find", "moon", "--fields", "artist"}), QStringList{});
}

TEST_F(CliTextTest, UsageErrorsSayWhatIsWrong)
{
    const QString path = dir.copyFixture("tagged_v24.mp3", "song.mp3");
    const auto usage = [&](const QStringList& args, const char* message) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("tagmint-cli: ") + message))
            << result.err.left(120).toStdString();
    };
    usage({"clean", path}, "clean needs exactly one of --case, --fix-encoding");
    usage({"clean", "--extra-spaces", "--case", "upper", path}, "clean needs exactly one of");
    usage({"clean", "--case", "title", path}, "unknown case \"title\"");
    usage({"clean", "--extra-spaces=yes", path}, "--extra-spaces takes no value");
    usage({"clean", "--extra-spaces", "--fields", "image", path}, "\"image\" is not a text field");
    usage({"clean", "--extra-spaces", "--fields", "path", path}, "\"path\" is read-only");
    usage({"clean", "--extra-spaces", "--fields", "nope", path}, "unknown key \"nope\"");
    usage({"clean", "--extra-spaces"}, "clean needs at least one file");
    usage({"replace", "--with", "x", path}, "replace needs --find TEXT");
    usage({"replace", "--find", "x", "--mode", "near", path}, "unknown mode \"near\"");
    usage({"show", "--mode", "ends", path}, "--mode, --case-sensitive and --fields need --find");
    usage({"show", "--find"}, "--find needs a value");

    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("tagmint-cli clean (--case sentence|capitalize|lower|upper |"));
    EXPECT_TRUE(help.out.contains("tagmint-cli replace --find TEXT [--with TEXT] [--mode MODE]"));
    EXPECT_TRUE(help.out.contains("tagmint-cli show --find TEXT"));
}
