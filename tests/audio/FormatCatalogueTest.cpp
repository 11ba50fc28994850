#include "audio/FormatCatalogue.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace tagmint::audio;

namespace {

std::string describe(QByteArrayView extension)
{
    return std::string(formatDescriptionForExtension(extension));
}

TEST(FormatCatalogue, HoldsTheWholeTable)
{
    EXPECT_EQ(formatCatalogueSize(), 310);
    EXPECT_EQ(formatCatalogueDescriptionCount(), 172);
}

TEST(FormatCatalogue, TellingRows)
{
    EXPECT_EQ(describe("mp3"), "MP3 (MPEG audio layer 3)");
    EXPECT_EQ(describe("m4a"), "MP4 (MPEG-4 Part 14)");
    EXPECT_EQ(describe("mp4"), "MP4 (MPEG-4 Part 14)");
    EXPECT_EQ(describe("wav"), "WAV / WAVE (Waveform Audio)");
    for (const char* key : {"aif", "aiff", "aifc", "afc"})
        EXPECT_EQ(describe(key), "Audio IFF") << key;
    EXPECT_EQ(describe("flac"), "raw FLAC");
    EXPECT_EQ(describe("fla"), "raw FLAC");
    for (const char* key : {"ogg", "opus", "spx"})
        EXPECT_EQ(describe(key), "Ogg") << key;
    EXPECT_EQ(describe("wma"), "ASF (Advanced / Active Streaming Format)");
    EXPECT_EQ(describe("mid"), "MIDI");
    EXPECT_EQ(describe("midi"), "MIDI");
    EXPECT_EQ(describe("caf"), "Apple CAF (Core Audio Format)");
    EXPECT_EQ(describe("sw"), "PCM signed 16-bit little-endian");
    // As listed: "u8" is mu-law, "ub" is unsigned 8-bit.
    EXPECT_EQ(describe("u8"), "PCM mu-law format");
    EXPECT_EQ(describe("ub"), "PCM unsigned 8-bit");
}

TEST(FormatCatalogue, KeysAssignedTwiceKeepTheSecondValue)
{
    EXPECT_EQ(describe("afc"), "Audio IFF");
    EXPECT_EQ(describe("m2a"), "MP2/3 (MPEG audio layer 2/3)");
    EXPECT_EQ(describe("nut"), "NUT format");
    EXPECT_EQ(describe("rco"), "raw G.723.1");
}

TEST(FormatCatalogue, KeysWithPunctuation)
{
    EXPECT_EQ(describe("ty+"), "MPEG-PS (MPEG-2 Program Stream)");
    EXPECT_EQ(describe("dvr-ms"), "ASF (Advanced / Active Streaming Format)");
    EXPECT_EQ(describe("g723_1"), "G.723.1");
    EXPECT_EQ(describe("302"), "D-Cinema audio");
}

TEST(FormatCatalogue, NormalisesCaseAndLeadingDots)
{
    for (const char* argument : {"MP3", ".mp3", "..mp3", "Mp3", "...MP3"}) {
        EXPECT_EQ(describe(argument), "MP3 (MPEG audio layer 3)") << argument;
        EXPECT_TRUE(isKnownFormatExtension(argument)) << argument;
    }
    // Only leading dots go, and only ASCII letters are folded.
    EXPECT_EQ(describe("mp3."), "");
    EXPECT_EQ(describe(" mp3"), "");
}

TEST(FormatCatalogue, UnknownArguments)
{
    for (const char* argument : {"", ".", "..", "xyz", "mp"}) {
        EXPECT_EQ(describe(argument), "") << argument;
        EXPECT_FALSE(isKnownFormatExtension(argument)) << argument;
    }
}

TEST(FormatCatalogue, LongArgumentsAreCutBeforeTheLookup)
{
    // 300 characters are cut to 259 and not found.
    EXPECT_FALSE(isKnownFormatExtension(QByteArray(300, 'a')));
    // Dots count towards the 259 bytes: with 256 dots "mp3" is still whole,
    // with 257 its last letter is cut off.
    EXPECT_TRUE(isKnownFormatExtension(QByteArray(256, '.') + "mp3"));
    EXPECT_FALSE(isKnownFormatExtension(QByteArray(257, '.') + "mp3"));
    EXPECT_EQ(describe(QByteArray(257, '.') + "mp3"), "");
    EXPECT_EQ(describe(QByteArray(257, '.') + "tsx"), "MPEG-TS (MPEG-2 Transport Stream)");
}

} // namespace
