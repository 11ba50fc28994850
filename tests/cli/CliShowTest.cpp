// tagmint-cli show, run as a separate process on fixture copies.

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

const QString kMp3Fixture = QStringLiteral("tagged.mp3");

const QStringList kTextKeys = {
    "title", "artist", "album", "albumArtist", "genre", "comment", "composer", "grouping",
    "copyright", "encodedBy", "initialKey", "tempo", "year", "trackNumber", "tracksTotal",
    "discNumber", "discsTotal", "filename", "folder", "path", "pathext", "sizeStr", "tagFormat",
};
const QStringList kFlagKeys = {"isReadOnly", "hasInvalidTags", "hasID3v1Tag", "hasID3v2Tag"};

// Gives the copy exactly these tags, written by mutagen, so the expected
// values do not depend on what the fixture happens to carry.
void writeKnownTags(const QString& path)
{
    const QJsonObject text{
        {"TIT2", "Blue Song"}, {"TPE1", "The Artist"}, {"TALB", "The Album"},
        {"TPE2", "Various"},   {"TCON", "Jazz"},       {"TCOM", "Composer Name"},
        {"TIT1", "Grouping"},  {"TCOP", "2001 Label"}, {"TENC", "Encoder"},
        {"TKEY", "Am"},        {"TBPM", "120"},        {"TDRC", "1999"},
        {"TRCK", "3/12"},      {"TPOS", "1/2"},
    };
    const QJsonObject picture{{"base64", QString::fromLatin1(makeImageBytes(40, 30).toBase64())},
                              {"mime", "image/jpeg"},
                              {"type", 3}};
    const QJsonObject edits{
        {"clear", true},
        {"text", text},
        {"comments", QJsonArray{QJsonObject{{"lang", "eng"}, {"desc", ""}, {"text", "Liner note"}}}},
        {"pictures", QJsonArray{picture}},
        {"id3v1", QJsonValue::Null},
    };
    ASSERT_TRUE(mutagenWrite(path, edits));
}

QJsonObject parseLine(const QString& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    return document.object();
}

class CliShowTest : public ::testing::Test {
protected:
    TempDir dir;
};

} // namespace

