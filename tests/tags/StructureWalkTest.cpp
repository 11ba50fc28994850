// Our own structure walks over MP4 atoms and AIFF/WAV chunks: damaged
// layouts are refused with their reason and never written; layouts TagLib
// keeps whole are accepted, and what a save makes of them is accepted again.

#include "tags/AiffChunkWalker.h"
#include "tags/Mp4AtomWalker.h"
#include "tags/RiffWalker.h"
#include "tags/TagTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <functional>

using namespace tagmint::test;
using namespace tagmint::tags;

namespace {

using Mutation = std::function<void(QByteArray&)>;

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray atom(const QByteArray& name, const QByteArray& payload)
{
    return be32(quint32(8 + payload.size())) + name + payload;
}

// Where the header of the first atom or chunk named `name` begins: the size
// comes first in MP4 atoms, the id first in IFF chunks.
qsizetype atomAt(const QByteArray& bytes, const char* name)
{
    const qsizetype at = bytes.indexOf(name);
    EXPECT_GE(at, 4) << name;
    return at - 4;
}

void put32(QByteArray& bytes, qsizetype at, quint32 value)
{
    qToBigEndian(value, bytes.data() + at);
}

Mutation atomSize(const char* name, quint32 size)
{
    return [=](QByteArray& bytes) { put32(bytes, atomAt(bytes, name), size); };
}

Mutation atomField(const char* name, qsizetype fieldAt, quint32 value)
{
    return [=](QByteArray& bytes) { put32(bytes, atomAt(bytes, name) + fieldAt, value); };
}

QString mp4Problem(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return mp4::checkMp4(buffer).problem;
}

// Saves a long title (the movie or tag grows, so the media data moves) and
// checks the audio and our walk over the result.
void expectSavedWhole(const QString& path, const std::function<StructureVerdict(const QString&)>& check)
{
    const QString digest = audioPacketDigest(path);
    ASSERT_FALSE(digest.isEmpty());
    {
        auto tag = openTag(path);
        ASSERT_NE(tag, nullptr);
        tag->setTitle(QString(3000, QLatin1Char('t')));
        ASSERT_TRUE(tag->save());
    }
    EXPECT_EQ(audioPacketDigest(path), digest);
    EXPECT_EQ(check(path).problem, QString());
    EXPECT_EQ(openTag(path)->title().size(), 3000);
}

QString makeWithFfmpeg(const TempDir& dir, const QString& name, const QStringList& options)
{
    const QString path = dir.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-nostdin", "-f", "lavfi", "-i",
                                       "sine=frequency=440:sample_rate=8000:duration=0.3", "-map_metadata",
                                       "-1", "-fflags", "+bitexact", "-flags", "+bitexact"}
                               + options + QStringList{path});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    EXPECT_EQ(ffmpeg.exitCode(), 0);
    return path;
}

