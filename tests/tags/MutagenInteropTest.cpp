// Tagmint against mutagen, which shares no code with TagLib: each must see
// what the other wrote.

#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

struct TextField {
    const char* frame;
    QString value;
    QString (QZTagLibTag::*get)() const;
    void (QZTagLibTag::*set)(const QString&);
};

const TextField kTextFields[] = {
    {"TIT2", QStringLiteral("Ça va? — ÅÄÖ 音楽"), &QZTagLibTag::title, &QZTagLibTag::setTitle},
    {"TPE1", "Artist", &QZTagLibTag::artist, &QZTagLibTag::setArtist},
    {"TALB", "Album", &QZTagLibTag::album, &QZTagLibTag::setAlbum},
    {"TPE2", "Album Artist", &QZTagLibTag::albumArtist, &QZTagLibTag::setAlbumArtist},
    {"TCON", "Funk", &QZTagLibTag::genre, &QZTagLibTag::setGenre},
    {"TCOM", "Composer", &QZTagLibTag::composer, &QZTagLibTag::setComposer},
    {"TIT1", "Grouping", &QZTagLibTag::grouping, &QZTagLibTag::setGrouping},
    {"TCOP", "(c) 2020", &QZTagLibTag::copyright, &QZTagLibTag::setCopyright},
    {"TENC", "Encoder", &QZTagLibTag::encodedBy, &QZTagLibTag::setEncodedBy},
    {"TKEY", "Dm", &QZTagLibTag::initialKey, &QZTagLibTag::setInitialKey},
};
const QString kComment = QStringLiteral("Kommentar äö");

void expectFieldsInTag(const QZTagLibTag& tag)
{
    for (const TextField& field : kTextFields)
        EXPECT_EQ((tag.*field.get)(), field.value) << field.frame;
    EXPECT_EQ(tag.comment(), kComment);
    EXPECT_EQ(tag.tempo(), 133);
    EXPECT_EQ(tag.year(), 2020);
    EXPECT_EQ(tag.trackNumber(), 6);
    EXPECT_EQ(tag.tracksTotal(), 11);
    EXPECT_EQ(tag.discNumber(), 2);
    EXPECT_EQ(tag.discsTotal(), 3);
}

TEST(MutagenInterop, MutagenReadsWhatWeWrite)
{
    const QImage cover = solidImage(20, 10, Qt::darkCyan);
    TempDir dir;
    for (const char* fixture : {"plain.mp3", "plain.aiff"}) {
        SCOPED_TRACE(fixture);
        const QString path = dir.copyFixture(fixture);
        {
            auto tag = openTag(path);
            for (const TextField& field : kTextFields)
                ((*tag).*field.set)(field.value);
            tag->setComment(kComment);
            tag->setTempo(133);
            tag->setYear(2020);
            tag->setTrackNumber(6);
            tag->setTracksTotal(11);
            tag->setDiscNumber(2);
            tag->setDiscsTotal(3);
            tag->setTagImage(cover);
            ASSERT_TRUE(tag->save());
        }
        const QJsonObject seen = mutagenRead(path);
        EXPECT_EQ(seen["id3v2Version"].toString(), "2.4");
        for (const TextField& field : kTextFields)
            EXPECT_EQ(frameTexts(seen, field.frame), QStringList{field.value});
        EXPECT_EQ(frameTexts(seen, "TBPM"), QStringList{"133"});
        EXPECT_EQ(frameTexts(seen, "TDRC"), QStringList{"2020"});
        EXPECT_EQ(frameTexts(seen, "TRCK"), QStringList{"6/11"});
        EXPECT_EQ(frameTexts(seen, "TPOS"), QStringList{"2/3"});
        const QJsonObject frames = seen["frames"].toObject();
        ASSERT_EQ(frames["COMM"].toArray().size(), 1);
        EXPECT_EQ(frames["COMM"][0]["lang"].toString(), "eng");
        EXPECT_EQ(frames["COMM"][0]["desc"].toString(), "");
        EXPECT_EQ(frames["COMM"][0]["text"].toString(), kComment);
        ASSERT_EQ(frames["APIC"].toArray().size(), 1);
        EXPECT_EQ(frames["APIC"][0]["mime"].toString(), "image/jpeg");
        EXPECT_EQ(frames["APIC"][0]["md5"].toString(), encodedMd5(cover));
        if (QString(fixture).endsWith(".mp3")) {
            // TagLib's duplication adds an ID3v1 copy of what fits.
            EXPECT_EQ(seen["id3v1"]["artist"].toString(), "Artist");
            EXPECT_EQ(seen["id3v1"]["track"].toInt(), 6);
        }
        expectFieldsInTag(*openTag(path));
    }
}

TEST(MutagenInterop, WeLoadWhatMutagenWritesAsID3v23AndID3v24)
{
    QJsonObject text{{"TBPM", "133"}, {"TDRC", "2020"}, {"TRCK", "6/11"}, {"TPOS", "2/3"}};
    for (const TextField& field : kTextFields)
        text[field.frame] = field.value;
    TempDir dir;
    for (const char* fixture : {"plain.mp3", "plain.aiff"}) {
        for (int version : {3, 4}) {
            SCOPED_TRACE(QStringLiteral("%1 v2.%2").arg(fixture).arg(version).toStdString());
            const QString path = dir.copyFixture(fixture);
            ASSERT_TRUE(mutagenWrite(path, {
                {"version", version}, {"text", text},
                {"comments", QJsonArray{QJsonObject{{"lang", "eng"}, {"text", kComment}}}},
                {"pictures", QJsonArray{QJsonObject{{"file", fixturePath("cover.png")},
                                                    {"mime", "image/png"}, {"type", 3}}}}}));
            auto tag = openTag(path);
            ASSERT_NE(tag, nullptr);
            EXPECT_EQ(tag->tagFormat(), QStringLiteral("ID3v2.%1.0").arg(version));
            expectFieldsInTag(*tag);
            ASSERT_EQ(tag->images().size(), 1);
            EXPECT_EQ(tag->images().first().type, 3);
            EXPECT_EQ(tag->images().first().image.size(), QSize(16, 16));
        }
    }
}

TEST(MutagenInterop, WeLoadID3v1WrittenBesideID3v2)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.mp3");
    ASSERT_TRUE(mutagenWrite(path, {
        {"version", 3},
        {"text", QJsonObject{{"TIT2", "Long ID3v2 title beyond thirty characters"}}},
        {"id3v1", QJsonObject{{"title", "Long ID3v2 title beyond thirty"}, {"artist", "V1 only"},
                              {"year", "1977"}, {"comment", "v1 note"}, {"track", 12},
                              {"genre", 13}}}}));
    auto tag = openTag(path);
    EXPECT_TRUE(tag->hasID3v1Tag());
    EXPECT_EQ(tag->tagFormat(), "ID3v1, ID3v2.3.0");
    EXPECT_EQ(tag->title(), "Long ID3v2 title beyond thirty characters");   // ID3v2 wins
    EXPECT_EQ(tag->artist(), "V1 only");                                   // ID3v1 fills in
    EXPECT_EQ(tag->year(), 1977);
    EXPECT_EQ(tag->comment(), "v1 note");
    EXPECT_EQ(tag->trackNumber(), 12);
    EXPECT_EQ(tag->genre(), "Pop");
}

} // namespace
