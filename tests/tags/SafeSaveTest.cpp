#include "support/ChildProcess.h"
#include "tags/CopyOnWriteStream.h"
#include "tags/LockedFile.h"
#include "tags/SafeFileCommit.h"
#include "tags/TagTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace tagmint::test;
using namespace tagmint::tags;
using namespace std::chrono_literals;

namespace {

const char* const kFixtures[] = {"tagged_v24.mp3", "tagged.m4a", "tagged.flac", "id3_info.wav",
                                 "tagged.aiff"};

// Everything in the folder, hidden files included: a save leaves no
// scratch file behind.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// A cover too large for any padding: the save must rewrite the file.
const QImage& largeCover()
{
    static const QImage image = [] {
        QImage noise(300, 300, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
        return noise;
    }();
    return image;
}

// Opens, sets a title and the large cover, saves; the save's error text,
// "" when it succeeded.
QString saveLargeTag(const QString& path)
{
    auto tag = openTag(path);
    if (!tag)
        return QStringLiteral("cannot open");
    tag->setTitle(QStringLiteral("Rewritten"));
    tag->setTagImage(largeCover());
    return tag->save() ? QString() : tag->saveError();
}

// --- Rewrites and saves in place ---------------------------------------------

TEST(SafeSave, ARewriteKeepsModeAttributesOwnerAndAudioAndLeavesNothingBehind)
{
    TempDir dir;
    for (const char* fixture : kFixtures) {
        SCOPED_TRACE(fixture);
        const QString path = dir.copyFixture(fixture);
        const QByteArray fsPath = QFile::encodeName(path);
        ASSERT_EQ(::chmod(fsPath.constData(), 0640), 0);
        const bool hasAttributes = ::setxattr(fsPath.constData(), "user.tagmint.test", "kept", 4, 0) == 0;
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            ASSERT_EQ(::chown(fsPath.constData(), 4321, 4322), 0);
        }
        const struct stat before = statOf(path);
        const QString digest = audioPacketDigest(path);

        EXPECT_EQ(saveLargeTag(path), QString());

        const struct stat after = statOf(path);
        EXPECT_NE(after.st_ino, before.st_ino);   // a new file took the old one's place
        EXPECT_EQ(after.st_mode & 07777, 0640u);
        if (asRoot) {
            EXPECT_EQ(after.st_uid, 4321u);
            EXPECT_EQ(after.st_gid, 4322u);
        }
        if (hasAttributes) {
            char value[8] = {};
            EXPECT_EQ(::getxattr(fsPath.constData(), "user.tagmint.test", value, sizeof value), 4);
            EXPECT_STREQ(value, "kept");
        }
        EXPECT_EQ(audioPacketDigest(path), digest);
        EXPECT_EQ(openTag(path)->title(), "Rewritten");
        EXPECT_EQ(entries(dir.path()), QStringList{QFileInfo(path).fileName()});
        QFile::remove(path);
    }
}

TEST(SafeSave, ATagThatFitsIsWrittenInPlaceAndAnUnchangedOneNotAtAll)
{
    TempDir dir;
    for (const char* fixture : kFixtures) {
        SCOPED_TRACE(fixture);
        const QString path = dir.copyFixture(fixture);
        ASSERT_EQ(saveLargeTag(path), QString());   // leaves room for a longer title
        const struct stat first = statOf(path);
        const QString digest = audioPacketDigest(path);

        auto tag = openTag(path);
        tag->setTitle(QStringLiteral("Same Size"));
        ASSERT_TRUE(tag->save());
        tag.reset();
        const struct stat second = statOf(path);
        EXPECT_EQ(second.st_ino, first.st_ino);
        EXPECT_EQ(second.st_size, first.st_size);
        EXPECT_EQ(openTag(path)->title(), "Same Size");
        EXPECT_EQ(audioPacketDigest(path), digest);

        const QByteArray bytes = readAll(path);
        ASSERT_TRUE(openTag(path)->save());
        EXPECT_EQ(readAll(path), bytes);
        EXPECT_EQ(statOf(path).st_mtim.tv_sec, second.st_mtim.tv_sec);
        EXPECT_EQ(statOf(path).st_mtim.tv_nsec, second.st_mtim.tv_nsec);
        QFile::remove(path);
    }
}

TEST(SafeSave, SymbolicLinksAreFollowedAndHardLinksStayOneFile)
{
    TempDir dir;
    TempDir elsewhere;
    const QString target = elsewhere.copyFixture("tagged_v24.mp3");
    const QString link = dir.filePath("link.mp3");
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_EQ(saveLargeTag(link), QString());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(openTag(target)->title(), "Rewritten");
    EXPECT_EQ(entries(dir.path()), QStringList{"link.mp3"});
    EXPECT_EQ(entries(elsewhere.path()), QStringList{"tagged_v24.mp3"});

    const QString path = dir.copyFixture("tagged.flac");
    const QString twin = dir.filePath("twin.flac");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(twin).constData()), 0);
    const ino_t inode = statOf(path).st_ino;
    const QString digest = audioPacketDigest(path);
    EXPECT_EQ(saveLargeTag(path), QString());
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(statOf(twin).st_nlink, 2u);
    EXPECT_EQ(openTag(twin)->title(), "Rewritten");
    EXPECT_EQ(audioPacketDigest(twin), digest);
    EXPECT_EQ(entries(dir.path()), QStringList({"link.mp3", "tagged.flac", "twin.flac"}));
}

