// Ogg (Vorbis, Opus, FLAC, Speex), APEv2 (WavPack), TrueAudio and ASF: what
// mutagen writes we read, what we write mutagen reads, the picture both
// ways, the audio packets unchanged by a save, damaged files refused.

#include "tags/ApeTagWalker.h"
#include "tags/OggPageWalker.h"
#include "tags/StructureVerdict.h"
#include "tags/TagTestSupport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

const char* const kOggFixtures[] = {"tagged.ogg", "tagged.opus", "tagged.oga", "tagged.spx"};
const QString kFixtureCoverMd5 = QStringLiteral("65f5d161bd8f07f48873ad89820d4584");

// The fields every fixture carries, in the record's keys; `prefix` is the
// family's word in the texts ("Ogg Title", "Ape Title").
QMap<QString, QString> fixtureFields(const QString& prefix)
{
    return {
        {"title", prefix + " Title"}, {"artist", prefix + " Artist"}, {"album", prefix + " Album"},
        {"albumArtist", prefix + " Album Artist"}, {"composer", prefix + " Composer"},
        {"comment", prefix + " comment"}, {"genre", "Rock"}, {"year", "2004"}, {"tempo", "120"},
        {"trackNumber", "5"}, {"tracksTotal", "12"}, {"discNumber", "1"}, {"discsTotal", "2"},
    };
}

void expectFields(const QString& path, const QMap<QString, QString>& expected)
{
    const QZTagLibRecord record(path, 0);
    ASSERT_FALSE(record.hasInvalidTags());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(record.value(it.key()).toString(), it.value()) << qPrintable(it.key());
    EXPECT_EQ(record.image().size(), QSize(16, 16));
}

// editAndSave on a copy of the fixture, checking that the audio packets
// stay as they were; answers the digest of the picture written.
QString editKeepingAudio(const QString& path)
{
    const QString before = audioPacketDigest(path);
    EXPECT_FALSE(before.isEmpty());
    const QString picture = editAndSave(path);
    EXPECT_EQ(audioPacketDigest(path), before);
    return picture;
}

void expectRefusedFor(const TempDir& dir, const char* name, const QByteArray& bytes, const char* reason)
{
    expectRefusedAndNeverWritten(dir, name, bytes);
    EXPECT_TRUE(tagmint::tags::checkFileStructure(dir.filePath(QString::fromLatin1(name)))
                    .problem.contains(QLatin1String(reason)))
        << name;
}

bool saveComment(const QString& path, const QString& comment)
{
    QZTagLibRecord record(path, 0);
    record.setValue(comment, QStringLiteral("comment"));
    return record.saveDataToTagAndDoRenaming();
}

