// Round trips through the record against mutagen, an independent reader
// and writer, for Xiph comments and MP4 items.

#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

TEST(FlacInterop, MutagenReadsWhatWeWrite)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.flac");
    const QString picture = editAndSave(path);
    const QJsonObject seen = mutagenRead(path);
    EXPECT_EQ(texts(seen["vorbis"].toObject()), kEditedXiphFields);
    ASSERT_EQ(seen["pictures"].toArray().size(), 1);
    EXPECT_EQ(seen["pictures"][0]["mime"].toString(), "image/jpeg");
    EXPECT_EQ(seen["pictures"][0]["md5"].toString(), picture);
    EXPECT_FALSE(seen["hasID3v2"].toBool());   // no ID3 tag is added
    EXPECT_TRUE(seen["id3v1"].isNull());
}

TEST(FlacInterop, WeLoadWhatMutagenWrites)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.flac");
    const QByteArray cover = makeImageBytes(7, 5, "PNG");
    ASSERT_TRUE(mutagenWrite(path, {
        {"vorbis", QJsonObject{{"ALBUMARTIST2", "Second Key"}, {"TRACKNUM", "4/10"},
                               {"DISCNUMBER", "2/3"}, {"BPM", "98"}, {"date", "1987"},
                               {"Composer", "Mixed Case Key"}}},
        {"flacPictures", QJsonArray{QJsonObject{{"base64", QString::fromLatin1(cover.toBase64())},
                                                {"mime", "image/png"}, {"type", 4}}}}}));
    const QZTagLibRecord record(path, 0);
    const QMap<QString, QString> expected = {
        {"albumArtist", "Second Key"}, {"trackNumber", "4"}, {"tracksTotal", "10"}, {"discNumber", "2"},
        {"discsTotal", "3"}, {"tempo", "98"}, {"year", "1987"}, {"composer", "Mixed Case Key"},
    };
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(record.value(it.key()).toString(), it.value()) << qPrintable(it.key());
    EXPECT_EQ(record.image().size(), QSize(7, 5));
}

TEST(Mp4Interop, MutagenReadsWhatWeWrite)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.m4a");
    const QString picture = editAndSave(path);
    const QJsonObject seen = mutagenRead(path);
    const QMap<QString, QString> expected = {
        {QString::fromUtf8("\u00a9nam"), kTitle}, {QString::fromUtf8("\u00a9ART"), "An Artist"},
        {QString::fromUtf8("\u00a9alb"), "An Album"}, {"aART", "Album Artist"},
        {QString::fromUtf8("\u00a9gen"), "Ambient"}, {QString::fromUtf8("\u00a9cmt"), "A comment"},
        {QString::fromUtf8("\u00a9wrt"), "A Composer"}, {QString::fromUtf8("\u00a9grp"), "A Grouping"},
        {QString::fromUtf8("\u00a9too"), "An Encoder"}, {"cprt", "2020 Label"},
        {"----:com.apple.iTunes:initialkey", "C#m"}, {QString::fromUtf8("\u00a9day"), "2020"},
        {"tmpo", "121"}, {"trkn", "5/12"}, {"disk", "1/2"},
    };
    EXPECT_EQ(texts(seen["items"].toObject()), expected);
    ASSERT_EQ(seen["covers"].toArray().size(), 1);
    EXPECT_EQ(seen["covers"][0]["format"].toInt(), 13);
    EXPECT_EQ(seen["covers"][0]["md5"].toString(), picture);
}

TEST(Mp4Interop, WeLoadWhatMutagenWritesAndKeepItsCoverOrder)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.m4a");   // written by mutagen
    const QJsonArray before = mutagenRead(path)["covers"].toArray();
    ASSERT_EQ(before.size(), 2);
    QZTagLibRecord record(path, 0);
    EXPECT_EQ(record.value("albumArtist").toString(), "MP4 Album Artist");
    EXPECT_EQ(record.value("composer").toString(), "MP4 Composer");
    EXPECT_EQ(record.value("copyright").toString(), "2011 MP4 Label");
    EXPECT_EQ(record.value("discsTotal").toString(), "2");
    EXPECT_EQ(record.image().size(), QSize(16, 16));

    const QImage image = solidImage(3, 3, Qt::cyan);
    record.setImage(image);
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    const QJsonArray after = mutagenRead(path)["covers"].toArray();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].toObject()["md5"].toString(), encodedMd5(image));
    EXPECT_EQ(after[1], before[1]);
}

} // namespace
