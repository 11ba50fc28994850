#include "tags/QZTagLibArtwork.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

QJsonArray pictureFrames(const QString& path)
{
    return mutagenRead(path)["frames"].toObject()["APIC"].toArray();
}

QJsonObject picture(const QByteArray& bytes, int type, const char* desc)
{
    return {{"base64", QString::fromLatin1(bytes.toBase64())}, {"type", type}, {"desc", desc}};
}

// Sets the image, saves, and answers the APIC frames mutagen then sees,
// reading while the wrapper is still open: save() must leave the file whole.
QJsonArray savedPictureFrames(const QString& path, const QImage& image)
{
    auto tag = openTag(path);
    tag->setTagImage(image);
    const QString digest = audioPacketDigest(path);
    EXPECT_TRUE(tag->save());
    EXPECT_EQ(audioPacketDigest(path), digest);
    return pictureFrames(path);
}

TEST(ArtworkInTag, ReadsDecodablePicturesInTagOrder)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.mp3");
    ASSERT_TRUE(mutagenWrite(path, {{"pictures", QJsonArray{
        picture("not an image", 3, "broken"), picture(QByteArray(), 3, "empty"),
        picture(makeImageBytes(5, 3, "PNG"), 4, "back"), picture(makeImageBytes(7, 2), 3, "front")}}}));
    auto tag = openTag(path);
    const QList<QZTagLibTagImage> images = tag->images();
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].type, 4);
    EXPECT_EQ(images[0].image.size(), QSize(5, 3));
    EXPECT_EQ(images[1].type, 3);
    EXPECT_EQ(images[1].image.size(), QSize(7, 2));
    EXPECT_EQ(tag->firstImage().size(), QSize(5, 3));

    const QString broken = dir.copyFixture("plain.mp3", "broken.mp3");
    ASSERT_TRUE(mutagenWrite(broken, {{"pictures", QJsonArray{picture("\xFF\xD8 cut", 3, "")}}}));
    tag = openTag(broken);
    EXPECT_TRUE(tag->hasImages());   // the frame is there, its picture is not
    EXPECT_TRUE(tag->images().isEmpty());
    EXPECT_TRUE(tag->firstImage().isNull());
    EXPECT_EQ(QZTagLibArtwork(tag.get()).status(), QZTagLibArtwork::NoImage);
}

TEST(ArtworkInTag, NewImageUpdatesTheFirstOfSeveralPictures)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.mp3");
    const QByteArray back = makeImageBytes(4, 4);
    const QByteArray leaflet = makeImageBytes(5, 5);
    ASSERT_TRUE(mutagenWrite(path, {{"pictures", QJsonArray{
        QJsonObject{{"file", fixturePath("cover.png")}, {"mime", "image/png"}, {"desc", "front"}},
        picture(back, 4, "back"), picture(leaflet, 5, "leaflet")}}}));
    const QImage replacement = solidImage(8, 6, Qt::red);
    const QJsonArray frames = savedPictureFrames(path, replacement);
    ASSERT_EQ(frames.size(), 3);
    EXPECT_EQ(frames[0]["type"].toInt(), 3);
    EXPECT_EQ(frames[0]["desc"].toString(), "front");
    EXPECT_EQ(frames[0]["mime"].toString(), "image/jpeg");
    EXPECT_EQ(frames[0]["md5"].toString(), encodedMd5(replacement));
    EXPECT_EQ(frames[1]["md5"].toString(), md5(back));
    EXPECT_EQ(frames[2]["md5"].toString(), md5(leaflet));
    EXPECT_EQ(openTag(path)->firstImage().size(), QSize(8, 6));
}

