// Repairing WAV files with a damaged RIFF structure before a save: the walk
// over the chunks, the backup, and refusals that leave the file as it was.

#include "record/QZTagLibRecord.h"
#include "record/ScopedImmutable.h"
#include "support/TestFiles.h"
#include "tags/QZTagLibTag.h"
#include "tags/RiffWalker.h"
#include "tags/SafeFileCommit.h"
#include "tags/TagTestSupport.h"
#include "tags/WavRepair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QtEndian>

#include <linux/fs.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace tagmint::test;
using namespace tagmint::tags;

namespace {


QByteArray le32(quint32 value)
{
    QByteArray result(4, '\0');
    qToLittleEndian(value, result.data());
    return result;
}

QByteArray chunk(const QByteArray& id, const QByteArray& data)
{
    return id + le32(quint32(data.size())) + data + QByteArray(data.size() & 1, '\0');
}

QByteArray riffWave(const QByteArray& chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

// The chunks in order as "id:size", and the data chunk's bytes.
QStringList chunkList(const QByteArray& file, QByteArray* data = nullptr)
{
    QStringList chunks;
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + at + 4);
        chunks << QString::fromLatin1(file.mid(at, 4)) + ':' + QString::number(size);
        if (data && file.mid(at, 4) == "data")
            *data = file.mid(at + 8, size);
        at += 8 + qsizetype(size) + (size & 1);
    }
    return chunks;
}

// info.wav (fmt, INFO list, data) with its data chunk cut short by an odd
// number of bytes, as an interrupted copy leaves it.
constexpr quint64 kCutFileSize = 3299;

QString writeCutFile(const TempDir& dir, const QString& name = QStringLiteral("cut.wav"))
{
    return dir.writeFile(name, readAll(fixturePath("info.wav")).left(kCutFileSize));
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

std::unique_ptr<QZTagLibTag> openForWriting(const QString& path)
{
    return QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting);
}

TEST(RiffWalker, MendingCutsTheLastChunkAndReplacesTheInfoList)
{
    TempDir dir;
    const QByteArray plain = readAll(fixturePath("plain.wav"));
    const QByteArray format = plain.mid(12, 24);
    const QByteArray samples = plain.mid(44);   // 3200 bytes
    // An odd last chunk without its pad byte and a few stray bytes: whole.
    EXPECT_EQ(riff::checkWaveFile(dir.writeFile("tail.wav", plain + chunk("junk", "abc").chopped(1) + "xy")),
              riff::WaveCondition::Intact);

    const QByteArray lists = chunk("LIST", "adtl" + chunk("labl", le32(1) + "cue"))
        + chunk("LIST", "INFO" + chunk("INAM", "Old")) + chunk("DISP", le32(1) + "Old");
    const QString path = dir.writeFile(
        "mend.wav", riffWave(format + lists + "data" + le32(4000) + samples.left(3199)));
    EXPECT_EQ(riff::checkWaveFile(path), riff::WaveCondition::Damaged);
    ASSERT_TRUE(riff::mendWaveFile(path));
    QByteArray data;
    const QByteArray mended = readAll(path);
    EXPECT_EQ(chunkList(mended, &data),
              QStringList({"fmt :16", "LIST:20", "JUNK:16", "JUNK:7", "data:3199", "LIST:4", "DISP:6"}));
    EXPECT_EQ(data, samples.left(3199));
    const QByteArray emptyPair = chunk("LIST", "INFO") + chunk("DISP", le32(1) + QByteArray(2, '\0'));
    EXPECT_TRUE(mended.endsWith(emptyPair));
    EXPECT_EQ(qFromLittleEndian<quint32>(mended.constData() + 4), quint32(mended.size() - 8));
    EXPECT_EQ(riff::checkWaveFile(path), riff::WaveCondition::Intact);

    // The pair a mend writes, met again, takes the new chunks: repeated
    // repairs do not make the file grow.
    const QByteArray again = riffWave(format + emptyPair + "data" + le32(9999) + samples);
    const QString againPath = dir.writeFile("again.wav", again);
    ASSERT_TRUE(riff::mendWaveFile(againPath));
    EXPECT_EQ(readAll(againPath).size(), again.size());
    EXPECT_EQ(chunkList(readAll(againPath)), QStringList({"fmt :16", "LIST:4", "DISP:6", "data:3200"}));
}

