#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

// Every COMM frame as "lang:desc:text", sorted.
QStringList comments(const QString& path)
{
    QStringList all;
    for (const QJsonValue& c : mutagenRead(path)["frames"].toObject()["COMM"].toArray())
        all << c["lang"].toString() + ':' + c["desc"].toString() + ':' + c["text"].toString();
    all.sort();
    return all;
}

QJsonObject comment(const char* lang, const char* desc, const char* text)
{
    return {{"lang", lang}, {"desc", desc}, {"text", text}};
}

void saveKeepingAudio(QZTagLibTag& tag)
{
    const QString before = audioPacketDigest(tag.path());
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(tag.save());
    EXPECT_EQ(audioPacketDigest(tag.path()), before);
}

TEST(MPEGTag, NamesTheTagsPresent)
{
    const struct {
        const char* fixture;
        const char* format;
        bool id3v1;
    } cases[] = {
        {"plain.mp3", "ID3v2.4.0", false},         {"tagged_v24.mp3", "ID3v2.4.0", false},
        {"tagged_v23_v1.mp3", "ID3v1, ID3v2.3.0", true}, {"v1_only.mp3", "ID3v1, ID3v2.4.0", true},
        {"plain.aiff", "ID3v2.4.0", false},        {"tagged.aiff", "ID3v2.4.0", false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        auto tag = openTag(dir.copyFixture(c.fixture));
        ASSERT_NE(tag, nullptr) << c.fixture;
        EXPECT_EQ(tag->tagFormat(), c.format) << c.fixture;
        EXPECT_EQ(tag->hasID3v1Tag(), c.id3v1) << c.fixture;
        EXPECT_TRUE(tag->hasID3v2Tag()) << c.fixture;
    }
    // An empty ID3v1 tag is on disk, but not one to keep in step.
    const QString path = dir.copyFixture("tagged_v24.mp3", "empty_v1.mp3");
    ASSERT_TRUE(mutagenWrite(path, {{"id3v1", QJsonObject{{"genre", 255}}}}));
    auto tag = openTag(path);
    EXPECT_EQ(tag->tagFormat(), "ID3v1, ID3v2.4.0");
    EXPECT_FALSE(tag->hasID3v1Tag());
}

TEST(MPEGTag, ClearedFieldsLeaveOnlyTheZeroDisc)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged_v24.mp3");
    {
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        for (auto setter : {&QZTagLibTag::setTitle, &QZTagLibTag::setArtist, &QZTagLibTag::setAlbum,
                            &QZTagLibTag::setAlbumArtist, &QZTagLibTag::setGenre,
                            &QZTagLibTag::setComment, &QZTagLibTag::setComposer,
                            &QZTagLibTag::setGrouping, &QZTagLibTag::setCopyright,
                            &QZTagLibTag::setEncodedBy, &QZTagLibTag::setInitialKey})
            ((*tag).*setter)(QString());
        tag->setTempo(0);
        tag->setYear(0);
        tag->setTrackNumber(0);
        tag->setTracksTotal(12);   // a total without its number is dropped
        tag->setDiscNumber(0);
        tag->setDiscsTotal(3);
        tag->setTagImage(QImage());
        saveKeepingAudio(*tag);
    }
    // A missing disc number is written as "0", unlike a missing track.
    const QJsonObject seen = mutagenRead(path);
    EXPECT_EQ(seen["frames"].toObject().keys(), QStringList{"TPOS"});
    EXPECT_EQ(frameTexts(seen, "TPOS"), QStringList{"0"});
    EXPECT_TRUE(seen["id3v1"].isNull());
    auto tag = openTag(path);
    EXPECT_EQ(tag->discNumber(), 0);
    EXPECT_EQ(tag->discsTotal(), 0);
}

