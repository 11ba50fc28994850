// Artwork beside the audio files: which picture is the cover, how far the
// search reaches, and pictures that are damaged, huge or no pictures at all.

#include "network/FolderArtwork.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace tagmint::network;
using tagmint::test::TempDir;
using tagmint::test::makeImageBytes;

namespace {

QStringList names(const QStringList& paths, const QString& root)
{
    QStringList result;
    for (const QString& path : paths)
        result.append(QDir(root).relativeFilePath(path));
    return result;
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small PNG whose header claims the given size.
QByteArray pngClaimingSize(quint32 width, quint32 height)
{
    QByteArray png = makeImageBytes(2, 2, "PNG");
    // Signature (8), length (4), "IHDR" (4), then width and height.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}

} // namespace

TEST(ArtworkChoice, ExactNamesThenCoverWordsThenTheFirst)
{
    const auto choose = [](const QStringList& files) { return chooseArtworkFile(files); };
    EXPECT_EQ(choose({"/a/back.png", "/a/Cover.JPG"}), "/a/Cover.JPG");
    EXPECT_EQ(choose({"/a/scan01.png"}), "/a/scan01.png");
    EXPECT_EQ(choose({"/a/Album Cover.jpg", "/a/front.jpg"}), "/a/front.jpg");
    EXPECT_EQ(choose({"/a/cover.jpg", "/a/Scans/Folder.png"}), "/a/Scans/Folder.png");
    EXPECT_EQ(choose({"/a/cover.jpg", "/a/front_cover.jpg"}), "/a/front_cover.jpg");
    EXPECT_EQ(choose({"/a/cvr.jpg", "/a/cover.jpg"}), "/a/cvr.jpg");   // equal counts: the earlier
    EXPECT_EQ(choose({"/a/b.png", "/a/a.png"}), "/a/b.png");
    EXPECT_EQ(choose({}), "");
}

TEST(ArtworkSearch, StaysInTheFolderAndItsArtworkSubfolders)
{
    TempDir dir;
    const QString album = dir.filePath("Library/Artist/Album");
    for (const char* folder : {"Scans/More/Deeper", "CD2", ".hidden"})
        ASSERT_TRUE(QDir(album).mkpath(folder));
    const QByteArray jpeg = makeImageBytes(4, 4);
    for (const char* file : {"song.mp3", "b.jpg", "a.PNG", "notes.txt", ".cover.jpg", "Scans/back.jpg",
                             "Scans/More/inner.gif", "Scans/More/Deeper/deep.bmp", "CD2/track.flac",
                             "CD2/disc.jpg", ".hidden/folder.jpg"})
        dir.writeFile(QStringLiteral("Library/Artist/Album/") + file, jpeg);
    ASSERT_TRUE(QFile::link(album + "/Scans", album + "/Scans/More/loop"));

    EXPECT_EQ(names(artworkCandidates(album), album),
              (QStringList{"a.PNG", "b.jpg", "Scans/back.jpg", "Scans/More/inner.gif"}));

    // A song in the library's root takes nothing from the albums below it.
    dir.writeFile("Library/song.mp3", jpeg);
    EXPECT_TRUE(artworkCandidates(dir.filePath("Library")).isEmpty());
    EXPECT_TRUE(artworkCandidates(dir.filePath("missing")).isEmpty());
}

TEST(ArtworkLoading, ReadsOncePerFolderAndSkipsWhatIsNoUsablePicture)
{
    TempDir dir;
    QDir(dir.path()).mkpath("good");
    const QByteArray jpeg = makeImageBytes(32, 24);
    dir.writeFile("good/folder.jpg", jpeg);
    ArtworkCache cache;
    // The file's own bytes go into the tags: no second, lossy encoding.
    const tagmint::tags::TagPicture picture = folderArtwork(dir.filePath("good"), cache);
    EXPECT_EQ(picture.image.size(), QSize(32, 24));
    EXPECT_EQ(picture.bytes, jpeg);
    QDir(dir.path()).mkpath("misnamed");
    const QByteArray png = makeImageBytes(12, 10, "PNG");
    dir.writeFile("misnamed/folder.jpg", png);
    const tagmint::tags::TagPicture misnamed = folderArtwork(dir.filePath("misnamed"), cache);
    EXPECT_EQ(misnamed.image.size(), QSize(12, 10));
    EXPECT_TRUE(misnamed.isPng);
    EXPECT_EQ(misnamed.bytes, png);
    // The run remembers the folder: the file is not read again.
    QFile::remove(dir.filePath("good/folder.jpg"));
    EXPECT_EQ(folderArtwork(dir.filePath("good"), cache).image.size(), QSize(32, 24));

    const QByteArray bigJpeg = makeImageBytes(400, 300);
    const struct {
        const char* name;
        QByteArray bytes;
    } unusable[] = {
        {"text/cover.jpg", "this is not a picture"},
        {"cut/cover.jpg", bigJpeg.left(bigJpeg.size() * 8 / 10)},
        {"cutpng/cover.png", makeImageBytes(400, 300, "PNG").left(200)},
        {"cutbmp/cover.bmp", makeImageBytes(400, 300, "BMP").left(300'000)},
        {"huge/cover.png", pngClaimingSize(10000, 10000)},
        {"empty/cover.png", QByteArray()},
    };
    for (const auto& file : unusable) {
        const QString folder = QFileInfo(dir.filePath(file.name)).path();
        QDir().mkpath(folder);
        dir.writeFile(file.name, file.bytes);
        EXPECT_TRUE(folderArtwork(folder, cache).image.isNull()) << file.name;
        EXPECT_TRUE(cache.contains(folder)) << file.name;
    }
    // Known to be missing: a picture added during the run is not looked for.
    dir.writeFile("text/folder.png", makeImageBytes(8, 8, "PNG"));
    EXPECT_TRUE(folderArtwork(dir.filePath("text"), cache).image.isNull());
    ArtworkCache fresh;
    EXPECT_FALSE(folderArtwork(dir.filePath("text"), fresh).image.isNull());
}