TEST(WAVRepair, ACutOffFileIsMendedWithABackupAndThenSaved)
{
    TempDir dir;
    const QString path = writeCutFile(dir);
    const QByteArray original = readAll(path);
    dir.writeFile("cut.wav.bak", "an older backup");
    // A link at a backup name is neither replaced nor followed.
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere.wav"), dir.filePath("cut.wav (copy 2).bak")));

    QZTagLibRecord record(path, 0);
    EXPECT_EQ(record.value("tagFormat").toString(), "Info");
    record.setValue(QStringLiteral("Repaired Title"), QStringLiteral("title"));
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(record.value("tagFormat").toString(), "ID3v2.4.0, Info");
    // The backup takes the next free name; the older one stays.
    const QString backup = dir.filePath("cut.wav (copy 3).bak");
    EXPECT_EQ(readAll(backup), original);
    EXPECT_EQ(readAll(path + ".bak"), "an older backup");
    EXPECT_TRUE(QFileInfo(dir.filePath("cut.wav (copy 2).bak")).isSymLink());
    EXPECT_EQ(folderEntries(dir.path()),
              QStringList({"cut.wav", "cut.wav (copy 2).bak", "cut.wav (copy 3).bak", "cut.wav.bak"}));

    QByteArray before;
    QByteArray after;
    chunkList(original, &before);
    EXPECT_TRUE(chunkList(readAll(path), &after).contains("data:3099"));
    EXPECT_EQ(after, before);
    EXPECT_EQ(mutagenRead(path)["frames"].toObject()["TIT2"].toArray(), QJsonArray{"Repaired Title"});
    EXPECT_EQ(QZTagLibRecord(path, 0).value("artist").toString(), "Info Artist");

    // Whole now: the next save leaves the backup alone.
    record.setValue(QStringLiteral("Second"), QStringLiteral("title"));
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(readAll(backup), original);
}

// A 0.2-second WAV of the codec with its last 100 bytes cut off.
QByteArray makeCutWav(const TempDir& dir, const char* name, const char* codec)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-nostdin", "-f", "lavfi", "-i", "sine=sample_rate=8000:duration=0.2",
                            "-c:a", codec, "-map_metadata", "-1", path});
    EXPECT_TRUE(ffmpeg.waitForFinished(-1));
    EXPECT_EQ(ffmpeg.exitCode(), 0);
    QFile(path).resize(QFileInfo(path).size() - 100);
    return readAll(path);
}

// Our own reader decodes integer PCM only: the decode check asks FFmpeg for
// the other codecs, so their damaged files are mended and saved too.
TEST(WAVRepair, FloatMuLawAndAdpcmFilesAreMendedThroughFFmpeg)
{
    for (const char* codec : {"pcm_f32le", "pcm_mulaw", "adpcm_ima_wav"}) {
        SCOPED_TRACE(codec);
        TempDir dir;
        const QByteArray original = makeCutWav(dir, "cut.wav", codec);
        const QString path = dir.filePath("cut.wav");
        ASSERT_EQ(riff::checkWaveFile(path), riff::WaveCondition::Damaged);
        QZTagLibRecord record(path, 0);
        record.setValue(QStringLiteral("Mended"), QStringLiteral("title"));
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
        EXPECT_EQ(riff::checkWaveFile(path), riff::WaveCondition::Intact);
        EXPECT_EQ(readAll(path + ".bak"), original);
        QByteArray before;
        QByteArray after;
        chunkList(original, &before);
        chunkList(readAll(path), &after);
        EXPECT_EQ(after, before);
        EXPECT_EQ(QZTagLibRecord(path, 0).value("title").toString(), "Mended");
    }
}

std::optional<quint64> fullVolume(const QByteArray&)
{
    return 5 * kCutFileSize - 1;
}

std::optional<quint64> unknownVolume(const QByteArray&)
{
    return std::nullopt;
}