// tagged.m4a: ftyp, moov (mvhd, trak (tkhd, edts, mdia (... minf (smhd,
// dinf, stbl (stsd, stts, stsc, stsz, stco with one entry, ...)))), udta
// (meta (hdlr, ilst, free))), free, mdat.
TEST(Mp4AtomWalk, DamageAnywhereInTheMovieIsRefusedWithItsReason)
{
    TempDir dir;
    const QByteArray tagged = readAll(fixturePath("tagged.m4a"));
    const quint32 past = quint32(tagged.size());
    const struct {
        const char* name;
        Mutation damage;
        const char* reason;
    } cases[] = {
        {"edts_0", atomSize("edts", 0), "the \"edts\" atom in \"trak\" has size 0"},
        {"edts_max", atomSize("edts", 0xFFFFFFFF), "the \"edts\" atom runs past the end of \"trak\""},
        {"dinf_0", atomSize("dinf", 0), "the \"dinf\" atom in \"minf\" has size 0"},
        {"dinf_max", atomSize("dinf", 0xFFFFFFFF), "the \"dinf\" atom runs past the end of \"minf\""},
        {"meta_free_0", atomSize("free", 0), "the \"free\" atom in \"meta\" has size 0"},
        {"meta_free_max", atomSize("free", 0xFFFFFFFF), "the \"free\" atom runs past the end of \"meta\""},
        {"ilst_0", atomSize("ilst", 0), "the \"ilst\" atom in \"meta\" has size 0"},
        {"movie_0", atomSize("moov", 0), "the \"moov\" atom in the file has size 0"},
        {"meta_max", atomSize("meta", 0x7FFFFFFF), "the \"meta\" atom runs past the end of \"udta\""},
        {"stco_grown", atomSize("stco", 28), "declares 1 entries but has room for 3"},
        {"stco_count_big", atomField("stco", 12, 1000000), "declares 1000000 entries but has room for 1"},
        {"stco_count_0", atomField("stco", 12, 0), "declares 0 entries but has room for 1"},
        {"stco_offset_past", atomField("stco", 16, past), "a chunk offset points outside the media data"},
        {"stco_offset_in_movie", atomField("stco", 16, 100), "a chunk offset points outside the media data"},
        {"item_data_grown", atomSize("data", 200), "the \"data\" atom runs past the end of \"\xA9nam\""},
        {"mdat_cut", atomSize("mdat", 2000), "the \"mdat\" atom runs past the end of the file"},
        {"unreadable_type", atomField("hdlr", 4, 0x01020304), "an atom with an unreadable type"},
        {"second_movie", [](QByteArray& bytes) { bytes += bytes.mid(28, 2662); }, "more than one \"moov\" atom"},
        {"stray_bytes", [](QByteArray& bytes) { bytes += "abc"; }, "stray bytes at the end of the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = tagged;
        c.damage(bytes);
        EXPECT_TRUE(mp4Problem(bytes).contains(QString::fromLatin1(c.reason))) << mp4Problem(bytes).toStdString();
        expectRefusedAndNeverWritten(dir, (c.name + QByteArray(".m4a")).constData(), bytes);
    }

    // Each level a container deeper costs TagLib a stack frame.
    QByteArray nested = atom("udta", QByteArray());
    for (int i = 0; i < 40; ++i)
        nested = atom("udta", nested);
    const QByteArray deep = atom("moov", atom("mvhd", QByteArray(100, '\0')) + atom("trak", QByteArray()) + nested);
    EXPECT_TRUE(mp4Problem(deep).contains("nested more than"));
}

TEST(Mp4AtomWalk, LayoutsTagLibKeepsAreAcceptedAndStayAcceptedAfterASave)
{
    TempDir dir;
    const QByteArray tagged = readAll(fixturePath("tagged.m4a"));
    const QByteArray plain = readAll(fixturePath("plain.m4a"));   // the movie last

    QByteArray toTheEnd = tagged;   // media data last, "to the end of the file"
    atomSize("mdat", 0)(toTheEnd);
    const QByteArray largeSize = plain + be32(1) + "free" + QByteArray(4, '\0') + be32(24) + QByteArray(8, '\0');
    // QuickTime's "meta" has no version and flags; the movie is last, so no
    // chunk offset changes when four bytes go.
    QByteArray bareMeta = plain;
    const qsizetype meta = atomAt(bareMeta, "meta");
    bareMeta.remove(meta + 8, 4);
    for (const char* name : {"moov", "udta", "meta"}) {
        const qsizetype at = atomAt(bareMeta, name);
        put32(bareMeta, at, qFromBigEndian<quint32>(bareMeta.constData() + at) - 4);
    }

    for (const auto& [name, bytes] : {std::pair{"to_the_end.m4a", toTheEnd}, std::pair{"large.m4a", largeSize},
                                      std::pair{"bare_meta.m4a", bareMeta}}) {
        SCOPED_TRACE(name);
        const QString path = dir.writeFile(name, bytes);
        EXPECT_EQ(mp4::checkMp4File(path).problem, QString());
        expectSavedWhole(path, &mp4::checkMp4File);
    }
}

// TagLib 1.13 moves the data offset of the first fragment only, and never
// the offsets of the fragment index.
TEST(Mp4AtomWalk, FragmentsAreAcceptedOnlyWhereASaveKeepsTheirOffsets)
{
    TempDir dir;
    const QStringList aac{"-ac", "1", "-c:a", "aac", "-b:a", "16k"};
    const QString single = makeWithFfmpeg(dir, "single.m4a", aac + QStringList{
        "-movflags", "frag_keyframe+empty_moov+skip_trailer", "-frag_duration", "10000000"});
    expectSavedWhole(single, &mp4::checkMp4File);

    const QString several = makeWithFfmpeg(dir, "several.m4a", aac + QStringList{
        "-movflags", "frag_keyframe+empty_moov+skip_trailer", "-frag_duration", "100000"});
    EXPECT_EQ(mp4::checkMp4File(several).problem, "fragments with data offsets a save would leave wrong");
    const QString indexed = makeWithFfmpeg(dir, "indexed.m4a", aac + QStringList{
        "-movflags", "frag_keyframe+empty_moov+default_base_moof", "-frag_duration", "100000"});
    EXPECT_EQ(mp4::checkMp4File(indexed).problem, "a fragment index (\"tfra\") a save would leave wrong");
    for (const QString& path : {several, indexed})
        expectRefusedAndNeverWritten(dir, QFileInfo(path).fileName().toLatin1().constData(), readAll(path));
}

// plain.aiff: FORM, COMM, SSND (last); tagged.aiff: FORM, COMM, SSND, "ID3 ".
TEST(AiffChunkWalk, ChunksOutsideTheFileOrUnreadableAreRefused)
{
    TempDir dir;
    const QByteArray plain = readAll(fixturePath("plain.aiff"));
    const QByteArray tagged = readAll(fixturePath("tagged.aiff"));
    const auto grownSound = [](QByteArray bytes) {
        const qsizetype at = bytes.indexOf("SSND");
        put32(bytes, at + 4, qFromBigEndian<quint32>(bytes.constData() + at + 4) + 1000);
        return bytes;
    };
    QByteArray noCommon = plain;
    noCommon.replace(12, 4, "COMX");
    QByteArray unreadable = plain;
    unreadable.replace(12, 4, QByteArray(4, '\0'));
    // An odd chunk without its pad byte puts "COMM" at an odd offset.
    QByteArray misaligned = plain;
    misaligned.insert(12, "NAME" + be32(3) + "abc");

    const struct {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"sound_past_end.aiff", grownSound(plain), "the \"SSND\" chunk runs past the end of the file"},
        // Its end falls into the ID3 chunk's zero padding, still inside the FORM.
        {"sound_into_id3.aiff", grownSound(tagged), "unreadable chunk id at byte 5854"},
        {"no_common.aiff", noCommon, "no \"COMM\" chunk"},
        {"unreadable.aiff", unreadable, "unreadable chunk id at byte 12"},
        {"misaligned.aiff", misaligned, "a chunk at the odd byte 23 (a pad byte is missing before it)"},
        {"riff.aiff", readAll(fixturePath("plain.wav")), "not an AIFF file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.writeFile(c.name, c.bytes);
        EXPECT_EQ(aiff::checkAiffFile(path).problem, QString::fromLatin1(c.reason));
        expectRefusedAndNeverWritten(dir, c.name, c.bytes);
    }

    // Zero filler after the FORM is left where it is.
    const QString padded = dir.writeFile("padded.aiff", tagged + QByteArray(100, '\0'));
    expectSavedWhole(padded, &aiff::checkAiffFile);
}

TEST(RiffChunkWalk, AnUnreadableChunkBeforeTheAudioIsRefusedNotRepaired)
{
    TempDir dir;
    const QByteArray plain = readAll(fixturePath("plain.wav"));   // RIFF, fmt, data
    QByteArray unreadable = plain;
    unreadable.replace(12, 4, QByteArray("\x01\x02\x03\x04", 4));
    const QString path = dir.writeFile("unreadable.wav", unreadable);
    QString problem;
    EXPECT_EQ(riff::checkWaveFile(path, &problem), riff::WaveCondition::NotWave);
    EXPECT_EQ(problem, "unreadable chunk id at byte 12");
    expectRefusedAndNeverWritten(dir, "unreadable.wav", unreadable);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"unreadable.wav"});   // no backup

    // Zero filler inside the RIFF size is no chunk; after it, it is left alone.
    QByteArray inside = plain + QByteArray(16, '\0');
    qToLittleEndian(quint32(inside.size() - 8), inside.data() + 4);
    EXPECT_EQ(riff::checkWaveFile(dir.writeFile("inside.wav", inside)), riff::WaveCondition::NotWave);
    const QString after = dir.writeFile("after.wav", plain + QByteArray(16, '\0'));
    expectSavedWhole(after, [](const QString& file) {
        QString found;
        riff::checkWaveFile(file, &found);
        return StructureVerdict{found};
    });
}

} // namespace