TEST(MPEGTag, ID3v1FillsInAndIsKeptInStep)
{
    TempDir dir;
    const QString path = dir.copyFixture("v1_only.mp3");
    {
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->title(), "V1 Title");
        EXPECT_EQ(tag->trackNumber(), 9);
        saveKeepingAudio(*tag);
    }
    QJsonObject seen = mutagenRead(path);
    EXPECT_EQ(frameTexts(seen, "TRCK"), QStringList{"9"});
    EXPECT_EQ(frameTexts(seen, "TIT2"), QStringList{"V1 Title"});
    EXPECT_EQ(seen["id3v1"].toObject()["track"].toInt(), 9);
    {
        auto tag = openTag(path);
        tag->setTitle("New Title");
        tag->setComment("New comment");
        tag->setGenre("Blues");
        tag->setYear(2011);
        tag->setTrackNumber(4);
        saveKeepingAudio(*tag);
    }
    seen = mutagenRead(path);
    EXPECT_EQ(frameTexts(seen, "TIT2"), QStringList{"New Title"});
    const QJsonObject v1 = seen["id3v1"].toObject();
    EXPECT_EQ(v1["title"].toString(), "New Title");
    EXPECT_EQ(v1["comment"].toString(), "New comment");
    EXPECT_EQ(v1["year"].toString(), "2011");
    EXPECT_EQ(v1["track"].toInt(), 4);
    EXPECT_EQ(v1["genre"].toInt(), 0);   // Blues
}

TEST(MPEGTag, EditsTheLastPlainCommentInARealLanguage)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.mp3");
    ASSERT_TRUE(mutagenWrite(path, {{"comments", QJsonArray{
        comment("eng", "", "english"), comment("eng", "iTunNORM", "0000 1111"),
        comment("fra", "", "francais"), comment("XXX", "", "placeholder")}}}));
    {
        auto tag = openTag(path);
        EXPECT_EQ(tag->comment(), "francais");
        tag->setComment("changed");
        saveKeepingAudio(*tag);
    }
    EXPECT_EQ(comments(path), QStringList({"XXX::placeholder", "eng::english",
                                           "eng:iTunNORM:0000 1111", "fra::changed"}));
    {
        auto tag = openTag(path);
        tag->setComment(QString());   // clears every comment, described ones too
        saveKeepingAudio(*tag);
    }
    EXPECT_TRUE(comments(path).isEmpty());
}

TEST(MPEGTag, WithoutAPlainCommentShowsTheGenericOneAndAddsAnEnglishOne)
{
    const struct {
        const char* lang;
        const char* desc;
    } others[] = {{"eng", "iTunNORM"}, {"und", ""}, {"xxx", ""}, {"Pur", ""}};
    TempDir dir;
    for (const auto& other : others) {
        const QString path = dir.copyFixture("plain.mp3");
        ASSERT_TRUE(mutagenWrite(path, {{"comments", QJsonArray{comment(other.lang, other.desc, "x")}}}));
        {
            auto tag = openTag(path);
            EXPECT_EQ(tag->comment(), "x") << other.lang;
            tag->setComment("mine");
            ASSERT_TRUE(tag->save());
        }
        const QString kept = QStringLiteral("%1:%2:x").arg(other.lang, other.desc);
        QStringList expected{kept, "eng::mine"};
        expected.sort();
        EXPECT_EQ(comments(path), expected);
        EXPECT_EQ(openTag(path)->comment(), "mine");
    }
}

TEST(MPEGTag, NumericGenreIsSavedAsItsName)
{
    const struct {
        int version;
        const char* stored;
    } cases[] = {{3, "(17)"}, {4, "17"}, {4, "(17)"}};
    TempDir dir;
    for (const auto& c : cases) {
        const QString path = dir.copyFixture("plain.mp3");
        ASSERT_TRUE(mutagenWrite(path, {{"version", c.version}, {"text", QJsonObject{{"TCON", c.stored}}}}));
        ASSERT_EQ(frameTexts(mutagenRead(path), "TCON"), QStringList{c.stored});
        {
            auto tag = openTag(path);
            EXPECT_EQ(tag->genre(), "Rock") << c.stored;
            ASSERT_TRUE(tag->save());
        }
        EXPECT_EQ(frameTexts(mutagenRead(path), "TCON"), QStringList{"Rock"}) << c.stored;
    }
}

} // namespace
