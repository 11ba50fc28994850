// WAV tags: the ID3v2 chunk as master, the INFO list as fallback and copy,
// against files ffmpeg and mutagen wrote and against the chunks on disk.

#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "tags/QZTagLibWAVTag.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMap>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray le32(quint32 value)
{
    QByteArray result(4, '\0');
    qToLittleEndian(value, result.data());
    return result;
}

// A chunk with its pad byte unless told to leave it out, as some writers do.
QByteArray chunk(const QByteArray& id, const QByteArray& data, bool pad = true)
{
    return id + le32(quint32(data.size())) + data + QByteArray(pad ? data.size() & 1 : 0, '\0');
}

// The file's chunks in order: id and data.
QList<QPair<QByteArray, QByteArray>> chunksOf(const QString& path)
{
    const QByteArray file = readAll(path);
    QList<QPair<QByteArray, QByteArray>> chunks;
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + at + 4);
        chunks.append({file.mid(at, 4), file.mid(at + 8, size)});
        at += 8 + qsizetype(size) + (size & 1);
    }
    return chunks;
}

QByteArray dataChunk(const QString& path)
{
    for (const auto& [id, data] : chunksOf(path)) {
        if (id == "data")
            return data;
    }
    return QByteArray();
}

QByteArrayList chunkIds(const QString& path)
{
    QByteArrayList ids;
    for (const auto& found : chunksOf(path))
        ids << found.first + (found.first == "LIST" ? "/" + found.second.left(4) : "");
    return ids;
}

// INFO entries with their texts up to the first zero byte.
QMap<QByteArray, QByteArray> infoEntries(const QString& path)
{
    QMap<QByteArray, QByteArray> entries;
    for (const auto& [id, list] : chunksOf(path)) {
        for (qsizetype at = 4; id == "LIST" && list.startsWith("INFO") && at + 8 <= list.size();) {
            const quint32 size = qFromLittleEndian<quint32>(list.constData() + at + 4);
            entries.insert(list.mid(at, 4), list.mid(at + 8, size).split('\0').first());
            at += 8 + qsizetype(size) + (size & 1);
        }
    }
    return entries;
}

std::unique_ptr<QZTagLibTag> openTag(const QString& path, quint32 flags = QZTagLibTag::OpenForWriting)
{
    return QZTagLibTag::tagWithPath(path, flags);
}

QJsonArray mutagenFrame(const QString& path, const char* id)
{
    return mutagenRead(path)["frames"].toObject()[QLatin1String(id)].toArray();
}

TEST(WAVTag, ReadsId3FirstThenInfoAsFfmpegWroteIt)
{
    TempDir dir;
    auto info = openTag(dir.copyFixture("info.wav"), 0);
    ASSERT_NE(dynamic_cast<QZTagLibWAVTag*>(info.get()), nullptr);
    EXPECT_EQ(info->title(), QStringLiteral("Café Info"));
    EXPECT_EQ(info->genre(), "Folk");
    EXPECT_EQ(info->year(), 2001);
    EXPECT_EQ(info->trackNumber(), 7);
    EXPECT_EQ(info->copyright(), "2001 Info Label");   // TagLib has no accessor for ICOP
    EXPECT_EQ(info->tagFormat(), "Info");

    auto both = openTag(dir.copyFixture("id3_info.wav"), 0);
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->title(), "Tagged Title");
    EXPECT_EQ(both->album(), "Info Album");
    EXPECT_EQ(both->comment(), "Info comment");
    EXPECT_EQ(both->tagFormat(), "ID3v2.3.0, Info");

    EXPECT_EQ(openTag(dir.copyFixture("id3.wav"), 0)->tagFormat(), "ID3v2.4.0");
    EXPECT_EQ(openTag(dir.copyFixture("plain.wav"), 0)->tagFormat(), "No tags");
}

// TagLib gives up on an INFO list at an odd-sized entry without its pad
// byte; our scan still finds what follows, in the INFO list rather than a
// list of cue labels before it, up to an entry that ends the list.
TEST(WAVTag, RawInfoScanFindsEntriesTagLibMisses)
{
    TempDir dir;
    const QByteArray plain = readAll(fixturePath("plain.wav"));
    const QByteArray longComment(300, 'c');
    const QByteArray info = "INFO" + chunk("ISFT", "abc", false)
        + chunk("INAM", QByteArray(" Raw Title\0", 11), false) + chunk("ICMT", longComment + '\0')
        + chunk("ITRK", QByteArray("4/9\0", 4)) + chunk("IENC", QByteArray("Raw Encoder\0", 12));
    const QByteArray chunks = plain.mid(12, 24) + chunk("LIST", "adtl" + chunk("labl", le32(1) + "cue"))
        + chunk("LIST", info) + plain.mid(36);
    const QString path =
        dir.writeFile("raw.wav", "RIFF" + le32(quint32(chunks.size() + 4)) + "WAVE" + chunks);

    auto tag = openTag(path, 0);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->title(), "Raw Title");
    EXPECT_EQ(tag->comment(), QString::fromLatin1(longComment));
    EXPECT_EQ(tag->trackNumber(), 4);
    EXPECT_EQ(tag->tracksTotal(), 9);
    EXPECT_EQ(tag->encodedBy(), "Raw Encoder");
}

