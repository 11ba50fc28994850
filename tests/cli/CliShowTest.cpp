// tagmint-cli show and the command line's usage rules, run as a separate
// process on fixture copies.

#include "cli/CliRun.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

const QString kMp3Fixture = QStringLiteral("tagged_v24.mp3");

QJsonObject parseLine(const QString& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    return document.object();
}

// Tags written by mutagen, so expectations do not depend on the fixture.
QJsonObject knownTags(const QString& comment)
{
    const QJsonObject text{
        {"TIT2", "Blue Song"}, {"TPE1", "The Artist"}, {"TALB", "The Album"}, {"TPE2", "Various"},
        {"TCON", "Jazz"}, {"TCOM", "Composer"}, {"TIT1", "Grouping"}, {"TCOP", "2001 Label"},
        {"TENC", "Encoder"}, {"TKEY", "Am"}, {"TBPM", "120"}, {"TDRC", "1999"},
        {"TRCK", "3/12"}, {"TPOS", "1/2"}};
    const QJsonObject picture{{"base64", QString::fromLatin1(makeImageBytes(40, 30).toBase64())},
                              {"mime", "image/jpeg"}, {"type", 3}};
    return {{"clear", true}, {"text", text}, {"pictures", QJsonArray{picture}},
            {"comments", QJsonArray{QJsonObject{{"lang", "eng"}, {"desc", ""}, {"text", comment}}}},
            {"id3v1", QJsonValue::Null}};
}

} // namespace