// --- A full disk -------------------------------------------------------------

std::optional<quint64> nearlyFull(const QByteArray&)
{
    return 64 * 1024;
}

std::optional<quint64> plentyOfSpace(const QByteArray&)
{
    return quint64(1) << 40;
}

TEST(SafeSave, AFullDiskFailsTheSaveAndLeavesTheFileByteForByte)
{
    TempDir dir;
    for (const char* fixture : kFixtures) {
        SCOPED_TRACE(fixture);
        const QString reference =
            dir.copyFixture(fixture, QStringLiteral("reference.") + QFileInfo(fixture).suffix());
        ASSERT_EQ(saveLargeTag(reference), QString());
        const qint64 newSize = QFileInfo(reference).size();
        QFile::remove(reference);
        const QString path = dir.copyFixture(fixture);
        const QByteArray original = readAll(path);
        {
            FreeSpaceOverride full(&nearlyFull);
            EXPECT_TRUE(saveLargeTag(path).startsWith("not enough free space on the disk"));
        }
        EXPECT_EQ(readAll(path), original);

        // The disk fills while the new file is written: after nothing, a
        // block, half the file, all but its last byte.
        auto saveWithLimit = [&](qint64 limit) {
            ChildProcess child([&] {
                struct rlimit size = {rlim_t(limit), rlim_t(limit)};
                ::setrlimit(RLIMIT_FSIZE, &size);
                ::signal(SIGXFSZ, SIG_IGN);
                return saveLargeTag(path).toUtf8();
            });
            return QString::fromUtf8(child.finish());
        };
        for (const qint64 limit : {qint64(0), qint64(4096), newSize / 2, newSize - 1}) {
            const QString reason = saveWithLimit(limit);
            EXPECT_TRUE(reason.startsWith("could not write the new file")) << limit << ": " << qPrintable(reason);
            EXPECT_EQ(readAll(path), original) << limit;
            EXPECT_EQ(entries(dir.path()), QStringList{QFileInfo(path).fileName()}) << limit;
        }
        // A hard-linked file is written over where it is: the old bytes go
        // back in.
        const QString twin = dir.filePath("twin");
        ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(twin).constData()), 0);
        const QString reason = saveWithLimit(newSize - 1);
        EXPECT_TRUE(reason.startsWith("could not write the new file")) << qPrintable(reason);
        EXPECT_EQ(readAll(path), original);
        EXPECT_EQ(statOf(twin).st_ino, statOf(path).st_ino);
        EXPECT_EQ(entries(dir.path()), QStringList({QFileInfo(path).fileName(), "twin"}));
        QFile::remove(twin);
        QFile::remove(path);
    }
}