void putLittleEndian32(QByteArray& bytes, qsizetype offset, quint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

// --- Ogg --------------------------------------------------------------------

TEST(OggFormats, EachCodecReadsMutagensFieldsAndWritesItsOwn)
{
    for (const char* fixture : kOggFixtures) {
        SCOPED_TRACE(fixture);
        TempDir dir;
        const QString path = dir.copyFixture(QString::fromLatin1(fixture));
        expectFields(path, fixtureFields("Ogg"));
        EXPECT_EQ(openTag(path)->tagFormat(), "Xiph Comment");

        const QString picture = editKeepingAudio(path);
        const QJsonObject seen = mutagenRead(path);
        EXPECT_EQ(texts(seen["xiph"].toObject()), kEditedXiphFields);
        ASSERT_EQ(seen["pictures"].toArray().size(), 1);
        EXPECT_EQ(seen["pictures"][0]["md5"].toString(), picture);
        EXPECT_EQ(seen["pictures"][0]["type"].toInt(), 3);
        EXPECT_EQ(seen["pictures"][0]["desc"].toString(), "front");   // kept
    }
}

TEST(OggFormats, PicturesRemovedAndAddedAsMetadataBlockPictures)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.opus");
    {
        QZTagLibRecord record(path, 0);
        record.setImage(QImage());
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    EXPECT_TRUE(mutagenRead(path)["pictures"].toArray().isEmpty());
    const QImage image = solidImage(4, 3, Qt::blue);
    {
        QZTagLibRecord record(path, 0);
        record.setImage(image);
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    const QJsonArray pictures = mutagenRead(path)["pictures"].toArray();
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(pictures[0]["type"].toInt(), 3);   // a new picture is a front cover
    EXPECT_EQ(pictures[0]["width"].toInt(), 4);
    EXPECT_EQ(pictures[0]["md5"].toString(), encodedMd5(image));
}

// A large comment spreads over more pages, so TagLib renumbers every page
// after it; the audio must come through all the same.
TEST(OggFormats, CommentGrowingOverManyPagesKeepsTheAudio)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.ogg");
    const QString before = audioPacketDigest(path);
    {
        QZTagLibRecord record(path, 0);
        record.setValue(QString(100000, QLatin1Char('c')), QStringLiteral("comment"));
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    EXPECT_EQ(audioPacketDigest(path), before);
    EXPECT_TRUE(tagmint::tags::checkFileStructure(path).holds());
    EXPECT_EQ(QZTagLibRecord(path, 0).value("comment").toString().size(), 100000);
}

// The comment packet keeps padding, so once a file has been saved, edits
// that shorten or lengthen the comment are written over it in place (same
// inode, same length); a large comment's leftover room is not all kept.
TEST(OggFormats, LaterEditsFitTheCommentsPaddingInPlace)
{
    for (const char* fixture : kOggFixtures) {
        SCOPED_TRACE(fixture);
        TempDir dir;
        const QString path = dir.copyFixture(QString::fromLatin1(fixture));
        const QString audio = audioPacketDigest(path);
        ASSERT_TRUE(saveComment(path, QStringLiteral("first")));
        const QFileInfo first(path);
        const ino_t inode = statOf(path).st_ino;
        for (const QString& comment : {QStringLiteral("a"), QString(600, QLatin1Char('l')), QStringLiteral("")}) {
            ASSERT_TRUE(saveComment(path, comment));
            EXPECT_EQ(statOf(path).st_ino, inode);
            EXPECT_EQ(QFileInfo(path).size(), first.size());
            EXPECT_EQ(QZTagLibRecord(path, 0).value("comment").toString(), comment);
        }
        EXPECT_EQ(mutagenRead(path)["xiph"].toObject()["TITLE"][0].toString(), "Ogg Title");
        EXPECT_EQ(audioPacketDigest(path), audio);

        ASSERT_TRUE(saveComment(path, QString(200000, QLatin1Char('c'))));
        ASSERT_TRUE(saveComment(path, QStringLiteral("short again")));
        EXPECT_LT(QFileInfo(path).size(), first.size() + 70000);
        EXPECT_EQ(mutagenRead(path)["xiph"].toObject()["COMMENT"][0].toString(), "short again");
        EXPECT_EQ(audioPacketDigest(path), audio);
    }
}

// A Speex stream may announce extra header packets after its comment; a
// save leaves them where they were.
TEST(OggFormats, SpeexExtraHeadersStayAfterTheComment)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged_extra.spx");
    expectFields(path, fixtureFields("Ogg"));
    const QByteArray extra("Extra header of a Speex stream");
    const qsizetype before = readAll(path).indexOf(extra);
    ASSERT_GT(before, 0);
    editKeepingAudio(path);
    const QByteArray saved = readAll(path);
    EXPECT_GT(saved.indexOf(extra), saved.indexOf("TITLE="));
    EXPECT_TRUE(tagmint::tags::checkFileStructure(path).holds());
    EXPECT_EQ(texts(mutagenRead(path)["xiph"].toObject()), kEditedXiphFields);
}

TEST(OggFormats, DamagedAndChainedFilesAreRefused)
{
    TempDir dir;
    const QByteArray good = readAll(fixturePath("tagged.ogg"));
    const qsizetype lastPage = good.lastIndexOf("OggS");

    QByteArray badChecksum = good;
    badChecksum[lastPage + 40] = char(badChecksum[lastPage + 40] ^ 0x55);
    expectRefusedFor(dir, "bad_checksum.ogg", badChecksum, "wrong checksum");
    expectRefusedFor(dir, "cut_in_page.ogg", good.left(good.size() - 10), "is cut off");
    expectRefusedFor(dir, "cut_at_page.ogg", good.left(lastPage), "last page is missing");
    expectRefusedFor(dir, "chained.opus", readAll(fixturePath("tagged.opus")) + readAll(fixturePath("tagged.opus")),
                     "another stream");
    expectRefusedFor(dir, "junk.spx", QByteArray("OggS") + QByteArray(200, 'x'), "no valid page header");
    // Pages of a stream TagLib has no class for.
    QByteArray unknown = good;
    unknown.replace(unknown.indexOf("\x01vorbis"), 7, "\x01zorbis");
    expectRefusedAndNeverWritten(dir, "unknown_codec.ogg", unknown);
}

std::optional<QByteArray> packetDigestOf(const QByteArray& bytes)
{
    return tagmint::tags::ogg::audioPacketDigest(
        [&](qint64 offset, qint64 length) { return bytes.mid(qsizetype(offset), qsizetype(length)); },
        bytes.size());
}

// The digest a save is checked with: blind to the comment and to how the
// header pages are cut, sensitive to any audio byte.
TEST(OggFormats, PacketDigestSeesTheAudioOnly)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.ogg");
    const QByteArray original = readAll(path);
    const std::optional<QByteArray> digest = packetDigestOf(original);
    ASSERT_TRUE(digest);

    ASSERT_TRUE(mutagenWrite(path, {{"xiph", QJsonObject{{"COMMENT", QString(70000, QLatin1Char('x'))}}}}));
    const QByteArray longComment = readAll(path);
    ASSERT_GT(longComment.count("OggS"), original.count("OggS"));
    EXPECT_EQ(packetDigestOf(longComment), digest);

    // One audio byte changed, the page's checksum made to match.
    QByteArray changed = original;
    const qsizetype lastPage = changed.lastIndexOf("OggS");
    changed[changed.size() - 5] = char(changed[changed.size() - 5] ^ 0x01);
    QByteArray page = changed.mid(lastPage);
    page.replace(22, 4, QByteArray(4, '\0'));
    qToLittleEndian(tagmint::tags::ogg::oggChecksum(page), changed.data() + lastPage + 22);
    EXPECT_TRUE(tagmint::tags::checkFileStructure(dir.writeFile("changed.ogg", changed)).holds());
    EXPECT_NE(packetDigestOf(changed), digest);
}

