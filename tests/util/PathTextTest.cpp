// Path texts for file names in any bytes: the conversion both ways, the
// readable form, file URLs and command lines, and the file-system steps
// that go through the bytes.

#include "support/OddNames.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QFile>
#include <QRandomGenerator>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::text;

namespace {

QByteArray roundTrip(const QByteArray& bytes)
{
    return toFileSystemPath(fromFileSystemPath(bytes));
}

} // namespace

TEST(PathText, EveryByteSequenceComesBackAsItWas)
{
    for (int a = 1; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const QByteArray bytes = QByteArray(1, char(a)) + (b ? QByteArray(1, char(b)) : QByteArray());
            ASSERT_EQ(roundTrip(bytes), bytes) << bytes.toHex().constData();
            ASSERT_EQ(roundTrip("x/" + bytes + ".mp3"), "x/" + bytes + ".mp3") << bytes.toHex().constData();
        }
    }
    // Three-byte sequences around every boundary of the encoding.
    const QByteArray edges = QByteArray::fromHex("2f7f80818fa0bfc0c1c2c3dfe0e1ecedeeeff0f4f5ff");
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (char second : edges) {
            for (char third : edges) {
                const QByteArray bytes = QByteArray(1, char(lead)) + second + third;
                ASSERT_EQ(roundTrip(bytes), bytes) << bytes.toHex().constData();
            }
        }
    }
    QRandomGenerator random(15);
    for (int i = 0; i < 200000; ++i) {
        QByteArray bytes(1 + int(random.bounded(6)), Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.bounded(2) ? 0x80 + random.bounded(0x80) : 1 + random.bounded(0xFF));
        ASSERT_EQ(roundTrip(bytes), bytes) << bytes.toHex().constData();
    }
    for (const QByteArray& name : test::oddFileNames(".mp3"))
        EXPECT_EQ(roundTrip(name), name) << name.toHex().constData();
}

TEST(PathText, Utf8NamesReadAsBefore)
{
    const QByteArray names[] = {
        "plain.mp3", "Beyonc\xC3\xA9 - D\xC3\xA9j\xC3\xA0 Vu.m4a", "\xE6\x9D\xB1\xE4\xBA\xAC.flac",
        "emoji \xF0\x9F\x8E\xB5.wav", "replacement \xEF\xBF\xBD.mp3",
        "last \xF4\x8F\xBF\xBF.aiff", "private \xEE\xBD\xBF \xEF\xBF\xBF.mp3",
    };
    for (const QByteArray& name : names) {
        const QString path = fromFileSystemPath(name);
        EXPECT_EQ(path, QString::fromUtf8(name)) << name.constData();
        EXPECT_EQ(toFileSystemPath(path), QFile::encodeName(path)) << name.constData();
        EXPECT_EQ(readable(path), path);
    }
    // QString::fromUtf8 drops a byte order mark at the start; a name keeps it.
    EXPECT_EQ(fromFileSystemPath("\xEF\xBB\xBF" "a.mp3"), QChar(0xFEFF) + QStringLiteral("a.mp3"));
}

TEST(PathText, StrayBytesReadAsWindows1252ForShowingOnly)
{
    const QString latin1 = fromFileSystemPath("Caf\xE9 \x92 \xC3\xA9\xE9");
    EXPECT_EQ(latin1.size(), 9);   // one character per stray byte
    EXPECT_NE(latin1, QString::fromUtf8("Café ’ éé"));
    EXPECT_EQ(readable(latin1), QString::fromUtf8("Café ’ éé"));
    EXPECT_EQ(readable(fromFileSystemPath("\x80\x8A\x9F\xA0\xFF")), QString::fromUtf8("€ŠŸ\u00A0ÿ"));
    EXPECT_EQ(readable(fromFileSystemPath("\x81\x8D\x8F\x90\x9D")), QString(5, QChar::ReplacementCharacter));
    // Invalid forms keep a character for each of their bytes.
    EXPECT_EQ(readable(fromFileSystemPath("\xC0\xAF \xED\xA0\x80 \xC3")), QString::fromUtf8("À¯ í\u00A0€ Ã"));
    // The UTF-8 of a character from our range is no such character: its
    // bytes are stray bytes, so a name that holds one keeps it.
    EXPECT_EQ(readable(fromFileSystemPath("\xEE\xBE\x80")), QString::fromUtf8("î¾€"));
}

