// File names composed from a record's tags: the flag combinations, the
// texts users really have, and applying the names to several records.

#include "naming/FileNameComposer.h"
#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>

using namespace tagmint::naming;
using tagmint::test::TempDir;

namespace {

constexpr quint32 kTrackArtistTitleHyphen = ComposeTrack | ComposeArtist | ComposeTitle | ComposeUseHyphen;

class ComposerTest : public ::testing::Test {
protected:
    std::unique_ptr<QZTagLibRecord> record(const QMap<QString, QString>& fields,
                                           const QString& name = QStringLiteral("song.mp3"))
    {
        auto made = std::make_unique<QZTagLibRecord>(m_dir.copyFixture("plain.mp3", name), 0);
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            made->setValue(*it, it.key());
        return made;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(ComposerTest, FlagsChooseTheTagsStyleAndFixedOrder)
{
    const auto song = record({{"trackNumber", "7"}, {"artist", "Art"}, {"title", "Song"}, {"year", "1999"},
                              {"album", "Album"}, {"albumArtist", "Band"}});
    const struct {
        quint32 flags;
        const char* expected;
    } cases[] = {
        {kTrackArtistTitleHyphen, "07 - Art - Song"},
        {kTrackArtistTitleHyphen | ComposeYear, "07 - Art - Song (1999)"},
        {kTrackArtistTitleHyphen | ComposeYear | ComposeUseUnderscores | ComposeUseLowercase,
         "07_-_art_-_song_1999"},
        {ComposeTrack | ComposeArtist | ComposeTitle | ComposeYear, "07 Art Song (1999)"},
        {ComposeYear, "1999"},
        {ComposeYear | ComposeUseHyphen, "1999"},
        {ComposeTitle | ComposeAlbum | ComposeArtist | ComposeAlbumArtist | ComposeTrack | ComposeYear
             | ComposeUseHyphen,
         "07 - Band - Art - Album - Song (1999)"},
        {ComposeUseHyphen | ComposeUseLowercase, ""},
        {0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(composeFileName(song.get(), c.flags), QString::fromUtf8(c.expected)) << c.flags;
    EXPECT_EQ(composeFileName(nullptr, kTrackArtistTitleHyphen), "");
}

TEST_F(ComposerTest, UserTextsNeverLeaveDanglingSeparatorsOrBrokenCharacters)
{
    const auto compose = [this](const QMap<QString, QString>& fields, quint32 flags) {
        return composeFileName(record(fields).get(), flags);
    };
    EXPECT_EQ(compose({{"trackNumber", "0"}}, ComposeTrack), "");
    EXPECT_EQ(compose({{"trackNumber", "123"}}, ComposeTrack), "123");
    EXPECT_EQ(compose({{"trackNumber", "5"}, {"year", "2001"}}, ComposeTrack | ComposeYear), "05 (2001)");
    EXPECT_EQ(compose({{"title", "AC/DC: Live"}}, ComposeTitle), "AC DC Live");
    EXPECT_EQ(compose({{"artist", "   "}, {"title", " Song "}}, kTrackArtistTitleHyphen), "Song");
    EXPECT_EQ(compose({{"artist", "Ab Cd"}, {"title", "Éfg"}},
                      ComposeArtist | ComposeTitle | ComposeUseUnderscores | ComposeUseLowercase),
              "ab_cd_éfg");

    const QString longTitle = QString(299, QLatin1Char('x'));
    EXPECT_EQ(compose({{"title", longTitle}}, ComposeTitle), longTitle.left(240));
    // A character outside the Basic Multilingual Plane straddling the limit
    // goes whole.
    const QString straddling = QString(239, QLatin1Char('x')) + QStringLiteral("😀tail");
    EXPECT_EQ(compose({{"title", straddling}}, ComposeTitle), QString(239, QLatin1Char('x')));
}

TEST_F(ComposerTest, ExampleSaysWhyRenamingWouldDoNothing)
{
    const auto song = record({{"trackNumber", "1"}, {"title", "Intro"}});
    EXPECT_EQ(composeExample(song.get(), kTrackArtistTitleHyphen), "01 - Intro");
    EXPECT_EQ(composeExample(song.get(), ComposeUseHyphen),
              "Undefined options. Renaming will have no effect.");
    EXPECT_EQ(composeExample(song.get(), ComposeAlbum | ComposeUseHyphen),
              "Undefined tags. Renaming will have no effect.");
}

TEST_F(ComposerTest, NamesGoToWritableRecordsAndCountOnlyRealChanges)
{
    const auto named = record({{"trackNumber", "1"}, {"title", "Intro"}}, "01 - Intro.mp3");
    const auto renamed = record({{"trackNumber", "2"}, {"title", "Outro"}});
    const auto untagged = record({});
    const QList<QZTagLibRecord*> records = {named.get(), renamed.get(), untagged.get(), nullptr};

    EXPECT_EQ(composeFileNames(records, ComposeTrack | ComposeTitle | ComposeUseHyphen), 1);
    EXPECT_EQ(named->filename(), "01 - Intro");
    EXPECT_FALSE(named->isDirtyForKey("filename"));
    EXPECT_EQ(renamed->filename(), "02 - Outro");
    EXPECT_TRUE(renamed->isDirtyForKey("filename"));
    EXPECT_EQ(untagged->filename(), "song");
    EXPECT_EQ(composeFileNames(records, ComposeUseHyphen), 0);
}

TEST_F(ComposerTest, CollidingNamesAreRenamedBesideEachOtherOnSave)
{
    const auto first = record({{"trackNumber", "1"}, {"title", "Intro"}}, "a.mp3");
    const auto second = record({{"trackNumber", "1"}, {"title", "Intro"}}, "b.mp3");
    ASSERT_EQ(composeFileNames({first.get(), second.get()}, ComposeTrack | ComposeTitle | ComposeUseHyphen), 2);
    ASSERT_TRUE(first->saveIfDirty());
    ASSERT_TRUE(second->saveIfDirty());
    EXPECT_EQ(QFileInfo(first->path()).fileName(), "01 - Intro.mp3");
    EXPECT_EQ(QFileInfo(second->path()).fileName(), "01 - Intro 2.mp3");
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("a.mp3")));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("b.mp3")));
}