// --- APEv2 ------------------------------------------------------------------

TEST(ApeFormats, WavPackReadsMutagensItemsAndWritesItsOwn)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.wv");
    QMap<QString, QString> fields = fixtureFields("Ape");
    fields.insert({{"grouping", "Ape Grouping"}, {"encodedBy", "Ape Encoder"}, {"initialKey", "Am"},
                   {"copyright", "2004 Ape Label"}});
    expectFields(path, fields);
    EXPECT_EQ(openTag(path)->tagFormat(), "APEv2");

    const QString picture = editKeepingAudio(path);
    QJsonObject items = mutagenRead(path)["ape"].toObject();
    const QJsonObject cover = items.take("Cover Art (Front)").toObject();
    EXPECT_EQ(cover["md5"].toString(), picture);
    EXPECT_EQ(cover["name"].toString(), "cover.jpg");
    const QMap<QString, QString> expected = {
        {"Title", kTitle}, {"Artist", "An Artist"}, {"Album", "An Album"}, {"Album Artist", "Album Artist"},
        {"Genre", "Ambient"}, {"Comment", "A comment"}, {"Composer", "A Composer"},
        {"Grouping", "A Grouping"}, {"Copyright", "2020 Label"}, {"EncodedBy", "An Encoder"},
        {"Key", "C#m"}, {"BPM", "121"}, {"Year", "2020"}, {"Track", "5/12"}, {"Disc", "1/2"},
    };
    EXPECT_EQ(texts(items), expected);

    QZTagLibRecord record(path, 0);
    record.setImage(QImage());
    ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    EXPECT_FALSE(mutagenRead(path)["ape"].toObject().contains("Cover Art (Front)"));
}