TEST(ArtworkInTag, NewImageReplacesASinglePictureWithAFrontCoverAsJPEGElsePNG)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged_v24.mp3");
    ASSERT_EQ(pictureFrames(path).at(0)["type"].toInt(), 3);
    const QJsonArray jpeg = savedPictureFrames(path, solidImage(10, 10, Qt::green));
    ASSERT_EQ(jpeg.size(), 1);
    EXPECT_EQ(jpeg[0]["type"].toInt(), 3);
    EXPECT_EQ(jpeg[0]["mime"].toString(), "image/jpeg");
    EXPECT_EQ(openTag(path)->firstImage().size(), QSize(10, 10));

    // Wider than JPEG's largest dimension, 65500.
    const QJsonArray png = savedPictureFrames(path, solidImage(65536, 1, Qt::yellow));
    ASSERT_EQ(png.size(), 1);
    EXPECT_EQ(png[0]["mime"].toString(), "image/png");
    EXPECT_EQ(openTag(path)->firstImage().size(), QSize(65536, 1));
}

TEST(ArtworkInTag, RemovedArtworkRemovesEveryPicture)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged_v24.mp3");
    ASSERT_TRUE(mutagenWrite(path, {{"pictures", QJsonArray{
        picture(makeImageBytes(2, 2), 4, "back"), picture("garbage", 5, "broken")}}}));
    auto tag = openTag(path);
    QZTagLibArtwork artwork(tag.get());
    artwork.setImage(QImage());
    ASSERT_TRUE(artwork.isDirty());
    tag.reset();
    EXPECT_TRUE(savedPictureFrames(path, artwork.currentImageWithTagProvider({})).isEmpty());
    EXPECT_EQ(openTag(path)->title(), QStringLiteral("Café Song"));
}

TEST(Artwork, ReplacementAndRemovalRevertToTheTagsState)
{
    TempDir dir;
    auto plain = openTag(dir.copyFixture("plain.mp3"));
    QZTagLibArtwork none(plain.get());
    EXPECT_EQ(none.status(), QZTagLibArtwork::NoImage);
    none.setImage(QImage());   // nothing to remove
    EXPECT_EQ(none.status(), QZTagLibArtwork::NoImage);
    const QImage added = solidImage(4, 4, Qt::red);
    none.setImage(added);
    EXPECT_EQ(none.status(), QZTagLibArtwork::NewImage);
    none.releaseImage();   // a replacement is not the tag's to drop
    EXPECT_EQ(none.currentImageWithTagProvider({}), added);
    none.revertChanges();
    EXPECT_EQ(none.status(), QZTagLibArtwork::NoImage);
    EXPECT_TRUE(none.currentImageWithTagProvider({}).isNull());

    auto tagged = openTag(dir.copyFixture("tagged_v24.mp3"));
    QZTagLibArtwork original(tagged.get());
    EXPECT_EQ(original.status(), QZTagLibArtwork::OriginalImage);
    original.setImage(QImage());
    EXPECT_EQ(original.status(), QZTagLibArtwork::ImageRemoved);
    EXPECT_TRUE(original.isDirty());
    EXPECT_TRUE(original.currentImageWithTagProvider([&] { return tagged.get(); }).isNull());
    original.revertChanges();
    EXPECT_EQ(original.status(), QZTagLibArtwork::OriginalImage);
    EXPECT_FALSE(original.isDirty());
}

TEST(Artwork, DroppedOriginalIsReadAgainThroughTheProvider)
{
    TempDir dir;
    auto tag = openTag(dir.copyFixture("tagged_v24.mp3"));
    int provided = 0;
    const QZTagLibArtwork::TagProvider provider = [&]() -> QZTagLibTag* {
        ++provided;
        return tag.get();
    };
    QZTagLibArtwork artwork(tag.get());
    EXPECT_EQ(artwork.currentImageWithTagProvider(provider).size(), QSize(16, 16));
    EXPECT_EQ(provided, 1);   // decoded on first use
    artwork.currentImageWithTagProvider(provider);
    EXPECT_EQ(provided, 1);   // then cached
    artwork.releaseImage();
    EXPECT_EQ(artwork.currentImageWithTagProvider(provider).size(), QSize(16, 16));
    EXPECT_EQ(provided, 2);   // read again after the release
    EXPECT_EQ(QZTagLibArtwork(nullptr).status(), QZTagLibArtwork::NoImage);
}

} // namespace
