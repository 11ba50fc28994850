#include "tags/QZTagLibMP4Tag.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

QJsonValue item(const QString& path, const char* utf8Key)
{
    return mutagenRead(path)["items"].toObject()[QString::fromUtf8(utf8Key)];
}

QJsonArray pair(int number, int total)
{
    return QJsonArray{QJsonValue(QJsonArray{number, total})};
}

QJsonObject cover(const QByteArray& bytes, int format)
{
    return {{"base64", QString::fromLatin1(bytes.toBase64())}, {"format", format}};
}

// Saves and checks the audio packets stayed as they were.
void saveKeepingAudio(std::unique_ptr<QZTagLibTag>& tag)
{
    const QString path = tag->path();
    const QString before = audioPacketDigest(path);
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(tag->save());
    tag.reset();
    EXPECT_EQ(audioPacketDigest(path), before);
}

TEST(MP4Tag, ReadsItemsAndCoversWithoutPictureTypes)
{
    TempDir dir;
    auto tag = openTag(dir.copyFixture("tagged.m4a", "clip.MOV"));
    ASSERT_TRUE(dynamic_cast<QZTagLibMP4Tag*>(tag.get()));
    // Every field against mutagen: Mp4Interop.
    EXPECT_EQ(tag->initialKey(), "F#m");   // a freeform item
    EXPECT_EQ(tag->tagFormat(), "MP4");
    const QList<QZTagLibTagImage> images = tag->images();
    ASSERT_EQ(images.size(), 2);
    EXPECT_FALSE(images[0].type || images[1].type);
    EXPECT_EQ(images[1].image, QImage(fixturePath("cover.png")));
}

TEST(MP4Tag, ItemWritingRules)
{
    TempDir dir;
    const QString plain = dir.copyFixture("plain.m4a");
    auto tag = openTag(plain);
    saveKeepingAudio(tag);
    EXPECT_EQ(item(plain, "trkn"), pair(0, 0));   // pairs are always written
    EXPECT_EQ(item(plain, "disk"), pair(0, 0));

    const QString path = dir.copyFixture("tagged.m4a");
    ASSERT_TRUE(mutagenWrite(path, {{"items", QJsonObject{
        {QString::fromUtf8("\u00a9ART"), QJsonArray{"One", "Two"}}, {QString::fromUtf8("\u00a9day"), "2011-03-04"}}}}));
    tag = openTag(path);
    EXPECT_EQ(tag->artist(), "One, Two");
    // Unchanged values keep their stored form; tempo 0 is written, not
    // removed; empty texts erase their items.
    tag->setArtist(tag->artist());
    tag->setYear(tag->year());
    tag->setTempo(0);
    tag->setTrackNumber(-3);
    tag->setDiscsTotal(4);
    for (auto setter : {&QZTagLibTag::setAlbumArtist, &QZTagLibTag::setCopyright,
                        &QZTagLibTag::setComposer, &QZTagLibTag::setInitialKey})
        ((*tag).*setter)(QString());
    ASSERT_TRUE(tag->save());
    tag.reset();
    EXPECT_EQ(openTag(path)->tempo(), 0);
    const QJsonObject items = mutagenRead(path)["items"].toObject();
    EXPECT_EQ(items[QString::fromUtf8("\u00a9ART")], QJsonArray({"One", "Two"}));
    EXPECT_EQ(items[QString::fromUtf8("\u00a9day")], QJsonArray{"2011-03-04"});
    EXPECT_EQ(items["tmpo"], QJsonArray{0});
    EXPECT_EQ(items["trkn"], pair(0, 12));
    EXPECT_EQ(items["disk"], pair(1, 4));
    for (const char* key : {"aART", "cprt", "\u00a9wrt", "----:com.apple.iTunes:initialkey"})
        EXPECT_FALSE(items.contains(QString::fromUtf8(key))) << key;
    EXPECT_TRUE(items.contains(QString::fromUtf8("\u00a9grp")));
}