TEST(ApeFormats, ID3v1IsAFallbackKeptInStep)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.wv");
    ASSERT_TRUE(mutagenWrite(path, {{"ape", QJsonObject{{"Title", ""}, {"Track", ""}}}}));
    QByteArray id3v1 = QByteArray("TAG") + QByteArray("Old Title").leftJustified(30, '\0');
    id3v1 += QByteArray(94, '\0');
    id3v1[126] = 7;   // ID3v1.1 track
    id3v1 += char(17);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(id3v1);
    file.close();
    {
        QZTagLibRecord record(path, 0);
        EXPECT_EQ(record.value("title").toString(), "Old Title");
        EXPECT_EQ(record.value("trackNumber").toString(), "7");
        EXPECT_EQ(openTag(path)->tagFormat(), "APEv2, ID3v1");
        record.setValue(QStringLiteral("New Title"), QStringLiteral("title"));
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    const QByteArray saved = readAll(path);
    EXPECT_EQ(saved.right(128).left(12), "TAGNew Title");
    const QJsonObject items = mutagenRead(path)["ape"].toObject();
    EXPECT_EQ(items["Title"].toArray().first().toString(), "New Title");
    EXPECT_EQ(items["Track"].toArray().first().toString(), "7");

    // "TAG" 128 bytes from the end inside an APE footer's "APETAGEX" is no
    // ID3v1 tag: the audio runs on to the end, as TagLib takes it.
    QByteArray footerThenJunk = readAll(fixturePath("tagged.wv")) + QByteArray(99, '\0');
    ASSERT_EQ(footerThenJunk.mid(footerThenJunk.size() - 128, 3), "TAG");
    QBuffer device(&footerThenJunk);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    tagmint::tags::ape::Layout layout;
    ASSERT_TRUE(tagmint::tags::ape::checkApe(device, &layout).holds());
    EXPECT_EQ(layout.audio.offset + layout.audio.length, footerThenJunk.size());
}

TEST(ApeFormats, LyingFootersAreRefused)
{
    TempDir dir;
    const QByteArray good = readAll(fixturePath("tagged.wv"));
    const qsizetype footer = good.size() - 32;
    ASSERT_EQ(good.mid(footer, 8), "APETAGEX");
    const quint32 size = qFromLittleEndian<quint32>(good.constData() + footer + 12);
    const quint32 count = qFromLittleEndian<quint32>(good.constData() + footer + 16);

    QByteArray moreItems = good;
    putLittleEndian32(moreItems, footer + 16, count + 1);
    expectRefusedFor(dir, "count.wv", moreItems, "holds");
    QByteArray huge = good;
    putLittleEndian32(huge, footer + 12, 0x7FFFFFF0);
    expectRefusedFor(dir, "huge.wv", huge, "larger than the file");
    QByteArray shorter = good;
    putLittleEndian32(shorter, footer + 12, size - 4);
    expectRefusedAndNeverWritten(dir, "short.wv", shorter);
    expectRefusedFor(dir, "junk.wv", QByteArray(300, 'j'), "no WavPack");
    // TagLib would drop a text it cannot read as UTF-8 on save.
    QByteArray latin1 = good;
    latin1.replace("Ape Composer", "Ape Comp\xf6ser");
    expectRefusedFor(dir, "latin1.wv", latin1, "not UTF-8");
}

// An item with an empty value, as some taggers leave, goes on a save:
// TagLib 1.13 would count it in the footer without writing it, and the
// file would then be refused.
TEST(ApeFormats, EmptyItemsAreDroppedBySaves)
{
    TempDir dir;
    QByteArray bytes = readAll(fixturePath("tagged.wv"));
    const qsizetype footer = bytes.size() - 32;
    const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + footer + 12);
    const quint32 count = qFromLittleEndian<quint32>(bytes.constData() + footer + 16);
    const qsizetype header = footer + 32 - qsizetype(size) - 32;
    ASSERT_EQ(bytes.mid(header, 8), "APETAGEX");
    const QByteArray emptyItem = QByteArray(8, '\0') + QByteArray("Empty", 6);
    bytes.insert(footer, emptyItem);
    for (const qsizetype at : {header, footer + emptyItem.size()}) {
        putLittleEndian32(bytes, at + 12, size + quint32(emptyItem.size()));
        putLittleEndian32(bytes, at + 16, count + 1);
    }
    const QString path = dir.writeFile("empty.wv", bytes);
    ASSERT_TRUE(mutagenRead(path)["ape"].toObject().contains("Empty"));

    ASSERT_TRUE(saveComment(path, QStringLiteral("saved")));
    EXPECT_TRUE(tagmint::tags::checkFileStructure(path).holds());
    const QJsonObject items = mutagenRead(path)["ape"].toObject();
    EXPECT_FALSE(items.contains("Empty"));
    EXPECT_EQ(items["Comment"][0].toString(), "saved");
    EXPECT_EQ(items["Title"][0].toString(), "Ape Title");
}