TEST(CliShowTest, JsonCarriesEveryFieldWithItsValueAndType)
{
    TempDir dir;
    const QString path = dir.copyFixture(kMp3Fixture, "Blue Song.mp3");
    ASSERT_TRUE(mutagenWrite(path, knownTags(QString::fromUtf8("Zwölf \"Uhr\""))));

    const CliResult result = runCli({"show", "--json", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_EQ(result.outLines().size(), 1);
    const QJsonObject object = parseLine(result.outLines().first());

    const QJsonObject expected{
        {"title", "Blue Song"}, {"artist", "The Artist"}, {"album", "The Album"},
        {"albumArtist", "Various"}, {"genre", "Jazz"}, {"comment", QString::fromUtf8("Zwölf \"Uhr\"")},
        {"composer", "Composer"}, {"grouping", "Grouping"}, {"copyright", "2001 Label"},
        {"encodedBy", "Encoder"}, {"initialKey", "Am"}, {"tempo", "120"}, {"year", "1999"},
        {"trackNumber", "3"}, {"tracksTotal", "12"}, {"discNumber", "1"}, {"discsTotal", "2"},
        {"filename", "Blue Song"}, {"folder", QFileInfo(dir.path()).fileName()}, {"path", path},
        {"pathext", "mp3"}, {"size", double(QFileInfo(path).size())},
        {"sizeStr", object.value("sizeStr")}, {"tagFormat", "ID3v2.4.0"},
        {"isReadOnly", false}, {"hasInvalidTags", false}, {"hasID3v1Tag", false},
        {"hasID3v2Tag", true}, {"image", QJsonObject{{"width", 40}, {"height", 30}}}};
    EXPECT_EQ(object, expected);
    EXPECT_TRUE(object.value("sizeStr").toString().endsWith(" Kb"));
}

TEST(CliShowTest, SeveralFilesInPathOrderInBothForms)
{
    TempDir dir;
    const QString first = dir.copyFixture(kMp3Fixture, "one.mp3");
    const QString second = dir.copyFixture(kMp3Fixture, "two.mp3");
    ASSERT_TRUE(mutagenWrite(first, knownTags("line 1\r\nline 2\rline 3\n\nline 5")));
    ASSERT_TRUE(mutagenWrite(second, QJsonObject{{"remove", QJsonArray{"APIC"}}}));

    // Rows come in path order, as in a window, whatever the argument order.
    const CliResult json = runCli({"show", "--json", second, first});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    ASSERT_EQ(json.outLines().size(), 2);
    EXPECT_EQ(parseLine(json.outLines()[0]).value("path").toString(), first);
    EXPECT_EQ(parseLine(json.outLines()[1]).value("path").toString(), second);
    EXPECT_EQ(json.err, "2 files were opened.\n");

    const CliResult text = runCli({"show", first, second});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QStringList blocks = text.out.split("\n\n");
    ASSERT_EQ(blocks.size(), 2) << text.out.toStdString();
    const QStringList lines = blocks[0].split('\n');
    EXPECT_EQ(lines.first(), "title: Blue Song");
    EXPECT_EQ(lines.last(), "image: 40x30");
    for (const QString& line : QStringList{"trackNumber: 3", "path: " + first, "hasID3v2Tag: true",
                                "size: " + QString::number(QFileInfo(first).size())})
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    // A line break inside a value ("\r\n", "\r" or "\n") continues indented
    // instead of posing as a key or ending the block.
    const qsizetype comment = lines.indexOf("comment: line 1");
    ASSERT_GE(comment, 0);
    EXPECT_EQ(lines.mid(comment + 1, 4), QStringList({"  line 2", "  line 3", "  ", "  line 5"}));
    EXPECT_TRUE(blocks[1].endsWith("image: none\n"));
}

TEST(CliShowTest, FilesThatCannotBeShownDoNotStopTheOthers)
{
    TempDir dir;
    const QString good = dir.copyFixture(kMp3Fixture, "good.mp3");
    const QString text = dir.writeFile("notes.txt", "not audio");
    const QString missing = dir.filePath("missing.mp3");
    const QString damaged = dir.writeFile("damaged.mp3", QByteArray(4096, '\x5a'));

    const CliResult result = runCli({"show", "--json", text, good, missing, damaged});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, text + ": unsupported file type\n" + missing + ": no such file\n"
                              "2 files were opened.\n"
                              "1 file with unsupported format was ignored.\n"
                              + damaged + ": the tags cannot be read\n");
    ASSERT_EQ(result.outLines().size(), 2);
    EXPECT_EQ(parseLine(result.outLines()[1]).value("path").toString(), good);
    // A damaged file is still a row: an invalid, read-only record.
    const QJsonObject invalid = parseLine(result.outLines()[0]);
    EXPECT_EQ(invalid.value("hasInvalidTags"), QJsonValue(true));
    EXPECT_EQ(invalid.value("isReadOnly"), QJsonValue(true));
    EXPECT_EQ(invalid.value("tagFormat").toString(), "Invalid tags");
    EXPECT_EQ(invalid.value("sizeStr").toString(), "4.0 Kb");
}

TEST(CliShowTest, FoldersAreOpenedLikeInAWindow)
{
    TempDir dir;
    QDir(dir.path()).mkpath("Album/CD 2");
    const QString track = dir.copyFixture(kMp3Fixture, "Album/01 Track.mp3");
    const QString nested = dir.copyFixture(kMp3Fixture, "Album/CD 2/01 Other.mp3");
    dir.copyFixture(kMp3Fixture, "Album/.hidden.mp3");
    dir.writeFile("Album/cover.txt", "not audio");

    const QString album = dir.filePath("Album");
    // The file given beside its folder is opened once.
    const CliResult result = runCli({"show", "--json", album, track});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_EQ(result.outLines().size(), 2);
    EXPECT_EQ(parseLine(result.outLines()[0]).value("path").toString(), track);
    EXPECT_EQ(parseLine(result.outLines()[1]).value("path").toString(), nested);
    EXPECT_EQ(result.err, "2 files were opened.\n"
                          "1 file with unsupported format was ignored.\n");

    QDir(dir.path()).mkpath("Empty");
    const CliResult empty = runCli({"show", dir.filePath("Empty")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "Could not find supported media files.\n");
    EXPECT_TRUE(empty.out.isEmpty());
}

TEST(CliShowTest, AudioFactsOnRequest)
{
    const QString mp3 = fixturePath("audio/cbr_mpeg1_stereo.mp3");
    const CliResult plain = runCli({"show", "--json", mp3});
    EXPECT_FALSE(parseLine(plain.outLines()[0]).contains("frequency"));

    const CliResult audio = runCli({"show", "--json", "--audio", mp3});
    ASSERT_EQ(audio.exitCode, 0) << audio.err.toStdString();
    const QJsonObject object = parseLine(audio.outLines()[0]);
    EXPECT_EQ(object.value("frequency"), QJsonValue("44100"));
    EXPECT_EQ(object.value("channelsSortValue"), QJsonValue(2));
    EXPECT_EQ(object.value("durationSortValue"), QJsonValue(548));   // not 522: the last frame counts
    EXPECT_EQ(object.value("audioCodec"), QJsonValue("MP3 (MPEG audio layer 3)"));

    const CliResult text = runCli({"show", "--audio", fixturePath("audio/tone.flac")});
    EXPECT_TRUE(text.outLines().contains("audioCodec: FLAC (Free Lossless Audio Codec)"))
        << text.out.toStdString();
}

// FFmpeg and the hundred-odd libraries behind it cost every start a tenth of
// a second: only a run that needs FFmpeg loads it.
TEST(CliShowTest, FFmpegIsLoadedOnlyWhenAFileNeedsIt)
{
    const TempDir cache;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    const auto loadsFFmpeg = [&environment](const QStringList& args) {
        const CliResult result = runCli(args, QString(), QByteArray(), environment);
        EXPECT_EQ(result.exitCode, 0) << args.join(' ').toStdString();
        return result.err.contains(QLatin1String("libavformat.so"));
    };
    const QString mp3 = fixturePath("audio/cbr_mpeg1_stereo.mp3");
    const QString flac = fixturePath("audio/tone.flac");
    EXPECT_FALSE(loadsFFmpeg({"show", "--json", mp3, flac}));
    EXPECT_FALSE(loadsFFmpeg({"show", "--audio", mp3}));   // our own frame analysis
    EXPECT_TRUE(loadsFFmpeg({"show", "--audio", flac}));
    EXPECT_FALSE(loadsFFmpeg({"show", "--audio", flac}));   // now from the cache
}

TEST(CliUsageTest, MisuseExitsTwoWithUsageAndHelpSucceeds)
{
    const QList<QStringList> misuses = {
        {}, {"list", "a.mp3"}, {"show"}, {"show", "--yaml", "a.mp3"}, {"set", "a.mp3"},
        {"set", "title=x"}, {"set", "colour=red", "a.mp3"}, {"set", "size=1", "a.mp3"},
        {"set", "path=/x", "a.mp3"}, {"set", "title=x", "a.mp3", "year=2000"},
        {"set", "title=x", "notkeyvalue", "--", "a.mp3"}};
    for (const QStringList& args : misuses) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("Usage:")) << args.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << args.join(' ').toStdString();
    }
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"set", "--help"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(result.out.contains("tagmint-cli show [--json] [--audio] PATH..."));
    }
}
