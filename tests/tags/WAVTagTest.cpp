// WAV tags: the ID3v2 chunk as master, the INFO list as fallback and copy,
// checked against files ffmpeg and mutagen wrote and against the chunks on
// disk.

#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "tags/QZTagLibWAVTag.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMap>
#include <QtEndian>

#include <taglib/infotag.h>
#include <taglib/wavfile.h>

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A literal's bytes, zero bytes inside and at its end included.
template <std::size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// One chunk with its pad byte, unless told to leave it out.
QByteArray chunk(const QByteArray& id, const QByteArray& data, bool pad = true)
{
    QByteArray bytes = id + le32(quint32(data.size())) + data;
    if (pad && (data.size() & 1))
        bytes += '\0';
    return bytes;
}

QByteArray riffWave(const QByteArray& chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

struct Chunk {
    QByteArray id;
    QByteArray data;
};

QList<Chunk> chunksOf(const QString& path)
{
    const QByteArray file = readAll(path);
    QList<Chunk> chunks;
    qsizetype position = 12;
    while (position + 8 <= file.size()) {
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + position + 4);
        chunks.append({file.mid(position, 4), file.mid(position + 8, size)});
        position += 8 + qsizetype(size) + (size & 1);
    }
    return chunks;
}

QByteArray chunkData(const QString& path, const QByteArray& id)
{
    for (const Chunk& found : chunksOf(path)) {
        if (found.id == id)
            return found.data;
    }
    return QByteArray();
}

qsizetype countChunks(const QString& path, const QByteArray& id, const QByteArray& prefix = {})
{
    qsizetype count = 0;
    for (const Chunk& found : chunksOf(path))
        count += found.id.compare(id, Qt::CaseInsensitive) == 0 && found.data.startsWith(prefix);
    return count;
}