// --- TrueAudio --------------------------------------------------------------

TEST(TrueAudioFormat, ReadsAndWritesID3LikeMpeg)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.tta");
    expectFields(path, fixtureFields("TTA"));
    EXPECT_EQ(openTag(path)->tagFormat(), "ID3v2.4.0");

    const QString picture = editKeepingAudio(path);
    const QJsonObject seen = mutagenRead(path);
    EXPECT_EQ(frameTexts(seen, "TIT2"), QStringList{kTitle});
    EXPECT_EQ(frameTexts(seen, "TRCK"), QStringList{"5/12"});
    EXPECT_EQ(frameTexts(seen, "TPOS"), QStringList{"1/2"});
    ASSERT_EQ(seen["frames"]["APIC"].toArray().size(), 1);
    EXPECT_EQ(seen["frames"]["APIC"][0]["md5"].toString(), picture);

    expectRefusedAndNeverWritten(dir, "junk.tta", QByteArray("ID3\x04\0\0\0\0\0\0", 10) + QByteArray(200, 'x'));
}

// --- ASF --------------------------------------------------------------------

TEST(AsfFormat, ReadsMutagensAttributesAndWritesItsOwn)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.wma");
    QMap<QString, QString> fields = fixtureFields("Wma");
    fields.insert({{"grouping", "Wma Grouping"}, {"encodedBy", "Wma Encoder"}, {"initialKey", "Am"},
                   {"copyright", "2004 Wma Label"}});
    expectFields(path, fields);
    EXPECT_EQ(openTag(path)->tagFormat(), "ASF");

    const QString picture = editKeepingAudio(path);
    const QJsonObject seen = mutagenRead(path);
    const QMap<QString, QString> expected = {
        {"Title", kTitle}, {"Author", "An Artist"}, {"WM/AlbumTitle", "An Album"},
        {"WM/AlbumArtist", "Album Artist"}, {"WM/Genre", "Ambient"}, {"Description", "A comment"},
        {"WM/Composer", "A Composer"}, {"WM/ContentGroupDescription", "A Grouping"},
        {"Copyright", "2020 Label"}, {"WM/EncodedBy", "An Encoder"}, {"WM/InitialKey", "C#m"},
        {"WM/BeatsPerMinute", "121"}, {"WM/Year", "2020"}, {"WM/TrackNumber", "5"},
        {"TotalTracks", "12"}, {"WM/PartOfSet", "1/2"},
        {"Rating", ""},   // TagLib writes the whole content description
    };
    EXPECT_EQ(texts(seen["asf"].toObject()), expected);
    ASSERT_EQ(seen["pictures"].toArray().size(), 1);
    EXPECT_EQ(seen["pictures"][0]["md5"].toString(), picture);
    EXPECT_EQ(seen["pictures"][0]["desc"].toString(), "front");   // kept
}

