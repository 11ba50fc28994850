// The "locked" state of paths: the immutable attribute on a file or any
// folder above it.

#include "record/FakeFileFlags.h"
#include "record/ScopedImmutable.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace tagmint;

TEST(PathLock, AFolderAboveLocksEverythingBelow)
{
    FakeFileFlags flags;
    flags.values["/music/album/song.mp3"] = FakeFileFlags::kOther;
    flags.values["/music/album"] = FakeFileFlags::kLock | FakeFileFlags::kOther;
    flags.values["/music"] = 0;
    flags.values["/"] = FakeFileFlags::kLock;

    EXPECT_TRUE(record::isPathLocked(QStringLiteral("/music/album/song.mp3"), flags));
    EXPECT_FALSE(record::isPathLocked(QStringLiteral("/music/other.mp3"), flags));
    EXPECT_FALSE(record::isPathLocked(QString(), flags));
    // The root folder is never consulted.
    EXPECT_FALSE(flags.queried.contains(QByteArray("/")));
}

TEST(PathLock, UnlockClearsOnlyTheLockBitOnThePathAndItsFolders)
{
    FakeFileFlags flags;
    flags.values["/music/album/song.mp3"] = FakeFileFlags::kLock | FakeFileFlags::kOther;
    flags.values["/music/album"] = FakeFileFlags::kLock;
    flags.values["/music"] = FakeFileFlags::kOther;
    flags.values["/"] = FakeFileFlags::kLock;

    record::unlockPath(QStringLiteral("/music/album/song.mp3"), flags);
    EXPECT_EQ(flags.values["/music/album/song.mp3"], FakeFileFlags::kOther);
    EXPECT_EQ(flags.values["/music/album"], 0u);
    EXPECT_EQ(flags.values["/music"], FakeFileFlags::kOther);
    EXPECT_EQ(flags.values["/"], FakeFileFlags::kLock);
    EXPECT_FALSE(record::isPathLocked(QStringLiteral("/music/album/song.mp3"), flags));
}

TEST(PathLock, TheRealImmutableAttribute)
{
    test::TempDir dir;
    QDir().mkdir(dir.filePath(QStringLiteral("album")));
    const QString file = dir.writeFile(QStringLiteral("album/song.mp3"), "x");
    EXPECT_FALSE(record::isPathLocked(file));

    ScopedImmutable folder(dir.filePath(QStringLiteral("album")));
    if (!folder.isActive())
        GTEST_SKIP() << "the immutable attribute is not available here";
    EXPECT_TRUE(record::isPathLocked(file));

    record::unlockPath(file);
    EXPECT_FALSE(record::isPathLocked(file));
    EXPECT_FALSE(record::isPathLocked(dir.filePath(QStringLiteral("album"))));
}