TEST(WAVRecord, SaveWritesId3CopiesIntoInfoAndKeepsTheAudio)
{
    TempDir dir;
    const QString path = dir.copyFixture("info.wav");
    const QByteArray pcm = dataChunk(path);
    const QString digest = audioPacketDigest(path);
    ASSERT_FALSE(digest.isEmpty());

    QZTagLibRecord record(path, 0);
    ASSERT_FALSE(record.hasInvalidTags());
    EXPECT_EQ(record.value("tagFormat").toString(), "Info");
    record.setValue(QStringLiteral("Neuer Titel ü"), "title");
    record.setValue("3", "trackNumber");
    record.setValue("8", "tracksTotal");
    record.setValue("", "comment");
    record.setValue("Our Encoder", "encodedBy");
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_EQ(record.value("tagFormat").toString(), "ID3v2.4.0, Info");

    EXPECT_EQ(dataChunk(path), pcm);
    EXPECT_EQ(audioPacketDigest(path), digest);
    EXPECT_EQ(chunkIds(path), QByteArrayList({"fmt ", "data", "ID3 ", "LIST/INFO"}));
    const QMap<QByteArray, QByteArray> info = infoEntries(path);
    EXPECT_EQ(info.value("INAM"), QByteArray("Neuer Titel ü"));
    EXPECT_EQ(info.value("IPRT"), "3");
    EXPECT_EQ(info.value("IENC"), "Our Encoder");
    EXPECT_FALSE(info.contains("ICMT"));
    // Shown from INFO only, so the record wrote them back unchanged.
    EXPECT_EQ(info.value("IPRD"), "Info Album");
    EXPECT_EQ(info.value("ICOP"), "2001 Info Label");
    EXPECT_EQ(mutagenFrame(path, "TRCK"), QJsonArray{"3/8"});
    EXPECT_EQ(mutagenFrame(path, "TALB"), QJsonArray{"Info Album"});
}

// A value cleared must not come back from the INFO list.
TEST(WAVTag, ClearingEveryFieldDropsTheInfoList)
{
    TempDir dir;
    const QString path = dir.copyFixture("id3_info.wav");
    auto tag = openTag(path);
    ASSERT_NE(tag, nullptr);
    for (auto set : {&QZTagLibTag::setTitle, &QZTagLibTag::setArtist, &QZTagLibTag::setAlbum,
                     &QZTagLibTag::setComment, &QZTagLibTag::setGenre, &QZTagLibTag::setCopyright})
        (tag.get()->*set)(QString());
    tag->setYear(0);
    tag->setTrackNumber(0);
    ASSERT_TRUE(tag->save());
    // mutagen's "id3 " chunk is replaced by TagLib's "ID3 ".
    EXPECT_EQ(chunkIds(path), QByteArrayList({"fmt ", "data", "ID3 "}));
    // Stripping the list replaced TagLib's INFO tag under the open wrapper.
    EXPECT_EQ(tag->album(), "");
    EXPECT_EQ(tag->copyright(), "");
    EXPECT_EQ(tag->tagFormat(), "ID3v2.4.0");
    tag->setAlbum("Again");
    EXPECT_TRUE(tag->save());
    EXPECT_EQ(infoEntries(path).value("IPRD"), "Again");
}

TEST(WAVTag, MutagenAndTagmintReadEachOthersId3Chunks)
{
    TempDir dir;
    const QString path = dir.copyFixture("plain.wav");
    QByteArray whileOpen;
    {
        auto tag = openTag(path);
        tag->setTitle(QStringLiteral("Ça va — 音楽"));
        tag->setAlbumArtist("Various");
        tag->setTagImage(QImage::fromData(makeImageBytes(6, 4)));
        ASSERT_TRUE(tag->save());
        whileOpen = readAll(path);
    }
    // The save reached the file before save() returned.
    EXPECT_EQ(readAll(path), whileOpen);
    EXPECT_EQ(mutagenFrame(path, "TIT2"), QJsonArray{QStringLiteral("Ça va — 音楽")});
    EXPECT_EQ(mutagenFrame(path, "APIC").size(), 1);

    ASSERT_TRUE(mutagenWrite(path, QJsonObject{{"text", QJsonObject{{"TCOM", "From Mutagen"}}}}));
    const QString theirs = dir.copyFixture("id3.wav");
    for (const QString& file : {path, theirs}) {
        auto tag = openTag(file);
        ASSERT_NE(tag, nullptr);
        tag->setGenre("Jazz");
        ASSERT_TRUE(tag->save());
    }
    EXPECT_EQ(openTag(path, 0)->composer(), "From Mutagen");
    EXPECT_EQ(mutagenFrame(path, "TPE2"), QJsonArray{"Various"});
    EXPECT_EQ(mutagenFrame(theirs, "TCON"), QJsonArray{"Jazz"});
    EXPECT_EQ(mutagenFrame(theirs, "TIT2"), QJsonArray{"ID3 Title"});
    EXPECT_EQ(chunkIds(theirs), QByteArrayList({"fmt ", "data", "ID3 ", "LIST/INFO"}));
}

// TagLib 1.13 opens all of these as valid WAV files and "saves" into them
// without writing a byte.
TEST(WAVTag, FilesThatAreNoWaveAreRefusedAndNeverWritten)
{
    const QByteArray plain = readAll(fixturePath("plain.wav"));
    for (const QByteArray& bytes : {QByteArray("0123456789"), QByteArray(4000, '\x5a'), QByteArray(),
                                    plain.left(12), plain.left(36), readAll(fixturePath("plain.aiff"))}) {
        SCOPED_TRACE(bytes.left(12).toHex().toStdString());
        TempDir dir;
        const QString path = dir.writeFile("junk.wav", bytes);
        EXPECT_EQ(openTag(path), nullptr);
        QZTagLibRecord record(path, 0);
        EXPECT_EQ(record.value("tagFormat").toString(), "Invalid tags");
        EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
        EXPECT_TRUE(record.hasSaveError());
        EXPECT_EQ(readAll(path), bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"junk.wav"});
    }
}

} // namespace