// The entries of the file's INFO list, texts without their zero bytes;
// empty without a list.
QMap<QByteArray, QByteArray> infoEntries(const QString& path)
{
    QMap<QByteArray, QByteArray> entries;
    for (const Chunk& found : chunksOf(path)) {
        if (found.id != "LIST" || !found.data.startsWith("INFO"))
            continue;
        qsizetype position = 4;
        while (position + 8 <= found.data.size()) {
            const quint32 size = qFromLittleEndian<quint32>(found.data.constData() + position + 4);
            QByteArray text = found.data.mid(position + 8, size);
            while (text.endsWith('\0'))
                text.chop(1);
            entries.insert(found.data.mid(position, 4), text);
            position += 8 + qsizetype(size) + (size & 1);
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

TEST(WAVTag, ReadsTheInfoListFfmpegWrote)
{
    TempDir dir;
    auto tag = openTag(dir.copyFixture("info.wav"), 0);
    ASSERT_NE(dynamic_cast<QZTagLibWAVTag*>(tag.get()), nullptr);
    EXPECT_EQ(tag->title(), QStringLiteral("Café Info"));
    EXPECT_EQ(tag->artist(), "Info Artist");
    EXPECT_EQ(tag->album(), "Info Album");
    EXPECT_EQ(tag->comment(), "Info comment");
    EXPECT_EQ(tag->genre(), "Folk");
    EXPECT_EQ(tag->year(), 2001);
    EXPECT_EQ(tag->trackNumber(), 7);
    EXPECT_EQ(tag->copyright(), "2001 Info Label");   // only our raw scan reads ICOP
    EXPECT_EQ(tag->albumArtist(), "");
    EXPECT_EQ(tag->tagFormat(), "Info");
    EXPECT_FALSE(tag->hasID3v1Tag());
    EXPECT_FALSE(tag->isReadOnly());
}

TEST(WAVTag, TheId3ChunkWinsOverInfo)
{
    TempDir dir;
    auto both = openTag(dir.copyFixture("id3_info.wav"), 0);
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->title(), "Tagged Title");
    EXPECT_EQ(both->artist(), "Tagged Artist");
    EXPECT_EQ(both->album(), "Info Album");
    EXPECT_EQ(both->comment(), "Info comment");
    EXPECT_EQ(both->year(), 2001);
    EXPECT_EQ(both->trackNumber(), 7);
    EXPECT_EQ(both->tagFormat(), "ID3v2.3.0, Info");

    auto id3 = openTag(dir.copyFixture("id3.wav"), 0);
    ASSERT_NE(id3, nullptr);
    EXPECT_EQ(id3->title(), "ID3 Title");
    EXPECT_EQ(id3->albumArtist(), "ID3 Album Artist");
    EXPECT_EQ(id3->comment(), "ID3 comment");
    EXPECT_EQ(id3->copyright(), "2004 ID3 Label");
    EXPECT_EQ(id3->encodedBy(), "ID3 Encoder");
    EXPECT_EQ(id3->tempo(), 96);
    EXPECT_EQ(id3->year(), 2004);
    EXPECT_EQ(id3->trackNumber(), 5);
    EXPECT_EQ(id3->tracksTotal(), 12);
    EXPECT_EQ(id3->discNumber(), 1);
    EXPECT_EQ(id3->discsTotal(), 2);
    ASSERT_EQ(id3->images().size(), 1);
    EXPECT_EQ(id3->images().first().image.size(), QSize(16, 16));
    EXPECT_EQ(id3->tagFormat(), "ID3v2.4.0");

    auto plain = openTag(dir.copyFixture("plain.wav"), 0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->title(), "");
    EXPECT_EQ(plain->tagFormat(), "No tags");
}

// TagLib stops reading an INFO list at an odd-sized entry written without
// its pad byte; the raw scan still finds what follows, in the INFO list even
// when a list of cue labels comes first, up to an entry that ends the list.
TEST(WAVTag, RawInfoScanFindsEntriesTagLibMisses)
{
    TempDir dir;
    const QByteArray plain = readAll(fixturePath("plain.wav"));
    const QByteArray format = plain.mid(12, 8 + 16);
    const QByteArray data = plain.mid(12 + 8 + 16);
    const QByteArray longComment(300, 'c');
    const QByteArray info = "INFO" + chunk("ISFT", "abc", false) + chunk("INAM", bytes(" Raw Title\0"), false)
        + chunk("ICMT", longComment + '\0') + chunk("ITRK", bytes("4/9\0")) + chunk("ICOP", bytes("Raw Label\0"))
        + chunk("IENC", bytes("Raw Encoder\0"));
    const QByteArray labels = "adtl" + chunk("labl", le32(1) + bytes("cue\0"));
    const QString path = dir.writeFile("raw.wav", riffWave(format + chunk("LIST", labels) + chunk("LIST", info) + data));

    {
        TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData(), false);
        ASSERT_TRUE(file.hasInfoTag());
        ASSERT_TRUE(file.InfoTag()->title().isEmpty());
    }
    auto tag = openTag(path, 0);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->title(), "Raw Title");
    EXPECT_EQ(tag->comment(), QString::fromLatin1(longComment));
    EXPECT_EQ(tag->trackNumber(), 4);
    EXPECT_EQ(tag->tracksTotal(), 9);
    EXPECT_EQ(tag->copyright(), "Raw Label");
    EXPECT_EQ(tag->encodedBy(), "Raw Encoder");
    EXPECT_EQ(tag->artist(), "");
}

TEST(WAVTag, SaveWritesId3AndCopiesIntoInfoKeepingTheAudio)
{
    TempDir dir;
    const QString path = dir.copyFixture("info.wav");
    const QByteArray pcm = chunkData(path, "data");
    const QString digest = audioPacketDigest(path);
    ASSERT_FALSE(digest.isEmpty());
    {
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        tag->setTitle(QStringLiteral("Neuer Titel ü"));
        tag->setArtist("New Artist");
        tag->setYear(2010);
        tag->setTrackNumber(3);
        tag->setTracksTotal(8);
        tag->setComment("");
        tag->setEncodedBy("Our Encoder");
        ASSERT_TRUE(tag->save());
        // Still open: the bytes must be in the file already.
        EXPECT_EQ(mutagenFrame(path, "TIT2"), QJsonArray{QStringLiteral("Neuer Titel ü")});
    }
    EXPECT_EQ(chunkData(path, "data"), pcm);
    EXPECT_EQ(audioPacketDigest(path), digest);
    EXPECT_EQ(countChunks(path, "id3 "), 1);
    EXPECT_EQ(countChunks(path, "LIST", "INFO"), 1);

    const QMap<QByteArray, QByteArray> info = infoEntries(path);
    EXPECT_EQ(info.value("INAM"), QByteArray("Neuer Titel ü"));
    EXPECT_EQ(info.value("IART"), "New Artist");
    EXPECT_EQ(info.value("ICRD"), "2010");
    EXPECT_EQ(info.value("IPRT"), "3");
    EXPECT_EQ(info.value("IENC"), "Our Encoder");
    EXPECT_FALSE(info.contains("ICMT"));
    // Values the ID3v2 tag does not hold stay as they were.
    EXPECT_EQ(info.value("IPRD"), "Info Album");
    EXPECT_EQ(info.value("IGNR"), "Folk");

    const QJsonObject seen = mutagenRead(path);
    EXPECT_EQ(seen["id3v2Version"].toString(), "2.4");
    EXPECT_EQ(seen["frames"].toObject()["TRCK"].toArray(), QJsonArray{"3/8"});
    EXPECT_FALSE(seen["frames"].toObject().contains("COMM"));

    auto reopened = openTag(path, 0);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->tagFormat(), "ID3v2.4.0, Info");
    EXPECT_EQ(reopened->comment(), "");
    EXPECT_EQ(reopened->copyright(), "2001 Info Label");
}

