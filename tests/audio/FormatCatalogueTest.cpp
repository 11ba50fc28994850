#include "audio/FormatCatalogue.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace tagmint::audio;

namespace {

std::string describe(QByteArrayView extension)
{
    return std::string(formatDescriptionForExtension(extension));
}

TEST(FormatCatalogue, FindsRowsAsListed)
{
    EXPECT_EQ(formatCatalogueSize(), 310);
    EXPECT_EQ(formatCatalogueDescriptionCount(), 172);
    const std::pair<const char*, const char*> rows[] = {
        {"mp3", "MP3 (MPEG audio layer 3)"}, {"m4a", "MP4 (MPEG-4 Part 14)"},
        {"aifc", "Audio IFF"}, {"fla", "raw FLAC"}, {"opus", "Ogg"},
        // As listed: "u8" is mu-law, "ub" is unsigned 8-bit.
        {"u8", "PCM mu-law format"}, {"ub", "PCM unsigned 8-bit"},
        // Keys assigned twice keep the second value.
        {"afc", "Audio IFF"}, {"m2a", "MP2/3 (MPEG audio layer 2/3)"}, {"rco", "raw G.723.1"},
        // Keys with punctuation and digits.
        {"ty+", "MPEG-PS (MPEG-2 Program Stream)"}, {"dvr-ms", "ASF (Advanced / Active Streaming Format)"},
        {"g723_1", "G.723.1"}, {"302", "D-Cinema audio"},
    };
    for (const auto& [key, description] : rows)
        EXPECT_EQ(describe(key), description) << key;
}

TEST(FormatCatalogue, FoldsCaseAndLeadingDotsOnly)
{
    for (const char* argument : {"MP3", ".mp3", "..mp3", "Mp3", "...MP3"}) {
        EXPECT_EQ(describe(argument), "MP3 (MPEG audio layer 3)") << argument;
        EXPECT_TRUE(isKnownFormatExtension(argument)) << argument;
    }
    for (const char* argument : {"", ".", "..", "xyz", "mp", "mp3.", " mp3"}) {
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
    EXPECT_EQ(describe(QByteArray(257, '.') + "tsx"), "MPEG-TS (MPEG-2 Transport Stream)");
}

} // namespace