TEST_F(CliShowTest, JsonCarriesEveryFieldWithItsType)
{
    const QString path = dir.copyFixture(kMp3Fixture, "Blue Song.mp3");
    writeKnownTags(path);

    const CliResult result = runCli({"show", "--json", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_EQ(result.outLines().size(), 1);
    const QJsonObject object = parseLine(result.outLines().first());

    QStringList expectedKeys = kTextKeys + kFlagKeys;
    expectedKeys << "size" << "image";
    QStringList keys = object.keys();
    keys.sort();
    expectedKeys.sort();
    EXPECT_EQ(keys, expectedKeys);

    for (const QString& key : kTextKeys)
        EXPECT_TRUE(object.value(key).isString()) << key.toStdString();
    for (const QString& key : kFlagKeys)
        EXPECT_TRUE(object.value(key).isBool()) << key.toStdString();
    ASSERT_TRUE(object.value("size").isDouble());
    EXPECT_EQ(qint64(object.value("size").toDouble()), QFileInfo(path).size());

    const QJsonObject expected{
        {"title", "Blue Song"},  {"artist", "The Artist"},  {"album", "The Album"},
        {"albumArtist", "Various"}, {"genre", "Jazz"},      {"comment", "Liner note"},
        {"composer", "Composer Name"}, {"grouping", "Grouping"}, {"copyright", "2001 Label"},
        {"encodedBy", "Encoder"}, {"initialKey", "Am"},     {"tempo", "120"},
        {"year", "1999"},        {"trackNumber", "3"},      {"tracksTotal", "12"},
        {"discNumber", "1"},     {"discsTotal", "2"},       {"filename", "Blue Song"},
        {"folder", QFileInfo(dir.path()).fileName()},       {"path", path},
        {"pathext", "mp3"},      {"isReadOnly", false},     {"hasInvalidTags", false},
        {"hasID3v1Tag", false},  {"hasID3v2Tag", true},
    };
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(object.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(object.value("tagFormat").toString().contains("ID3v2"));
    EXPECT_EQ(object.value("image").toObject(), (QJsonObject{{"width", 40}, {"height", 30}}));
}

TEST_F(CliShowTest, OneJsonLinePerFileInArgumentOrder)
{
    const QString first = dir.copyFixture(kMp3Fixture, "b.mp3");
    const QString second = dir.copyFixture(kMp3Fixture, "a.mp3");
    ASSERT_TRUE(mutagenWrite(second, QJsonObject{{"remove", QJsonArray{"APIC"}},
                                                 {"text", QJsonObject{{"TIT2", "Zwölf \"Uhr\""}}}}));

    const CliResult result = runCli({"show", "--json", first, second});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.outLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(parseLine(lines[0]).value("path").toString(), first);
    const QJsonObject secondObject = parseLine(lines[1]);
    EXPECT_EQ(secondObject.value("path").toString(), second);
    EXPECT_EQ(secondObject.value("title").toString(), QString::fromUtf8("Zwölf \"Uhr\""));
    EXPECT_TRUE(secondObject.value("image").isNull());
}

TEST_F(CliShowTest, TextFormIsKeyValueLinesWithBlankLineBetweenFiles)
{
    const QString first = dir.copyFixture(kMp3Fixture, "one.mp3");
    const QString second = dir.copyFixture(kMp3Fixture, "two.mp3");
    writeKnownTags(first);
    ASSERT_TRUE(mutagenWrite(second, QJsonObject{
        {"remove", QJsonArray{"APIC"}},
        {"comments", QJsonArray{QJsonObject{{"lang", "eng"}, {"desc", ""}, {"text", "line 1\nline 2"}}}}}));

    const CliResult result = runCli({"show", first, second});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList blocks = result.out.split("\n\n");
    ASSERT_EQ(blocks.size(), 2) << result.out.toStdString();

    const QStringList firstLines = blocks[0].split('\n');
    EXPECT_EQ(firstLines.first(), "title: Blue Song");
    EXPECT_TRUE(firstLines.contains("trackNumber: 3"));
    EXPECT_TRUE(firstLines.contains("path: " + first));
    EXPECT_TRUE(firstLines.contains("size: " + QString::number(QFileInfo(first).size())));
    EXPECT_TRUE(firstLines.contains("hasInvalidTags: false"));
    EXPECT_TRUE(firstLines.contains("hasID3v2Tag: true"));
    EXPECT_EQ(firstLines.last(), "image: 40x30");

    // A line break inside a value continues indented instead of posing as a key.
    const QStringList secondLines = blocks[1].split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(secondLines.contains("comment: line 1"));
    EXPECT_TRUE(secondLines.contains("  line 2"));
    EXPECT_EQ(secondLines.last(), "image: none");
    for (const QString& line : secondLines)
        EXPECT_TRUE(line.startsWith("  ") || line.contains(": ")) << line.toStdString();
}

TEST_F(CliShowTest, RelativePathsAreShownAsAbsoluteFields)
{
    QDir(dir.path()).mkdir("Album Folder");
    dir.copyFixture(kMp3Fixture, "Album Folder/track.mp3");

    const CliResult result = runCli({"show", "--json", "Album Folder/track.mp3"}, dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject object = parseLine(result.outLines().value(0));
    EXPECT_EQ(object.value("path").toString(), dir.filePath("Album Folder/track.mp3"));
    EXPECT_EQ(object.value("folder").toString(), "Album Folder");
    EXPECT_EQ(object.value("filename").toString(), "track");
}

TEST_F(CliShowTest, UnreadableFilesAreReportedWithoutStoppingTheOthers)
{
    const QString good = dir.copyFixture(kMp3Fixture, "good.mp3");
    const QString text = dir.writeFile("notes.txt", "not audio");
    const QString missing = dir.filePath("missing.mp3");

    const CliResult result = runCli({"show", "--json", text, good, missing});
    EXPECT_EQ(result.exitCode, 1);
    ASSERT_EQ(result.outLines().size(), 1);
    EXPECT_EQ(parseLine(result.outLines().first()).value("path").toString(), good);
    EXPECT_TRUE(result.err.contains(text + ": unsupported file type")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(missing + ": no such file")) << result.err.toStdString();
}

TEST_F(CliShowTest, DamagedMp3IsShownAsInvalidTags)
{
    const QString path = dir.writeFile("damaged.mp3", QByteArray(4096, '\x5a'));

    const CliResult result = runCli({"show", "--json", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject object = parseLine(result.outLines().value(0));
    EXPECT_EQ(object.value("hasInvalidTags"), QJsonValue(true));
    EXPECT_EQ(object.value("isReadOnly"), QJsonValue(true));
    EXPECT_EQ(object.value("tagFormat").toString(), "Invalid tags");
    EXPECT_EQ(object.value("sizeStr").toString(), "4.0 Kb");
    EXPECT_TRUE(object.value("image").isNull());
}

TEST(CliUsageTest, UsageErrorsExitTwoWithUsageOnStderr)
{
    const QList<QStringList> misuses = {
        {},
        {"list", "a.mp3"},
        {"show"},
        {"show", "--yaml", "a.mp3"},
        {"set", "a.mp3"},
        {"set", "title=x"},
        {"set", "colour=red", "a.mp3"},
        {"set", "size=1", "a.mp3"},
        {"set", "path=/x", "a.mp3"},
        {"set", "title=x", "a.mp3", "year=2000"},
        {"set", "title=x", "notkeyvalue", "--", "a.mp3"},
    };
    for (const QStringList& args : misuses) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("Usage:")) << args.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(CliUsageTest, HelpPrintsUsageAndSucceeds)
{
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"show", "--help"},
                                    QStringList{"set", "--help"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(result.out.contains("tagmint-cli show [--json] PATH..."));
        EXPECT_TRUE(result.out.contains("albumArtist"));
    }
}