// A value cleared in the editor must not come back from the INFO list.
TEST(WAVTag, ClearingEveryFieldDropsTheInfoList)
{
    TempDir dir;
    const QString path = dir.copyFixture("id3_info.wav");
    {
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        for (auto set : {&QZTagLibTag::setTitle, &QZTagLibTag::setArtist, &QZTagLibTag::setAlbum,
                         &QZTagLibTag::setComment, &QZTagLibTag::setGenre, &QZTagLibTag::setCopyright})
            (tag.get()->*set)(QString());
        tag->setYear(0);
        tag->setTrackNumber(0);
        ASSERT_TRUE(tag->save());
    }
    EXPECT_EQ(countChunks(path, "LIST"), 0);
    EXPECT_EQ(countChunks(path, "id3 "), 1);

    auto reopened = openTag(path, 0);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->tagFormat(), "ID3v2.4.0");
    EXPECT_EQ(reopened->title(), "");
    EXPECT_EQ(reopened->album(), "");
    EXPECT_EQ(reopened->copyright(), "");
    EXPECT_EQ(reopened->year(), 0);
    EXPECT_EQ(reopened->trackNumber(), 0);
}

TEST(WAVTag, MutagenAndTagmintReadEachOthersId3Chunks)
{
    TempDir dir;
    const QString plain = dir.copyFixture("plain.wav");
    {
        auto tag = openTag(plain);
        ASSERT_NE(tag, nullptr);
        tag->setTitle(QStringLiteral("Ça va — 音楽"));
        tag->setAlbumArtist("Various");
        tag->setTrackNumber(5);
        tag->setTracksTotal(12);
        tag->setTagImage(QImage::fromData(makeImageBytes(6, 4)));
        ASSERT_TRUE(tag->save());
    }
    const QJsonObject seen = mutagenRead(plain);
    EXPECT_TRUE(seen["hasID3v2"].toBool());
    EXPECT_EQ(seen["frames"].toObject()["TIT2"].toArray(), QJsonArray{QStringLiteral("Ça va — 音楽")});
    EXPECT_EQ(seen["frames"].toObject()["TPE2"].toArray(), QJsonArray{"Various"});
    EXPECT_EQ(seen["frames"].toObject()["TRCK"].toArray(), QJsonArray{"5/12"});
    ASSERT_EQ(seen["frames"].toObject()["APIC"].toArray().size(), 1);

    // mutagen edits our chunk in place, and we edit its "id3 " chunk.
    ASSERT_TRUE(mutagenWrite(plain, QJsonObject{{"text", QJsonObject{{"TCOM", "From Mutagen"}}}}));
    auto tag = openTag(plain);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->composer(), "From Mutagen");
    EXPECT_EQ(tag->title(), QStringLiteral("Ça va — 音楽"));
    EXPECT_EQ(tag->images().size(), 1);
    tag->setComposer("From Tagmint");
    ASSERT_TRUE(tag->save());
    tag.reset();
    EXPECT_EQ(countChunks(plain, "id3 "), 1);
    EXPECT_EQ(mutagenFrame(plain, "TCOM"), QJsonArray{"From Tagmint"});
    EXPECT_EQ(mutagenFrame(plain, "TPE2"), QJsonArray{"Various"});

    const QString id3 = dir.copyFixture("id3.wav");
    {
        auto other = openTag(id3);
        ASSERT_NE(other, nullptr);
        other->setGenre("Jazz");
        ASSERT_TRUE(other->save());
    }
    EXPECT_EQ(countChunks(id3, "id3 "), 1);
    const QJsonObject after = mutagenRead(id3);
    EXPECT_EQ(after["frames"].toObject()["TCON"].toArray(), QJsonArray{"Jazz"});
    EXPECT_EQ(after["frames"].toObject()["TIT2"].toArray(), QJsonArray{"ID3 Title"});
    EXPECT_EQ(after["frames"].toObject()["APIC"].toArray().size(), 1);
}

