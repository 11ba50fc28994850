#include "tags/QZTagLibArtwork.h"
#include "tags/QZTagLibFLACTag.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint::test;

namespace {

// The values of one Vorbis field as mutagen reads them; none when absent.
QStringList field(const QJsonObject& seen, const char* key)
{
    QStringList values;
    for (const QJsonValue& value : seen["vorbis"].toObject()[QLatin1String(key)].toArray())
        values << value.toString();
    return values;
}

QString frame(const QJsonObject& seen, const char* id)
{
    return seen["frames"].toObject()[QLatin1String(id)].toArray().first().toString();
}

QJsonObject flacPicture(const QByteArray& bytes, int type, const char* desc)
{
    return {{"base64", QString::fromLatin1(bytes.toBase64())}, {"type", type}, {"desc", desc}};
}

QString flacWith(const TempDir& dir, const QString& name, const QJsonObject& edits)
{
    const QString path = dir.copyFixture("plain.flac", name);
    EXPECT_TRUE(mutagenWrite(path, edits));
    return path;
}

// Saves, then answers what mutagen sees.
QJsonObject saved(std::unique_ptr<QZTagLibTag>& tag)
{
    const QString path = tag->path();
    EXPECT_TRUE(tag->save());
    tag.reset();
    return mutagenRead(path);
}

// The packet digest of the frames alone: ffmpeg counts a trailing ID3v1
// tag into the last packet.
QString framesDigest(const QString& path)
{
    QByteArray bytes = readAll(path);
    if (bytes.size() >= 128 && bytes.mid(bytes.size() - 128, 3) == "TAG")
        bytes.chop(128);
    const TempDir dir;
    return audioPacketDigest(dir.writeFile("frames.flac", bytes));
}

TEST(FLACTag, ReadsTheXiphCommentAndNamesTheTags)
{
    // Every field against mutagen: FlacInterop.
    TempDir dir;
    auto tag = openTag(dir.copyFixture("tagged.flac", "Tagged.FLA"));
    ASSERT_TRUE(dynamic_cast<QZTagLibFLACTag*>(tag.get()));
    EXPECT_EQ(tag->title(), "Flac Title");
    EXPECT_EQ(tag->tagFormat(), "Vorbis");
    EXPECT_EQ(openTag(dir.copyFixture("plain.flac"))->tagFormat(), "No tags");
}

TEST(FLACTag, FallsBackToID3TagsAndCopiesIntoThemAtSave)
{
    TempDir dir;
    const QString path = dir.copyFixture("flac_with_id3.flac");
    auto tag = openTag(path);
    EXPECT_EQ(tag->tagFormat(), "ID3v1, ID3v2.3.0");
    EXPECT_TRUE(tag->hasID3v1Tag() && tag->hasID3v2Tag());
    EXPECT_EQ(tag->title(), "ID3 Title");
    EXPECT_EQ(tag->albumArtist(), "ID3 Album Artist");
    EXPECT_EQ(tag->tempo(), 99);
    EXPECT_EQ(QList<int>({tag->trackNumber(), tag->tracksTotal(), tag->discNumber()}),
              QList<int>({3, 9, 2}));

    // Only the artist is set: the ID3 values the empty Xiph comment lacks
    // survive the copy, and "TRCK" keeps its total.
    const QString digest = framesDigest(path);
    tag->setArtist("New Artist");
    QJsonObject seen = saved(tag);
    EXPECT_EQ(framesDigest(path), digest);
    EXPECT_EQ(frame(seen, "TPE1"), "New Artist");
    EXPECT_EQ(frame(seen, "TIT2"), "ID3 Title");
    EXPECT_EQ(frame(seen, "TRCK"), "3/9");
    EXPECT_EQ(std::as_const(seen)["id3v1"]["artist"].toString(), "New Artist");
    EXPECT_EQ(std::as_const(seen)["id3v1"]["track"].toInt(), 3);
    EXPECT_EQ(field(seen, "ARTIST"), QStringList{"New Artist"});
    EXPECT_EQ(field(seen, "TRACKNUMBER"), QStringList{"3/9"});

    // Values the Xiph comment has win and are copied into both ID3 tags.
    ASSERT_TRUE(mutagenWrite(path, {{"vorbis", QJsonObject{{"TITLE", "Xiph Title"}, {"COMMENT", "Xiph"}}}}));
    tag = openTag(path);
    EXPECT_EQ(tag->title(), "Xiph Title");
    seen = saved(tag);
    EXPECT_EQ(frame(seen, "TIT2"), "Xiph Title");
    EXPECT_EQ(std::as_const(seen)["frames"]["COMM"][0]["text"].toString(), "Xiph");
    EXPECT_EQ(std::as_const(seen)["id3v1"]["title"].toString(), "Xiph Title");
}

TEST(FLACTag, AlternativeKeysAndNumberPairs)
{
    TempDir dir;
    const QString path = flacWith(dir, "alt.flac", {{"vorbis", QJsonObject{
        {"ALBUMARTIST2", "Second Key"}, {"TRACKNUM", "7"}, {"BPM", "0"}}}});
    auto tag = openTag(path);
    EXPECT_EQ(tag->albumArtist(), "Second Key");
    EXPECT_EQ(tag->trackNumber(), 7);
    QJsonObject seen = saved(tag);
    EXPECT_EQ(field(seen, "TRACKNUMBER"), QStringList{"7"});
    EXPECT_EQ(field(seen, "TRACKNUM"), QStringList{"7"});
    EXPECT_EQ(field(seen, "DISCNUMBER"), QStringList{"0"});   // "0", not removed

    tag = openTag(path);
    tag->setAlbumArtist("Both Keys");
    tag->setTrackNumber(0);
    tag->setTracksTotal(12);   // a total without a number is not written
    tag->setDiscNumber(3);
    tag->setDiscsTotal(4);
    tag->setTempo(140);
    seen = saved(tag);
    EXPECT_EQ(field(seen, "ALBUMARTIST") + field(seen, "ALBUMARTIST2"), QStringList({"Both Keys", "Both Keys"}));
    EXPECT_EQ(field(seen, "TRACKNUMBER") + field(seen, "TRACKNUM"), QStringList({"0", "0"}));
    EXPECT_EQ(field(seen, "DISCNUMBER"), QStringList{"3/4"});
    EXPECT_EQ(field(seen, "BPM"), QStringList{"140"});

    tag = openTag(path);
    tag->setAlbumArtist(QString());
    tag->setTempo(0);
    seen = saved(tag);
    EXPECT_TRUE(field(seen, "ALBUMARTIST").isEmpty() && field(seen, "ALBUMARTIST2").isEmpty());
    EXPECT_TRUE(field(seen, "BPM").isEmpty());

    // A Xiph number of zero does not hide the ID3 one.
    const QString mixed = dir.copyFixture("flac_with_id3.flac", "mixed.flac");
    ASSERT_TRUE(mutagenWrite(mixed, {{"vorbis", QJsonObject{{"TRACKNUMBER", "6"}, {"BPM", "0"}}}}));
    tag = openTag(mixed);
    EXPECT_EQ(QList<int>({tag->trackNumber(), tag->tracksTotal(), tag->tempo()}), QList<int>({6, 9, 99}));
}

TEST(FLACTag, UnchangedFieldsKeepTheirStoredForm)
{
    TempDir dir;
    const QString path = flacWith(dir, "forms.flac", {{"vorbis", QJsonObject{
        {"ARTIST", QJsonArray{"One", "Two"}}, {"DATE", "2004-05-06"}, {"DESCRIPTION", "Described"}}}});
    auto tag = openTag(path);
    EXPECT_EQ(tag->artist(), "One Two");
    EXPECT_EQ(tag->comment(), "Described");
    // What a record does on every save: every setter with the shown value.
    tag->setArtist(tag->artist());
    tag->setYear(tag->year());
    tag->setComment(tag->comment());
    QJsonObject seen = saved(tag);
    EXPECT_EQ(field(seen, "ARTIST"), QStringList({"One", "Two"}));
    EXPECT_EQ(field(seen, "DATE"), QStringList{"2004-05-06"});
    EXPECT_TRUE(field(seen, "COMMENT").isEmpty());

    // TagLib reads DESCRIPTION before COMMENT: an edit must still show.
    tag = openTag(path);
    tag->setComment("Edited");
    ASSERT_TRUE(tag->save());
    tag.reset();
    EXPECT_EQ(openTag(path)->comment(), "Edited");
    tag = openTag(path);
    tag->setComment(QString());
    ASSERT_TRUE(tag->save());
    tag.reset();
    EXPECT_TRUE(openTag(path)->comment().isEmpty());
}

TEST(FLACTag, NewImageReusesTheFirstPictureKeepsTheOthersAndSkipsBrokenOnes)
{
    TempDir dir;
    const QByteArray back = makeImageBytes(6, 4, "PNG");
    const QString path = flacWith(dir, "pictures.flac", {{"flacPictures", QJsonArray{
        flacPicture("not a picture", 3, "front"), flacPicture(back, 4, "back")}}});
    auto tag = openTag(path);
    EXPECT_TRUE(tag->hasImages());
    ASSERT_EQ(tag->images().size(), 1);
    EXPECT_EQ(tag->images()[0].type, 4);
    EXPECT_EQ(tag->firstImage().size(), QSize(6, 4));

    const QImage replacement = solidImage(9, 7, Qt::green);
    tag->setTagImage(replacement);
    QJsonArray pictures = saved(tag)["pictures"].toArray();
    ASSERT_EQ(pictures.size(), 2);
    const QJsonObject first = pictures[0].toObject();
    EXPECT_EQ(first["md5"].toString(), encodedMd5(replacement));
    EXPECT_EQ(first["mime"].toString(), "image/jpeg");
    EXPECT_EQ(QList<int>({first["type"].toInt(), first["width"].toInt(), first["height"].toInt()}),
              QList<int>({3, 9, 7}));
    EXPECT_EQ(first["desc"].toString(), "front");
    EXPECT_EQ(pictures[1].toObject()["md5"].toString(), md5(back));

    tag = openTag(path);
    tag->setTagImage(QImage());
    EXPECT_TRUE(saved(tag)["pictures"].toArray().isEmpty());
}

TEST(FLACTag, ImagesFallBackToID3PicturesButHasImagesDoesNot)
{
    TempDir dir;
    const QString path = dir.copyFixture("flac_with_id3.flac");
    auto tag = openTag(path);
    EXPECT_FALSE(tag->hasImages());
    ASSERT_EQ(tag->images().size(), 1);
    EXPECT_EQ(tag->images()[0].type, 3);
    EXPECT_TRUE(QZTagLibArtwork::imageWithTag(tag.get()).isNull());

    // A new image becomes a FLAC picture and replaces the APIC frame.
    const QImage replacement = solidImage(4, 4, Qt::blue);
    tag->setTagImage(replacement);
    const QJsonObject seen = saved(tag);
    const QString expected = encodedMd5(replacement);
    ASSERT_EQ(seen["pictures"].toArray().size(), 1);
    EXPECT_EQ(seen["pictures"][0]["md5"].toString(), expected);
    ASSERT_EQ(seen["frames"]["APIC"].toArray().size(), 1);
    EXPECT_EQ(seen["frames"]["APIC"][0]["md5"].toString(), expected);
}

TEST(FLACTag, SavingKeepsAudioAndTheOtherMetadataBlocks)
{
    TempDir dir;
    const QString path = dir.copyFixture("tagged.flac");
    auto otherBlocks = [&] {
        QStringList blocks;
        for (const QJsonValue& block : mutagenRead(path)["blocks"].toArray()) {
            if (block["type"] == "SEEKTABLE" || block["type"] == "APPLICATION")
                blocks << block["type"].toString() + ':' + block["md5"].toString();
        }
        return blocks;
    };
    const QStringList before = otherBlocks();
    ASSERT_EQ(before.size(), 2);
    const QString digest = framesDigest(path);

    auto tag = openTag(path);
    tag->setTitle(QString(3000, QLatin1Char('t')));   // the comment block grows
    tag->setTagImage(solidImage(64, 64, Qt::darkCyan));
    ASSERT_TRUE(tag->save());
    tag.reset();
    EXPECT_EQ(framesDigest(path), digest);
    EXPECT_EQ(otherBlocks(), before);
}

TEST(FLACTag, DamagedFilesAreRefusedAndNeverWritten)
{
    TempDir dir;
    const QByteArray flac = readAll(fixturePath("tagged.flac"));
    const QByteArray withID3 = readAll(fixturePath("flac_with_id3.flac"));
    // The first frame follows "fLaC" and the metadata blocks.
    qsizetype audioStart = 4;
    for (const QJsonValue& block : mutagenRead(fixturePath("tagged.flac"))["blocks"].toArray())
        audioStart += 4 + block["size"].toInt();
    ASSERT_EQ(quint8(flac[audioStart]), 0xFF);

    const std::pair<const char*, QByteArray> damaged[] = {
        {"empty.flac", QByteArray()},
        {"marker.flac", QByteArray("fLaC")},
        {"garbage.flac", QByteArray(4000, '\x5A')},
        {"junk_before.flac", QByteArray(500, '\x01') + flac},
        {"junk_after_id3.flac", withID3.left(withID3.indexOf("fLaC")) + "junk" + flac},
        {"cut_in_metadata.flac", flac.left(60)},
        {"cut_after_metadata.flac", flac.left(audioStart)},
    };
    for (const auto& [name, bytes] : damaged)
        expectRefusedAndNeverWritten(dir, name, bytes);
    // Frames cut short are damaged audio, but stream and tags are whole.
    EXPECT_TRUE(QZTagLibTag::tagWithPath(dir.writeFile("cut_audio.flac", flac.left(audioStart + 40)), 0));
}

} // namespace