// Some encoders store the track number as a DWORD: it reads as a number,
// survives saves of other fields, and an edited number reaches mutagen.
TEST(AsfFormat, DwordTrackNumberReadsAndEdits)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged_dword.wma");
    const auto saveValue = [&](const QString& key, const QString& value) {
        QZTagLibRecord record(path, 0);
        record.setValue(value, key);
        return record.saveDataToTagAndDoRenaming();
    };
    EXPECT_EQ(QZTagLibRecord(path, 0).value("trackNumber").toString(), "7");
    ASSERT_TRUE(saveValue(QStringLiteral("title"), QStringLiteral("Other")));
    QJsonObject attributes = mutagenRead(path)["asf"].toObject();
    EXPECT_EQ(attributes["WM/TrackNumber"].toArray(), QJsonArray{"7"});
    EXPECT_EQ(attributes["Title"].toArray(), QJsonArray{"Other"});

    ASSERT_TRUE(saveValue(QStringLiteral("trackNumber"), QStringLiteral("8")));
    attributes = mutagenRead(path)["asf"].toObject();
    EXPECT_EQ(attributes["WM/TrackNumber"].toArray(), QJsonArray{"8"});
    EXPECT_EQ(QZTagLibRecord(path, 0).value("trackNumber").toString(), "8");
}

TEST(AsfFormat, ObjectsWithAbsurdSizesAreRefused)
{
    TempDir dir;
    const QByteArray good = readAll(fixturePath("tagged.wma"));
    constexpr qsizetype kFirstChild = 30;

    QByteArray hugeHeader = good;
    qToLittleEndian(quint64(1) << 62, hugeHeader.data() + 16);
    expectRefusedFor(dir, "huge_header.wma", hugeHeader, "no valid ASF header");
    QByteArray extraChild = good;
    putLittleEndian32(extraChild, 24, qFromLittleEndian<quint32>(good.constData() + 24) + 1);
    expectRefusedFor(dir, "count.wma", extraChild, "sizes or count");
    QByteArray tinyChild = good;
    qToLittleEndian(quint64(3), tinyChild.data() + kFirstChild + 16);
    expectRefusedFor(dir, "tiny_child.wma", tinyChild, "sizes or count");
    expectRefusedFor(dir, "cut.wma", good.left(good.size() - 100), "after the header");
}

