// Tags from paths: the layouts of real collections (one table, shared with
// the command line's end-to-end test) and the pieces the parser is built of.

#include "naming/PathTags.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tagmint::naming;

TEST(PathLayouts, EveryLayoutOfTheTableYieldsItsEightValues)
{
    QFile file(QStringLiteral(TAGMINT_TEST_DATA_DIR "/path_layouts.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray layouts = QJsonDocument::fromJson(file.readAll()).array();
    ASSERT_GE(layouts.size(), 20);
    for (const QJsonValue& entry : layouts) {
        const QJsonObject layout = entry.toObject();
        const QString path = layout.value(QStringLiteral("path")).toString();
        const TagValues values = parseTagsFromPath(path);
        EXPECT_EQ(values.keys().size(), 8) << path.toStdString();
        for (const QString& key : pathTagKeys())
            EXPECT_EQ(values.value(key), layout.value(key).toString()) << path.toStdString() << " " << key.toStdString();
    }
}

TEST(PathLayouts, OptionsChooseNamesOrNumbers)
{
    const QString path = QStringLiteral("/m/Miles Davis/Kind of Blue (1959)/01 - So What.mp3");
    const TagValues names = parseTagsFromPath(path, ParseNames);
    EXPECT_EQ(names.value("title"), "So What");
    EXPECT_EQ(names.value("year"), "");
    EXPECT_EQ(names.value("trackNumber"), "");
    const TagValues numbers = parseTagsFromPath(path, ParseNumbers);
    EXPECT_EQ(numbers.value("title"), "");
    EXPECT_EQ(numbers.value("year"), "1959");
    EXPECT_EQ(numbers.value("trackNumber"), "1");
    const TagValues nothing = parseTagsFromPath(path, 0);
    EXPECT_EQ(nothing.keys(), parseTagsFromPath(QString()).keys());
    for (const QString& value : nothing)
        EXPECT_TRUE(value.isEmpty());
}

TEST(PathComponents, CountFromTheEndPastDiscScanAndNumberFolders)
{
    const QString path = QStringLiteral("/Music/Artist/Blue Train/CD2/03 Song.mp3");
    EXPECT_EQ(pathComponentAtLevel(path, 0), "03 Song.mp3");
    EXPECT_EQ(pathComponentAtLevel(path, 1), "Blue Train");
    EXPECT_EQ(pathComponentAtLevel(path, 2), "Artist");
    EXPECT_EQ(pathComponentAtLevel(path, 3), "Music");
    EXPECT_EQ(pathComponentAtLevel(path, 4), "");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/01/2/Cover/Scans/x.mp3", 1), "Scans");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/01/2/Cover/x.mp3", 1), "Artist");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/Texts and Notes/x.mp3", 1), "Texts and Notes");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/Blue Train/../x.mp3", 1), "Artist");
    EXPECT_EQ(pathComponentAtLevel("Artist//Blue Train///x.mp3", 1), "Blue Train");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/Album/x.mp3", 1), "Artist");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/Disc 1/x.mp3", 1), "Artist");
    EXPECT_EQ(pathComponentAtLevel("/a/Artist/Cd.mp3", 0), "Cd.mp3");
    EXPECT_EQ(pathComponentAtLevel("x", 0), "");
    EXPECT_EQ(pathComponentAtLevel("/", 0), "");
}

TEST(PathComponents, ExtensionsGoWhenTheyLookLikeOne)
{
    EXPECT_EQ(stripKnownExtensions("Song.mp3"), "Song");
    EXPECT_EQ(stripKnownExtensions("Song.flac"), "Song");
    EXPECT_EQ(stripKnownExtensions("Song.mp3.bak"), "Song");
    EXPECT_EQ(stripKnownExtensions("Track.Final.Mix"), "Track.Final");
    EXPECT_EQ(stripKnownExtensions("Feat. Me.mp3"), "Feat. Me");
    EXPECT_EQ(stripKnownExtensions("Vol.10.mp3"), "Vol.10");
    EXPECT_EQ(stripKnownExtensions("No Extension"), "No Extension");
}

TEST(PathTokens, NumbersAndArtistTitleSplits)
{
    EXPECT_TRUE(isAllDigits("07"));
    EXPECT_FALSE(isAllDigits("0"));
    EXPECT_FALSE(isAllDigits("7a"));
    EXPECT_FALSE(isAllDigits(""));
    EXPECT_TRUE(isLeadingNumberToken("07"));
    EXPECT_TRUE(isLeadingNumberToken("7.Title"));
    EXPECT_FALSE(isLeadingNumberToken("7a"));
    EXPECT_FALSE(isLeadingNumberToken("A7"));

    const auto split = [](const char* text, const QStringList& hints = {}) {
        const ArtistTitle parts = splitArtistTitle(QString::fromUtf8(text), hints);
        return QStringList{parts.first, parts.second};
    };
    EXPECT_EQ(split("Artist - Title"), (QStringList{"Artist", "Title"}));
    EXPECT_EQ(split("07 - Artist - Title - 1999"), (QStringList{"Artist", "Title"}));
    EXPECT_EQ(split("Artist - Album - Title", {"artist"}), (QStringList{"Album", "Title"}));
    EXPECT_EQ(split("Artist - Title", {"Artist"}), (QStringList{"Artist", "Title"}));
    EXPECT_EQ(split("A - B - C - D"), (QStringList{"A", "B C D"}));
    EXPECT_EQ(split("07"), (QStringList{"07", ""}));
    EXPECT_EQ(split(" - Title - "), (QStringList{"Title", ""}));
}