// Where the tests run as root and may mount: a real, small file system.
TEST(SafeSave, ASmallFileSystemThatFillsUp)
{
    TempDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (::mount("tagmint-test", mountPoint.constData(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QByteArray point;
        ~Unmount() { ::umount2(point.constData(), MNT_DETACH); }
    } unmount{mountPoint};

    const QString path = dir.copyFixture("tagged.flac");
    // Leaves room for half the cover.
    const qint64 coverSize = encodeImage(largeCover()).bytes.size();
    const std::optional<quint64> free = volumeFreeSpace(mountPoint);
    ASSERT_TRUE(free && qint64(*free) > coverSize);
    QFile filler(dir.filePath("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(qint64(*free) - coverSize / 2, 'f'));
    filler.close();
    const QByteArray original = readAll(path);
    const QString digest = audioPacketDigest(path);

    const QString estimate = saveLargeTag(path);
    EXPECT_TRUE(estimate.startsWith("not enough free space on the disk")) << qPrintable(estimate);
    EXPECT_EQ(readAll(path), original);
    {
        // Past a wrong estimate the write itself meets the full disk.
        FreeSpaceOverride wrong(&plentyOfSpace);
        const QString reason = saveLargeTag(path);
        EXPECT_TRUE(reason.contains("no space left on device")) << qPrintable(reason);
    }
    EXPECT_EQ(readAll(path), original);
    EXPECT_EQ(entries(dir.path()), QStringList({"filler", "tagged.flac"}));

    filler.remove();
    EXPECT_EQ(saveLargeTag(path), QString());
    EXPECT_EQ(audioPacketDigest(path), digest);
}

// --- What the commit itself refuses ------------------------------------------

QByteArray numbered(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 31 + 7);
    return bytes;
}

TEST(SafeFileCommit, RefusesToChangeAudioAndPutsBackWhatDoesNotReadBack)
{
    TempDir dir;
    const QByteArray original = numbered(8000);
    const QString path = dir.writeFile("file.mp4", original);
    // Two chunks of audio, named by the container's tables.
    const AudioLayout audio{{ByteRange{2000, 6000}}, {2000, 5000}};
    // What the written file's tables say, as a wrapper reads them back.
    QList<quint64> writtenPointers;
    const CommitChecks accepting{audio, [&](const QString&, AudioLayout* layout) {
                                     layout->pointers = writtenPointers;
                                     return true;
                                 }};
    const CommitChecks refusing{audio, [](const QString&, AudioLayout*) { return false; }};

    auto file = LockedFile::open(path, LockedFile::Access::Write);
    CopyOnWriteStream stream(*file);
    auto write = [&](long at, const QByteArray& bytes, bool insert) {
        stream.setWriteLimits(1 << 20, 1 << 20);
        if (insert) {
            stream.insert(TagLib::ByteVector(bytes.constData(), unsigned(bytes.size())), at, 0);
        } else {
            stream.seek(at);
            stream.writeBlock(TagLib::ByteVector(bytes.constData(), unsigned(bytes.size())));
        }
    };

    write(5000, "noise", false);
    EXPECT_EQ(commitStream(*file, stream, accepting), "the save would change the audio data");
    write(100, "a tag", false);   // in place
    EXPECT_EQ(commitStream(*file, stream, refusing), "the saved file did not read back");
    write(100, QByteArray(3000, 't'), true);   // a rewrite
    EXPECT_EQ(commitStream(*file, stream, refusing), "the saved file did not read back");
    // The audio moved by 3000 bytes; tables left as they were, or moved
    // wrongly, or with an entry lost, read other bytes.
    const QString stale = "the saved file's chunk offsets no longer point at its audio";
    for (const QList<quint64>& wrong : {QList<quint64>{2000, 5000}, QList<quint64>{5000, 7999},
                                        QList<quint64>{5000}}) {
        writtenPointers = wrong;
        write(100, QByteArray(3000, 't'), true);
        EXPECT_EQ(commitStream(*file, stream, accepting), stale);
    }
    EXPECT_EQ(readAll(path), original);
    EXPECT_EQ(entries(dir.path()), QStringList{"file.mp4"});

    writtenPointers = {5000, 8000};
    write(100, QByteArray(3000, 't'), true);
    EXPECT_EQ(commitStream(*file, stream, accepting), QString());
    EXPECT_EQ(readAll(path), original.left(100) + QByteArray(3000, 't') + original.mid(100));
    // The stream now reads the new file and keeps it locked.
    stream.seek(0);
    EXPECT_EQ(stream.length(), 11000);
    LockWaitOverride quick(50ms);
    EXPECT_EQ(LockedFile::open(path, LockedFile::Access::Read), nullptr);
}

// Changes after the audio only (a tag at the file's end): written in place,
// the length set, and on a failed write or read-back the old end and length
// put back. A change before the audio's end still makes a new file.
TEST(SafeFileCommit, ChangesAfterTheAudioAreWrittenInPlaceAndPutBackOnFailure)
{
    TempDir dir;
    const QByteArray original = numbered(8000);
    const QString path = dir.writeFile("file.wv", original);
    const ino_t inode = statOf(path).st_ino;
    const AudioLayout audio{{ByteRange{1000, 5000}}, {}};
    const CommitChecks accepting{audio, [](const QString&, AudioLayout*) { return true; }};
    const CommitChecks refusing{audio, [](const QString&, AudioLayout*) { return false; }};
    const QByteArray tag(3000, 't');

    auto file = LockedFile::open(path, LockedFile::Access::Write);
    CopyOnWriteStream stream(*file);
    auto grow = [&] {
        stream.setWriteLimits(1 << 20, 1 << 20);
        stream.insert(TagLib::ByteVector(tag.constData(), unsigned(tag.size())), 7000, 0);
    };
    grow();
    EXPECT_EQ(commitStream(*file, stream, refusing), "the saved file did not read back");
    EXPECT_EQ(readAll(path), original);

    // The disk fills halfway through the new end.
    ChildProcess child([&] {
        struct rlimit size = {rlim_t(original.size() + 1000), rlim_t(original.size() + 1000)};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, SIG_IGN);
        grow();
        return commitStream(*file, stream, accepting).toUtf8();
    });
    EXPECT_TRUE(child.finish().startsWith("could not write the file")) << "interrupted write";
    EXPECT_EQ(readAll(path), original);

    grow();
    EXPECT_EQ(commitStream(*file, stream, accepting), QString());
    const QByteArray grown = original.left(7000) + tag + original.mid(7000);
    EXPECT_EQ(readAll(path), grown);
    EXPECT_EQ(statOf(path).st_ino, inode);

    stream.setWriteLimits(1 << 20, 1 << 20);
    stream.removeBlock(6000, 4500);
    EXPECT_EQ(commitStream(*file, stream, refusing), "the saved file did not read back");
    EXPECT_EQ(readAll(path), grown);
    stream.setWriteLimits(1 << 20, 1 << 20);
    stream.removeBlock(6000, 4500);
    EXPECT_EQ(commitStream(*file, stream, accepting), QString());
    EXPECT_EQ(readAll(path), grown.left(6000) + grown.mid(10500));
    EXPECT_EQ(statOf(path).st_ino, inode);

    stream.setWriteLimits(1 << 20, 1 << 20);
    stream.insert("x", 500, 0);
    EXPECT_EQ(commitStream(*file, stream, accepting), QString());
    EXPECT_NE(statOf(path).st_ino, inode);
}

// --- One save at a time ------------------------------------------------------

TEST(SafeSave, AFileBeingSavedIsBusyForOthersUntilTheSaveEnds)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.m4a");
    LockWaitOverride quick(200ms);
    auto saving = openTag(path);
    ASSERT_TRUE(saving);

    // In this process (another window) and in another one alike.
    QString reason;
    EXPECT_EQ(QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting, &reason), nullptr);
    EXPECT_EQ(reason, LockedFile::busyReason());
    EXPECT_EQ(QZTagLibTag::tagWithPath(path, 0), nullptr);
    ChildProcess other([&] {
        QString childReason;
        QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting, &childReason);
        return childReason.toUtf8();
    });
    EXPECT_EQ(QString::fromUtf8(other.finish()), LockedFile::busyReason());

    // A reader only holds its lock while it reads the tags.
    saving.reset();
    auto reader = QZTagLibTag::tagWithPath(path, 0);
    ASSERT_TRUE(reader);
    EXPECT_NE(openTag(path), nullptr);
}

