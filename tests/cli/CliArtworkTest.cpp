// "artwork export": JPEG files that never overwrite each other.

#include "cli/CliRun.h"
#include "support/TestFiles.h"
#include "table/ArtworkExport.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

using namespace tagmint::test;

TEST(CliArtworkTest, ExportsNumberCopiesAndRefusesWhatHasNoArtwork)
{
    TempDir dir;
    const QString song = dir.copyFixture("tagged_v24.mp3");
    QDir(dir.path()).mkdir("out");
    const QString out = dir.filePath("out");

    const CliResult first = runCli({"artwork", "export", song, out});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, out + "/artwork.jpg\n");
    const QImage written(out + "/artwork.jpg");
    EXPECT_EQ(written.size(), QSize(16, 16));

    const CliResult second = runCli({"artwork", "export", song, out});
    EXPECT_EQ(second.out, out + "/artwork (copy 2).jpg\n");

    const CliResult none = runCli({"artwork", "export", dir.copyFixture("plain.mp3"), out});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.endsWith(": no artwork\n")) << none.err.toStdString();
    const CliResult noFolder = runCli({"artwork", "export", song, dir.filePath("missing")});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2);

    EXPECT_EQ(runCli({"artwork", "export", song}).exitCode, 2);
}

TEST(UniqueFileName, TakesTheFirstFreeCopyNumber)
{
    TempDir dir;
    dir.writeFile("cover.png", "x");
    dir.writeFile("cover (copy 2).png", "x");
    EXPECT_EQ(tagmint::table::uniqueFileName(dir.path(), "cover.png"),
              dir.filePath("cover (copy 3).png"));
    EXPECT_EQ(tagmint::table::uniqueFileName(dir.path(), "cover.png", ".jpg"),
              dir.filePath("cover.jpg"));

    dir.writeFile("full.jpg", "x");
    for (int n = 2; n <= 1024; ++n)
        dir.writeFile(QStringLiteral("full (copy %1).jpg").arg(n), "x");
    EXPECT_FALSE(tagmint::table::uniqueFileName(dir.path(), "full.jpg"));
}
