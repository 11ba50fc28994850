// The text tools as string functions and as a run over real records: case
// modes, repairing text read in the wrong code page, which cells a run
// writes, and the tags-changed report that ends it.

#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "table/TableCommandTexts.h"
#include "table/TextCommands.h"
#include "table/TextTestSupport.h"
#include "table/TextTransformations.h"

#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::table;
using text::LegacyEncoding;

TEST(ChangeCase, EachModeOverWordsAndSentences)
{
    EXPECT_EQ(changeCase("abc", UpperCase), "ABC");
    EXPECT_EQ(changeCase("ÀÉÎ Øre", LowerCase), "àéî øre");
    EXPECT_EQ(changeCase("hello world. bye NOW", SentenceCase), "Hello world. Bye now");
    EXPECT_EQ(changeCase("what? YES! \"quoted\" start.", SentenceCase), "What? Yes! \"Quoted\" start.");
    // Any mode but the others and 0 capitalises; white space stays as it is.
    EXPECT_EQ(changeCase("ÉCOLE de  MUSIQUE", 10002), "École De  Musique");
    EXPECT_EQ(changeCase("don't STOP", 4711), "Don't Stop");
    EXPECT_EQ(changeCase("x y", 0), "x y");
}

TEST(ChangeCase, BracketsAndNumbersBeforeTheFirstLetter)
{
    // An opening bracket or quote is passed over; a leading digit keeps the
    // word's letters lower case.
    EXPECT_EQ(changeCase("song (LIVE) 'remix'", CapitalizedCase), "Song (Live) 'Remix'");
    EXPECT_EQ(changeCase("the 1980S 5TH hits", CapitalizedCase), "The 1980s 5th Hits");
    EXPECT_EQ(changeCase("2ND time. 3RD time", SentenceCase), "2nd time. 3rd time");
}

TEST(RemoveExtraCharacters, TagsLoseNumbersAndRemarksTheFileNameOnlySpaces)
{
    EXPECT_EQ(removeExtraCharacters("01 - Title", "title"), "Title");
    EXPECT_EQ(removeExtraCharacters("Song (Live)", "album"), "Song");
    EXPECT_EQ(removeExtraCharacters("1980s Hits", "title"), "1980s Hits");
    EXPECT_EQ(removeExtraCharacters("  01 - Song  (Live) ", "filename"), "01 - Song (Live)");

    // The tools as the menus and the command line pick them.
    const TextTool spaces{TextTool::Kind::RemoveExtraSpaces};
    EXPECT_EQ(spaces.verb(), "Remove Extra Spaces");
    EXPECT_EQ(spaces.transformation()("  a   b  ", "title"), "a b");
    const TextTool characters{TextTool::Kind::RemoveExtraCharacters};
    EXPECT_EQ(characters.verb(), "Remove Extra Characters");
    EXPECT_EQ(characters.transformation()("02. Intro", "filename"), "02. Intro");
    EXPECT_EQ(characters.transformation()("02. Intro", "title"), "Intro");
}

namespace {

// What a tag reader shows for text saved in a legacy code page but read as
// Latin-1.
QString misread(const QString& text, const char* ianaName)
{
    QStringEncoder encoder(ianaName);
    return QString::fromLatin1(encoder.encode(text));
}

} // namespace

TEST(FixEncoding, RepairsTextReadAsLatin1InEachKindOfCodePage)
{
    // The example users meet most: Windows-1251 bytes shown as Latin-1.
    EXPECT_EQ(fixEncoding(QStringLiteral("Ïðèâåò"), LegacyEncoding::Windows1251), "Привет");

    struct Case {
        LegacyEncoding encoding;
        const char* name;
        QString text;
    };
    const Case cases[] = {
        {LegacyEncoding::Koi8R, "koi8-r", QStringLiteral("Кино - Группа крови")},
        {LegacyEncoding::Ibm866, "ibm866", QStringLiteral("Привет")},
        {LegacyEncoding::Iso8859_2, "iso-8859-2", QStringLiteral("Żółć gęślą")},
        {LegacyEncoding::Windows1253, "windows-1253", QStringLiteral("Καλημέρα")},
        {LegacyEncoding::ShiftJis, "shift_jis", QStringLiteral("日本語のタイトル")},
        {LegacyEncoding::Gb18030, "gbk", QStringLiteral("中文歌曲")},
        {LegacyEncoding::Big5, "big5", QStringLiteral("中文歌曲")},
        {LegacyEncoding::EucKr, "euc-kr", QStringLiteral("한국어 노래")},
    };
    for (const Case& c : cases) {
        const QString garbled = misread(c.text, c.name);
        ASSERT_NE(garbled, c.text) << c.name;
        EXPECT_EQ(fixEncoding(garbled, c.encoding), c.text) << c.name;
    }
}

TEST(FixEncoding, LeavesWhatCannotBeMisreadLatin1)
{
    // Already correct, or not representable as Latin-1 bytes at all.
    EXPECT_EQ(fixEncoding("Привет", LegacyEncoding::Windows1251), "Привет");
    EXPECT_EQ(fixEncoding("Song 🎵", LegacyEncoding::Windows1251), "Song 🎵");
    EXPECT_EQ(fixEncoding("", LegacyEncoding::Windows1251), "");
    // A lead byte without its second byte is not Shift_JIS.
    EXPECT_EQ(fixEncoding(QString::fromLatin1("abc\x82"), LegacyEncoding::ShiftJis),
              QString::fromLatin1("abc\x82"));
    // Too long to convert: kept whole, not cut.
    const QString longText = QString(70000, QChar(0xcf));
    EXPECT_EQ(fixEncoding(longText, LegacyEncoding::Windows1251), longText);
    // Text after a zero character is kept.
    const QString withZero = QStringLiteral("Ïðè") + QChar(0) + QStringLiteral("âåò");
    EXPECT_EQ(fixEncoding(withZero, LegacyEncoding::Windows1251),
              QStringLiteral("При") + QChar(0) + QStringLiteral("вет"));
}

