// The text clean-up behind the composer, the path parser and the text tools:
// each case is a text a user's tags or folder names really hold.

#include "naming/NameCleaning.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <functional>

using namespace tagmint::naming;

namespace {

struct Case {
    const char* input;
    const char* expected;
};

void expectAll(const std::function<QString(const QString&)>& function, std::initializer_list<Case> cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(function(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected)) << c.input;
}

} // namespace

TEST(SpacesAndInvalidCharacters, CollapseBlanksTrimEndsAndBlankOutPathCharacters)
{
    expectAll(normalizeSpaces, {
        {"  a   b  ", "a b"},
        {"\n\tSo What\r\n", "So What"},
        {"a\t\tb", "a\t\tb"},  // only blanks collapse inside the text
        {"   ", ""},
        {"", ""},
    });
    expectAll(replaceInvalidFileNameCharacters, {
        {"AC/DC: Live", "AC DC  Live"},
        {"a\\b;c*d|e@f", "a b c d e f"},
        {"", ""},
    });
}

TEST(LettersBeforeTheEnd, MarkTextsThatAreMoreThanANumber)
{
    EXPECT_FALSE(hasLetterBeforeEnd("1999"));
    EXPECT_FALSE(hasLetterBeforeEnd("5a"));
    EXPECT_FALSE(hasLetterBeforeEnd("a"));
    EXPECT_TRUE(hasLetterBeforeEnd("a5"));
    EXPECT_TRUE(hasLetterBeforeEnd("12b3"));
}

TEST(LeadingTrackNumbers, GoWithTheirPunctuationWhileOrdinalsAndDecadesStay)
{
    expectAll(stripLeadingTrackNumber, {
        {"01 - Title", "Title"},
        {"07. Title", "Title"},
        {"01 song", "song"},
        {"01_-_Intro_Song", "Intro Song"},
        {"  So What  ", "So What"},
        {"Title -", "Title"},
        {"Title ##", "Title"},
        {"1980s Hits", "1980s Hits"},
        {"5th Symphony", "5th Symphony"},
        {"3rd Stone", "3rd Stone"},
        {"2nd Chance", "2nd Chance"},
        {"1st Light", "1st Light"},
        {"5 th Avenue", "th Avenue"},
        {"42 (Live)", "42 (Live)"},
        {"1999", "1999"},
        {"01 - !!!", "01 - !!!"},  // no letter: nothing is taken away
        {"", ""},
    });
}

TEST(TrailingNoise, YearsAndBracketGroupsGoWhenSomethingIsLeft)
{
    expectAll(trimSeparatorChars, {
        {"-- (1999) --", "1999"},
        {"(x", "x"},
        {"a)", "a)"},
        {"---", ""},
    });
    expectAll(stripTrailingYear, {
        {"Title 1999", "Title"},
        {"Title - 1999", "Title -"},  // the noise pass takes the hyphen
        {"Title-2001", "Title"},
        {"Title 1850", "Title 1850"},
        {"Song 2100", "Song 2100"},
        {"Title2001", "Title2001"},
        {"1999", "1999"},
        {"Abba 1999", "Abba 1999"},  // the rest must be longer than the year
    });
    expectAll(stripTrailingBracket, {
        {"Song (Live)", "Song"},
        {"Title (Live]", "Title"},
        {"01 - Song [Remix}", "Song"},
        {"(Live)", "(Live)"},
    });
    expectAll(stripTrailingNoise, {
        {"Album (Deluxe) 1999", "Album"},
        {"Kind Of Blue (1959) [Remaster]", "Kind Of Blue"},
        {"Album (1999)", "Album"},
        {"Title - 1999", "Title"},
        {"Plain", "Plain"},
    });
}

TEST(NameTidying, SpacesSeparatorsAndRunsTheWholeCleanUp)
{
    expectAll(tidyName, {
        {"Simon&Garfunkel", "Simon & Garfunkel"},
        {"Artist_Name", "Artist Name"},
        {"A -B", "A - B"},
        {"A- B", "A - B"},
        {"Song (Live) 2001", "Song"},
    });
    expectAll(removeExtraCharacters, {
        {"01 - Title", "Title"},
        {"1980s Hits", "1980s Hits"},
        {"5th Symphony", "5th Symphony"},
        {"Song (Live)", "Song"},
        {"(Live)", "(Live)"},
        {"Title 1999", "Title"},
        {"Title 1850", "Title 1850"},
        {"1999", "1999"},
        {"  02_-_Blue in Green (take 2)  ", "Blue in Green"},
    });
}

TEST(WordCapitals, FollowWordsInEveryScript)
{
    expectAll(capitalizeWords, {
        {"kind of blue", "Kind Of Blue"},
        {"AC/DC", "Ac/Dc"},
        {"1980s hits", "1980s Hits"},
        {"don't stop", "Don't Stop"},
        {"'til dawn", "'Til Dawn"},
        {"альбом ночи", "Альбом Ночи"},
        {"ÉTÉ", "Été"},
        {"😀 smile", "😀 Smile"},
        {"日本の歌", "日本の歌"},
    });
}