// TagLib 1.13 opens these as valid WAV files and "saves" into them without
// writing a byte.
TEST(WAVTag, FilesThatAreNoWaveAreRefusedAndNeverWritten)
{
    const QByteArray plain = readAll(fixturePath("plain.wav"));
    QByteArray noise(4000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 37 + 11) % 251);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"ten.wav", QByteArray("0123456789")},
        {"noise.wav", noise},
        {"empty.wav", QByteArray()},
        {"text.wav", "just some text\n"},
        {"header.wav", riffWave(QByteArray())},
        {"nodata.wav", plain.left(12 + 8 + 16)},
        {"aiff.wav", readAll(fixturePath("plain.aiff"))},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        TempDir dir;
        const QString path = dir.writeFile(file.name, file.bytes);
        EXPECT_EQ(openTag(path, 0), nullptr);
        EXPECT_EQ(openTag(path), nullptr);

        QZTagLibWAVTag wrapper;
        EXPECT_FALSE(wrapper.open(path, QZTagLibTag::OpenForWriting));
        wrapper.setTitle("never written");
        EXPECT_FALSE(wrapper.save());
        EXPECT_EQ(readAll(path), file.bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{file.name});
    }
}

const QList<QPair<QString, QString>> kRecordEdits = {
    {"title", "Título ünïcödé"}, {"artist", "Artist"},     {"album", "Album"},
    {"albumArtist", "Various"},  {"genre", "Jazz"},        {"comment", "A comment"},
    {"composer", "Composer"},    {"grouping", "Grouping"}, {"copyright", "2024 Someone"},
    {"encodedBy", "Encoder"},    {"initialKey", "Am"},     {"tempo", "128"},
    {"year", "1999"},            {"trackNumber", "3"},     {"tracksTotal", "12"},
    {"discNumber", "1"},         {"discsTotal", "2"},
};

TEST(WAVRecord, LoadsEditsAndSavesEveryField)
{
    TempDir dir;
    const QString path = dir.copyFixture("info.wav");
    const QByteArray pcm = chunkData(path, "data");

    QZTagLibRecord record(path, 0);
    ASSERT_FALSE(record.hasInvalidTags());
    EXPECT_TRUE(record.isEditable());
    EXPECT_EQ(record.value("title").toString(), QStringLiteral("Café Info"));
    EXPECT_EQ(record.value("trackNumber").toString(), "7");
    EXPECT_EQ(record.value("tagFormat").toString(), "Info");

    for (const auto& [key, value] : kRecordEdits)
        record.setValue(value, key);
    QImage cover(40, 30, QImage::Format_RGB32);
    cover.fill(Qt::darkGreen);
    record.setImage(cover);
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_FALSE(record.hasSaveError());
    EXPECT_EQ(record.value("tagFormat").toString(), "ID3v2.4.0, Info");

    QZTagLibRecord reloaded(path, 0);
    for (const auto& [key, value] : kRecordEdits)
        EXPECT_EQ(reloaded.value(key).toString(), value) << key.toStdString();
    EXPECT_EQ(reloaded.image().size(), QSize(40, 30));
    EXPECT_EQ(chunkData(path, "data"), pcm);
    EXPECT_EQ(infoEntries(path).value("IPRD"), "Album");

    QZTagLibRecord plain(dir.copyFixture("plain.wav"), 0);
    EXPECT_EQ(plain.value("tagFormat").toString(), "No tags");
    EXPECT_TRUE(plain.isEditable());
}

TEST(WAVRecord, AFileThatIsNoWaveIsInvalidAndItsSaveFails)
{
    TempDir dir;
    const QByteArray junk("0123456789");
    const QString path = dir.writeFile("junk.wav", junk);
    QZTagLibRecord record(path, 0);
    EXPECT_TRUE(record.hasInvalidTags());
    EXPECT_EQ(record.value("tagFormat").toString(), "Invalid tags");
    EXPECT_FALSE(record.saveDataToTagAndDoRenaming());
    EXPECT_TRUE(record.hasSaveError());
    EXPECT_EQ(readAll(path), junk);
}

} // namespace