// TagLib reads as many attributes as an object counts, past its end if
// need be: counts and lengths must match the bytes the object holds. A
// cover too large for the extended content description goes into the
// metadata library, which must still read back.
TEST(AsfFormat, TagObjectsMustHoldWhatTheyCount)
{
    TempDir dir;
    const QByteArray good = readAll(fixturePath("tagged.wma"));
    const auto dataOf = [&](const char* guid) {
        const qsizetype object = good.indexOf(QByteArray::fromHex(guid));
        EXPECT_GT(object, 0) << guid;
        return object + 24;
    };
    const qsizetype description = dataOf("3326b2758e66cf11a6d900aa0062ce6c");
    const qsizetype extended = dataOf("40a4d0d207e3d21197f000a0c95ea850");
    const qsizetype metadata = dataOf("eacbf8c5af5b77488467aa8c44fa4cca");

    QByteArray oneMore = good;
    qToLittleEndian(quint16(qFromLittleEndian<quint16>(good.constData() + extended) + 1), oneMore.data() + extended);
    expectRefusedFor(dir, "extended.wma", oneMore, "does not hold what it counts");
    QByteArray hostile = good;
    qToLittleEndian(quint16(0xFFFF), hostile.data() + metadata);
    expectRefusedFor(dir, "metadata.wma", hostile, "does not hold what it counts");
    QByteArray longerTitle = good;
    qToLittleEndian(quint16(qFromLittleEndian<quint16>(good.constData() + description) + 2),
                    longerTitle.data() + description);
    expectRefusedFor(dir, "title.wma", longerTitle, "does not hold what it counts");

    const QString path = dir.copyFixture("tagged.wma");
    QImage noise(300, 300, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate());
    const QString picturePath = dir.filePath("noise.png");
    ASSERT_TRUE(noise.save(picturePath));
    const std::optional<tagmint::tags::TagPicture> picture = tagmint::tags::loadPictureFile(picturePath);
    ASSERT_TRUE(picture);
    {
        QZTagLibRecord record(path, 0);
        record.setPicture(*picture);
        ASSERT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    const QByteArray saved = readAll(path);
    const qsizetype library = saved.indexOf(QByteArray::fromHex("941c23449894d149a1411d134e457054"));
    ASSERT_GT(library, 0);
    EXPECT_GT(qFromLittleEndian<quint64>(saved.constData() + library + 16), quint64(65536));
    EXPECT_TRUE(tagmint::tags::checkFileStructure(path).holds());
    EXPECT_EQ(QZTagLibRecord(path, 0).image().size(), QSize(300, 300));
}

// --- Saves in place ---------------------------------------------------------

// The APE tag at the end of a WavPack file, TrueAudio's ID3v2 tag and the
// ASF header keep to their place: once saved, edits that shorten or
// lengthen the comment go in place (the same inode), the audio untouched.
// An ASF edit too large for the header's padding rewrites the file and
// leaves room for the next one.
TEST(MoreFormats, LaterEditsStayInPlace)
{
    const auto titleSeenByMutagen = [](const QString& path) {
        const QJsonObject seen = mutagenRead(path);
        if (seen["format"] == "ape")
            return seen["ape"].toObject()["Title"][0].toString();
        if (seen["format"] == "asf")
            return seen["asf"].toObject()["Title"][0].toString();
        return frameTexts(seen, "TIT2").value(0);
    };
    for (const char* fixture : {"tagged.wv", "tagged.tta", "tagged.wma"}) {
        SCOPED_TRACE(fixture);
        TempDir dir;
        const QString path = dir.copyFixture(QString::fromLatin1(fixture));
        const QString title = titleSeenByMutagen(path);
        ASSERT_FALSE(title.isEmpty());
        const QString audio = audioPacketDigest(path);
        ASSERT_TRUE(saveComment(path, QStringLiteral("first")));
        const ino_t inode = statOf(path).st_ino;
        for (const QString& comment : {QStringLiteral("a"), QString(300, QLatin1Char('l')), QStringLiteral("")}) {
            ASSERT_TRUE(saveComment(path, comment));
            EXPECT_EQ(statOf(path).st_ino, inode) << comment.size();
            EXPECT_EQ(QZTagLibRecord(path, 0).value("comment").toString(), comment);
        }
        EXPECT_EQ(titleSeenByMutagen(path), title);
        EXPECT_EQ(audioPacketDigest(path), audio);
    }

    TempDir dir;
    const QString path = dir.copyFixture("tagged.wma");
    ASSERT_TRUE(saveComment(path, QString(3000, QLatin1Char('c'))));
    const ino_t inode = statOf(path).st_ino;
    ASSERT_TRUE(saveComment(path, QString(3400, QLatin1Char('c'))));
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(mutagenRead(path)["asf"].toObject()["Description"][0].toString(), QString(3400, QLatin1Char('c')));
}

// A wrapper saved once (its header refitted to the file's padding) saves
// again from the file as it now is, with everything edited since: after a
// save that went through, and after one a full disk refused.
TEST(AsfFormat, LaterSavesOfOneWrapperKeepEveryEdit)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.wma");
    const QByteArray original = readAll(path);
    const QString audio = audioPacketDigest(path);
    const std::unique_ptr<QZTagLibTag> tag = openTag(path);
    ASSERT_TRUE(tag);
    const QString album = tag->album();
    ASSERT_FALSE(album.isEmpty());
    tag->setComment(QString(3000, QLatin1Char('c')));
    {
        FreeSpaceOverride full([](const QByteArray&) { return std::optional<quint64>(0); });
        ASSERT_FALSE(tag->save());
    }
    ASSERT_EQ(readAll(path), original);
    ASSERT_TRUE(tag->save()) << tag->saveError().toStdString();
    tag->setTitle(QStringLiteral("Second"));
    tag->setComment(QStringLiteral("short"));
    tag->setGenre(QString());
    ASSERT_TRUE(tag->save()) << tag->saveError().toStdString();

    const QJsonObject seen = mutagenRead(path)["asf"].toObject();
    EXPECT_EQ(seen["Title"][0].toString(), "Second");
    EXPECT_EQ(seen["Description"][0].toString(), "short");
    EXPECT_FALSE(seen.contains("WM/Genre"));
    EXPECT_EQ(seen["WM/AlbumTitle"][0].toString(), album);
    EXPECT_EQ(audioPacketDigest(path), audio);
    EXPECT_TRUE(tagmint::tags::checkFileStructure(path).holds());
}

} // namespace
