// Renaming files after their edited names.

#include "record/FileRenamer.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tagmint;

TEST(FileSystemName, StaysBelow240BytesOfUtf8)
{
    EXPECT_EQ(record::fileSystemName(QString(300, QLatin1Char('a'))).size(), 228);
    EXPECT_EQ(record::fileSystemName(QString(239, QLatin1Char('a'))).size(), 239);
    EXPECT_EQ(record::fileSystemName(QString(240, QLatin1Char('a'))).size(), 228);

    // Two-byte characters: 200 of them are 400 bytes.
    const QString twoByte = record::fileSystemName(QString(200, QChar(0x00E9)));
    EXPECT_LT(twoByte.toUtf8().size(), 240);
    EXPECT_GT(twoByte.size(), 100);

    // Characters outside the basic plane are never split.
    QString emoji;
    for (int i = 0; i < 100; ++i)
        emoji += QString::fromUcs4(U"\U0001F3B5");
    const QString cut = record::fileSystemName(emoji);
    EXPECT_LT(cut.toUtf8().size(), 240);
    EXPECT_FALSE(cut.back().isHighSurrogate());
    EXPECT_EQ(cut.toUcs4().size() * 2, cut.size());

    EXPECT_EQ(record::fileSystemName(QStringLiteral("Song")), QStringLiteral("Song"));
}

TEST(RenameFile, CollisionsGetANumberAndTheExtensionGoesLowerCase)
{
    test::TempDir dir;
    const QString old = dir.writeFile(QStringLiteral("track.MP3"), "old");
    dir.writeFile(QStringLiteral("Taken.mp3"), "other");

    const auto renamed = record::renameFile(old, QStringLiteral("Taken"));
    ASSERT_TRUE(renamed);
    EXPECT_EQ(*renamed, dir.filePath(QStringLiteral("Taken 2.mp3")));
    EXPECT_FALSE(QFileInfo::exists(old));

    // The file itself counts as taken.
    const auto again = record::renameFile(*renamed, QStringLiteral("Taken 2"));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, dir.filePath(QStringLiteral("Taken 2 2.mp3")));

    // Names are trimmed of line breaks and may lack an extension.
    const auto notes = record::renameFile(dir.writeFile(QStringLiteral("README"), "x"), QStringLiteral("\nNotes\r\n"));
    ASSERT_TRUE(notes);
    EXPECT_EQ(*notes, dir.filePath(QStringLiteral("Notes")));
}

TEST(RenameFile, FailuresLeaveTheFileAlone)
{
    test::TempDir dir;
    const QString old = dir.writeFile(QStringLiteral("a.mp3"), "x");
    EXPECT_FALSE(record::renameFile(old, QStringLiteral("\n\n")));
    EXPECT_FALSE(record::renameFile(dir.filePath(QStringLiteral("missing.mp3")), QStringLiteral("b")));
    EXPECT_FALSE(record::renameFile(QString(), QStringLiteral("b")));
    EXPECT_TRUE(QFileInfo::exists(old));

    // A folder that refuses new entries.
    QDir().mkdir(dir.filePath(QStringLiteral("sub")));
    const QString inner = dir.writeFile(QStringLiteral("sub/c.mp3"), "x");
    QFile::setPermissions(dir.filePath(QStringLiteral("sub")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool refused = !record::renameFile(inner, QStringLiteral("d")).has_value();
    QFile::setPermissions(dir.filePath(QStringLiteral("sub")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused);
        EXPECT_TRUE(QFileInfo::exists(inner));
    }
}