TEST(PathText, FileUrlsAndCommandLinesKeepTheBytes)
{
    const QByteArray bytes = "/music/Alb\xFCm/01 caf\xE9 #1 100% ?.mp3";
    const QString path = fromFileSystemPath(bytes);
    const QUrl url = urlFromPath(path);
    EXPECT_EQ(url.toEncoded(), "file:///music/Alb%FCm/01%20caf%E9%20%231%20100%25%20%3F.mp3");
    EXPECT_EQ(pathFromUrl(url), path);
    // As a file manager puts it on a drop.
    EXPECT_EQ(toFileSystemPath(pathFromUrl(QUrl(QStringLiteral("file:///tmp/a%E9%20b.mp3")))), "/tmp/a\xE9 b.mp3");
    EXPECT_EQ(pathFromUrl(QUrl(QStringLiteral("file:///tmp/caf%C3%A9.mp3"))), QString::fromUtf8("/tmp/café.mp3"));
    EXPECT_TRUE(pathFromUrl(QUrl(QStringLiteral("https://example.org/a.mp3"))).isEmpty());

    const char* argv[] = {"tagmint-cli", "show", "caf\xE9.mp3"};
    const QStringList arguments = commandLineArguments(3, argv);
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(toFileSystemPath(arguments.at(1)), "caf\xE9.mp3");
}

TEST(FileSystemPaths, NamesInAnyBytesAreFoundOpenedAndMade)
{
    test::OddNamesDir dir;
    const QByteArray folder = test::oddFolderName();
    const QString folderPath = dir.makeFolder(folder + "/deeper/" + folder);
    ASSERT_FALSE(folderPath.isEmpty());
    const QByteArray name = folder + "/" + test::oddFileNames(".mp3").first();
    const QString file = dir.writeFile(name, "content");
    ASSERT_FALSE(file.isEmpty());

    EXPECT_EQ(fs::kindOf(file), fs::PathKind::File);
    EXPECT_EQ(fs::kindOf(folderPath), fs::PathKind::Folder);
    EXPECT_EQ(fs::kindOf(file + "x"), fs::PathKind::Missing);
    QFile opened;
    ASSERT_TRUE(fs::openFile(opened, toFileSystemPath(file), QIODevice::ReadOnly));
    EXPECT_EQ(opened.readAll(), "content");
    EXPECT_FALSE(fs::openFile(opened, toFileSystemPath(file + "x"), QIODevice::ReadOnly));

    // Through a link (a working folder that is not UTF-8: see the CLI tests).
    const QByteArray link = dir.fileSystemPath(folder + "/link \xE9");
    ASSERT_EQ(::symlink(dir.fileSystemPath(name).constData(), link.constData()), 0);
    EXPECT_EQ(toFileSystemPath(fs::canonicalPath(fromFileSystemPath(link))).right(name.size()), name);

    // A dangling link takes a name too.
    ASSERT_EQ(::unlink(dir.fileSystemPath(name).constData()), 0);
    EXPECT_EQ(fs::kindOf(fromFileSystemPath(link)), fs::PathKind::Missing);
    EXPECT_TRUE(fs::isTaken(fromFileSystemPath(link)));

    QByteArray kept;
    {
        fs::UniqueFile scratch(folderPath, ".scratch-", ".wav");
        ASSERT_TRUE(scratch.isOpen());
        EXPECT_TRUE(scratch.fileSystemPath().startsWith(toFileSystemPath(folderPath) + "/.scratch-"));
        EXPECT_EQ(fs::kindOf(scratch.path()), fs::PathKind::File);
        fs::UniqueFile other(folderPath, ".scratch-", ".wav");
        kept = other.fileSystemPath();
        EXPECT_NE(kept, scratch.fileSystemPath());
        other.keep();
    }
    EXPECT_EQ(dir.entries(folder + "/deeper/" + folder), QList<QByteArray>{kept.mid(kept.lastIndexOf('/') + 1)});
}