TEST(WAVRepair, RefusalsLeaveTheFileByteForByte)
{
    for (FreeSpaceProbe probe : {&fullVolume, &unknownVolume}) {
        TempDir dir;
        const QString path = writeCutFile(dir);
        const QByteArray original = readAll(path);
        QZTagLibRecord record(path, 0);
        record.setValue(QStringLiteral("Never"), QStringLiteral("title"));
        FreeSpaceOverride override(probe);
        EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
        EXPECT_TRUE(record.hasSaveError());
        EXPECT_EQ(readAll(path), original);
        EXPECT_EQ(folderEntries(dir.path()), QStringList{"cut.wav"});
    }
    {
        TempDir dir;
        // Exactly five times the file's size is enough.
        FreeSpaceOverride override(
            [](const QByteArray&) -> std::optional<quint64> { return 5 * kCutFileSize; });
        EXPECT_NE(openForWriting(writeCutFile(dir)), nullptr);
    }

    // Audio that no reader decodes is not mended.
    TempDir dir;
    QByteArray undecodable = makeCutWav(dir, "undecodable.wav", "pcm_s16le");
    undecodable.replace(20, 2, "\x34\x12");   // an unknown format tag
    dir.writeFile("undecodable.wav", undecodable);
    EXPECT_EQ(openForWriting(dir.filePath("undecodable.wav")), nullptr);
    EXPECT_EQ(readAll(dir.filePath("undecodable.wav")), undecodable);
    EXPECT_EQ(folderEntries(dir.path()), QStringList{"undecodable.wav"});

    for (bool lockFolder : {false, true}) {
        TempDir lockDir;
        const QString path = writeCutFile(lockDir);
        ScopedImmutable immutable(lockFolder ? lockDir.path() : path);
        if (!immutable.isActive())
            GTEST_SKIP() << "the immutable attribute is not available here";
        EXPECT_EQ(openForWriting(path), nullptr);
        immutable.release();
        EXPECT_EQ(readAll(path), readAll(fixturePath("info.wav")).left(kCutFileSize));
        EXPECT_EQ(folderEntries(lockDir.path()), QStringList{"cut.wav"});
    }
}

// Renames would cut a hard link off or put a file where a symbolic link
// was; where the folder refuses renames, the file is written over.
TEST(WAVRepair, LinksAndFoldersThatRefuseRenamesKeepTheFileInPlace)
{
    TempDir dir;
    const QString path = writeCutFile(dir);
    const QString twin = dir.filePath("twin.wav");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(twin).constData()), 0);
    ASSERT_NE(openForWriting(path), nullptr);
    EXPECT_EQ(riff::checkWaveFile(twin), riff::WaveCondition::Intact);
    EXPECT_EQ(folderEntries(dir.path()), QStringList({"cut.wav", "twin.wav"}));

    TempDir other;
    const QString target = writeCutFile(other, "target.wav");
    const QString link = dir.filePath("link.wav");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_NE(openForWriting(link), nullptr);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(riff::checkWaveFile(target), riff::WaveCondition::Intact);
    EXPECT_EQ(folderEntries(other.path()), QStringList({"target.wav", "target.wav.bak"}));

    // Append-only: new files are allowed, renames are not.
    TempDir appendOnly;
    const QString cut = writeCutFile(appendOnly);
    const QByteArray folder = QFile::encodeName(appendOnly.path());
    LinuxFileFlags& flags = LinuxFileFlags::instance();
    const std::optional<quint32> old = flags.flags(folder);
    if (!old || !flags.setFlags(folder, *old | FS_APPEND_FL))
        GTEST_SKIP() << "the append-only attribute is not available here";
    auto tag = openForWriting(cut);
    flags.setFlags(folder, *old);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(riff::checkWaveFile(cut), riff::WaveCondition::Intact);
    EXPECT_FALSE(QFileInfo::exists(cut + ".bak"));
    tag->setTitle("In Place");
    EXPECT_TRUE(tag->save());
    EXPECT_EQ(mutagenRead(cut)["frames"].toObject()["TIT2"].toArray(), QJsonArray{"In Place"});
}

} // namespace