// --- Mended faults -----------------------------------------------------------

TEST(MendedSave, AnMp3KeepsItsAPEv2Tag)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged_v23_v1.mp3");
    const QByteArray binary = "\x01\x02\x03 binary";
    ASSERT_TRUE(mutagenWrite(path, {{"ape", QJsonObject{
        {"REPLAYGAIN_TRACK_GAIN", "-6.50 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.988"},
        {"Cover Art (Front)", QJsonObject{{"base64", QString::fromLatin1(binary.toBase64())}}}}}}));
    const QJsonObject before = mutagenRead(path)["ape"].toObject();
    ASSERT_EQ(before.size(), 3);

    for (const QString& title : {QStringLiteral("Short"), QString(3000, QLatin1Char('x'))}) {
        auto tag = openTag(path);
        tag->setTitle(title);
        ASSERT_TRUE(tag->save());
        tag.reset();
        const QJsonObject seen = mutagenRead(path);
        EXPECT_EQ(seen["ape"].toObject(), before);
        EXPECT_EQ(frameTexts(seen, "TIT2"), QStringList{title});
        EXPECT_FALSE(seen["id3v1"].isNull());
    }
}

TEST(MendedSave, PicturesKeepTheBytesTheyCameAsAndNewOnesAreFrontCovers)
{
    TempDir dir;
    const QByteArray jpeg = readAll(fixturePath("cover.jpg"));
    const QByteArray png = readAll(fixturePath("cover.png"));
    QString error;
    const auto fromJpeg = loadPictureFile(fixturePath("cover.jpg"), &error);
    const auto fromPng = loadPictureFile(fixturePath("cover.png"), &error);
    ASSERT_TRUE(fromJpeg && fromPng) << error.toStdString();
    EXPECT_FALSE(loadPictureFile(dir.writeFile("bad.jpg", "no picture"), &error));
    EXPECT_EQ(error, "not an image Tagmint can read");

    // A BMP file is neither: its picture is encoded anew, as JPEG.
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    solidImage(4, 4, Qt::blue).save(&buffer, "BMP");
    const auto fromBmp = loadPictureFile(dir.writeFile("cover.bmp", bmp));
    ASSERT_TRUE(fromBmp);
    EXPECT_TRUE(fromBmp->bytes.isEmpty());

    for (const char* fixture : {"plain.mp3", "plain.flac", "plain.m4a", "plain.wav", "plain.aiff"}) {
        SCOPED_TRACE(fixture);
        for (const auto& [picture, bytes] : {std::pair{*fromJpeg, jpeg}, std::pair{*fromPng, png}}) {
            const QString path = dir.copyFixture(fixture);
            QZTagLibRecord record(path, 0);
            record.setPicture(picture);
            ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
            EXPECT_EQ(md5(openTag(path)->firstPicture().bytes), md5(bytes));

            // Copied on to another file, the cover stays the same bytes.
            const QString other = dir.copyFixture(fixture, QStringLiteral("other.") + QFileInfo(path).suffix());
            QZTagLibRecord target(other, 0);
            target.setPicture(QZTagLibRecord(path, 0).picture());
            ASSERT_TRUE(target.saveDataToTagAndDoRenaming());
            EXPECT_EQ(md5(openTag(other)->firstPicture().bytes), md5(bytes));
            QFile::remove(path);
            QFile::remove(other);
        }
        const QString path = dir.copyFixture(fixture);
        QZTagLibRecord record(path, 0);
        record.setPicture(*fromBmp);
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
        const tagmint::tags::TagPicture stored = openTag(path)->firstPicture();
        EXPECT_TRUE(stored.bytes.startsWith("\xFF\xD8\xFF"));
        EXPECT_EQ(stored.image.size(), QSize(4, 4));
        if (QFileInfo(path).suffix() != "m4a") {
            const QList<QZTagLibTagImage> images = openTag(path)->images();
            ASSERT_EQ(images.size(), 1);
            EXPECT_EQ(images[0].type, 3);
        }
        QFile::remove(path);
    }
}

} // namespace