TEST(FixEncoding, NamesOfTheOfferedCodePages)
{
    ASSERT_NE(text::legacyEncodingNamed("GBK"), nullptr);
    EXPECT_EQ(text::legacyEncodingNamed("GBK")->id, LegacyEncoding::Gb18030);
    EXPECT_EQ(text::legacyEncodingNamed("Windows-1251")->id, LegacyEncoding::Windows1251);
    EXPECT_EQ(text::legacyEncodingNamed("MACINTOSH")->id, LegacyEncoding::MacRoman);
    EXPECT_EQ(text::legacyEncodingNamed("utf-8"), nullptr);
    EXPECT_EQ(text::legacyEncoding(int(LegacyEncoding::Windows1251))->title(), "Cyrillic (Windows-1251)");
    // Every offered code page is one the decoder knows, and reads printable
    // ASCII as itself (so such text is left without decoding it).
    QByteArray ascii;
    for (char c = 0x20; c < 0x7f; ++c)
        ascii.append(c);
    ascii.append("\t\n\r");
    for (const text::LegacyEncodingInfo& info : text::legacyEncodings())
        EXPECT_EQ(text::decodeLegacy(ascii, info.id), QString::fromLatin1(ascii)) << info.ianaName;
}

namespace {

class TransformRecords : public ::testing::Test {
protected:
    test::TempDir dir;
    QString file = dir.copyFixture("plain.mp3", "song.mp3");

    RecordPtr record(const QString& title, const QString& year = QString())
    {
        const RecordPtr made = test::recordWithValues(file, {{"title", title}, {"year", year}});
        made->snapshotOriginalValues();
        return made;
    }

    // A record whose tags could not be read: nothing may be written to it.
    RecordPtr unreadable()
    {
        const QString empty = dir.writeFile("empty.mp3", QByteArray());
        return std::make_shared<QZTagLibRecord>(empty, 0);
    }
};

} // namespace

TEST_F(TransformRecords, WritesOnlyChangedTextsOfWritableRecordsInTheRows)
{
    const RecordList rows = {record("one"), record("TWO"), unreadable(), record("four")};
    const TextTransformation upper = [](const QString& text, const QString&) { return text.toUpper(); };

    const TextEditOutcome outcome = transformRecords(rows, {"title", "image", "album"}, 0, 99, upper);
    // "TWO" was upper case already; the image is no text; "album" is empty.
    EXPECT_EQ(outcome.changes, 2);
    EXPECT_TRUE(outcome.refusals.isEmpty());
    EXPECT_EQ(rows[0]->text(RecordField::Title), "ONE");
    EXPECT_FALSE(rows[1]->isDirty());
    EXPECT_FALSE(rows[2]->isDirty());
    EXPECT_EQ(rows[3]->text(RecordField::Title), "FOUR");

    // Only the rows asked for.
    const TextTransformation mark = [](const QString& text, const QString&) { return text + "!"; };
    EXPECT_EQ(transformRecords(rows, {"title"}, 1, 1, mark).changes, 1);
    EXPECT_EQ(rows[0]->text(RecordField::Title), "ONE");
    EXPECT_EQ(rows[1]->text(RecordField::Title), "TWO!");
}

TEST_F(TransformRecords, AValueTheFieldRefusesIsReportedAndTheOthersChange)
{
    const RecordList rows = {record("a", "1999"), record("b", "2001")};
    const TextTransformation grow = [](const QString& text, const QString& key) {
        if (key == "year")
            return QString::number(text.toInt() * (text == "1999" ? 10 : 1) + 1);   // 19991, 2002
        return text + "x";
    };
    const TextEditOutcome outcome = transformRecords(rows, {"title", "year"}, 0, 1, grow);
    EXPECT_EQ(outcome.changes, 3);
    ASSERT_EQ(outcome.refusals.size(), 1);
    EXPECT_EQ(outcome.refusals[0].record, rows[0]);
    EXPECT_EQ(outcome.refusals[0].key, "year");
    EXPECT_EQ(outcome.refusals[0].message, "Number is required between 1900 and 2100 for Year.");
    EXPECT_EQ(rows[0]->text(RecordField::Year), "1999");
    EXPECT_EQ(rows[0]->text(RecordField::Title), "ax");
    EXPECT_EQ(rows[1]->text(RecordField::Year), "2002");
}

TEST(TagsChangedMessage, WordsCountsAndRefusals)
{
    EXPECT_EQ(tagsChangedText(0), "No tags changed.");
    EXPECT_EQ(tagsChangedText(1), "1 tag changed.");
    EXPECT_EQ(tagsChangedText(1247), "1,247 tags changed.");

    TextEditOutcome outcome;
    outcome.changes = 3;
    StatusNotification message = tagsChangedMessage(TextTool{TextTool::Kind::ChangeCase}.verb(), outcome);
    EXPECT_EQ(message.title, "Change Case");
    EXPECT_EQ(message.shortMessage, "3 changes");
    EXPECT_EQ(message.message, "3 tags changed.");
    EXPECT_EQ(message.priority, 4);

    outcome.changes = 0;
    outcome.refusals.append({nullptr, "year", "Number is required between 1900 and 2100 for Year."});
    message = tagsChangedMessage(replaceAllVerb(), outcome);
    EXPECT_EQ(message.shortMessage, "no changes");
    EXPECT_EQ(message.message, "No tags changed.\nNumber is required between 1900 and 2100 for Year.");
}