TEST(MP4Tag, NewCoverReplacesTheFirstKeepsTheRestAndSkipsBrokenOnes)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.m4a");
    const QByteArray png = makeImageBytes(5, 3, "PNG");
    ASSERT_TRUE(mutagenWrite(path, {{"covers", QJsonArray{
        cover("not a picture", 13), cover(png, 14), cover(makeImageBytes(4, 4), 13)}}}));
    const QJsonArray before = mutagenRead(path)["covers"].toArray();
    auto tag = openTag(path);
    EXPECT_TRUE(tag->hasImages());
    EXPECT_EQ(tag->images().size(), 2);
    EXPECT_EQ(tag->firstImage().size(), QSize(5, 3));

    const QImage replacement = solidImage(8, 8, Qt::yellow);
    tag->setTagImage(replacement);
    saveKeepingAudio(tag);
    const QJsonArray after = mutagenRead(path)["covers"].toArray();
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after[0].toObject()["md5"].toString(), encodedMd5(replacement));
    EXPECT_EQ(after[0].toObject()["format"].toInt(), 13);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);

    tag = openTag(path);
    tag->setTagImage(QImage());
    ASSERT_TRUE(tag->save());
    EXPECT_TRUE(mutagenRead(path)["covers"].toArray().isEmpty());

    // JPEG cannot hold an image this wide: the cover is PNG, format 14.
    tag.reset();
    tag = openTag(path);
    tag->setTagImage(solidImage(70000, 1, Qt::red));
    ASSERT_TRUE(tag->save());
    EXPECT_EQ(mutagenRead(path)["covers"][0]["format"].toInt(), 14);
}

TEST(MP4Tag, SavingKeepsAudioWhereverTheMovieHeaderIs)
{
    // plain.m4a has its movie header after the media data, tagged.m4a before
    // it, so there a growing header moves the media data.
    TempDir dir;
    for (const char* fixture : {"plain.m4a", "tagged.m4a"}) {
        const QString path = dir.copyFixture(fixture);
        auto tag = openTag(path);
        tag->setTitle(QString(5000, QLatin1Char('x')));
        tag->setTagImage(solidImage(200, 200, Qt::magenta));
        saveKeepingAudio(tag);
        tag = openTag(path);
        ASSERT_TRUE(tag) << fixture;
        EXPECT_EQ(tag->title().size(), 5000) << fixture;
        EXPECT_EQ(tag->firstImage().size(), QSize(200, 200)) << fixture;
    }
}

TEST(MP4Tag, DamagedFilesAreRefusedAndNeverWritten)
{
    TempDir dir;
    const QByteArray moovLast = readAll(fixturePath("plain.m4a"));
    const QByteArray moovFirst = readAll(fixturePath("tagged.m4a"));
    const qsizetype moovAt = moovLast.indexOf("moov") - 4;
    const qsizetype mdatAt = moovFirst.indexOf("mdat") - 4;
    ASSERT_TRUE(moovAt > 0 && mdatAt > 0);

    const std::pair<const char*, QByteArray> damaged[] = {
        {"empty.m4a", QByteArray()},
        {"garbage.m4a", QByteArray(3000, '\x7F')},
        {"junk_atom_first.m4a", QByteArray("\0\0\0\x10junkjunkjunk", 16) + moovFirst},
        {"cut_in_movie.m4a", moovLast.left(moovAt + 300)},
        {"cut_in_media.m4a", moovFirst.left(mdatAt + 100)},
        {"trailing_bytes.m4a", moovLast + "abc"},
        {"empty_movie.m4a", QByteArray("\0\0\0\x08moov", 8)},
        {"movie_without_header.m4a", QByteArray("\0\0\0\x10moov\0\0\0\x08" "abcd", 16)},
    };
    for (const auto& [name, bytes] : damaged)
        expectRefusedAndNeverWritten(dir, name, bytes);
    // A free atom after the movie is padding, not damage.
    const QByteArray padding = QByteArray("\0\0\0\x10" "free", 8) + QByteArray(8, '\0');
    EXPECT_TRUE(QZTagLibTag::tagWithPath(dir.writeFile("padded.m4a", moovLast + padding), 0));
}

} // namespace
