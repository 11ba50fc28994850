// Finding text: the four match modes on single texts, and the engine over
// real records: counting, stepping through cells in both directions with
// wrap-around, replacing, filtering and highlighting.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "table/QZTagLibRecordTextFinder.h"
#include "table/TextMatcher.h"
#include "table/TextTestSupport.h"

#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::table;

namespace {

TextMatcher matcher(const QString& query, SearchType type, bool caseSensitive = false)
{
    FindOptions options;
    options.searchType = type;
    options.caseSensitive = caseSensitive;
    return TextMatcher(query, options);
}

QList<TextRange> all(const TextMatcher& m, const QString& text, qsizetype start = 0)
{
    QList<TextRange> ranges;
    m.enumerate(text, start, [&ranges](const TextRange& range) {
        ranges.append(range);
        return true;
    });
    return ranges;
}

} // namespace

TEST(TextMatcher, TheFourModes)
{
    using R = QList<TextRange>;
    EXPECT_EQ(all(matcher("aa", SearchType::Contains), "aaaaa"), (R{{0, 2}, {2, 2}}));
    EXPECT_EQ(all(matcher("ab", SearchType::Contains), "xabyab", 2), (R{{4, 2}}));
    // The first "aa" ends at 2; the search goes on at 2 and finds no other.
    EXPECT_TRUE(all(matcher("aa", SearchType::EndsWith), "aaa").isEmpty());
    EXPECT_EQ(all(matcher("aa", SearchType::EndsWith), "aaaa"), (R{{2, 2}}));
    EXPECT_EQ(all(matcher("ab", SearchType::StartsWith), "abab"), (R{{0, 2}}));
    EXPECT_TRUE(all(matcher("ab", SearchType::StartsWith), "abab", 1).isEmpty());
    EXPECT_TRUE(all(matcher("ab", SearchType::StartsWith), "xab").isEmpty());
    EXPECT_EQ(all(matcher("ab", SearchType::Matches), "AB"), (R{{0, 2}}));
    EXPECT_TRUE(all(matcher("ab", SearchType::Matches), "abab").isEmpty());
    // Nothing to find, or nothing to look in.
    EXPECT_TRUE(all(matcher("", SearchType::Contains), "abc").isEmpty());
    EXPECT_TRUE(all(matcher("abcd", SearchType::Contains), "abc").isEmpty());
    EXPECT_TRUE(all(matcher("c", SearchType::Contains), "abc", 3).isEmpty());
}

TEST(TextMatcher, CaseFoldingCoversLettersBeyondAscii)
{
    EXPECT_EQ(matcher("ärger", SearchType::Contains).count("ÄRGER und Ärger"), 2);
    EXPECT_EQ(matcher("ПРИВЕТ", SearchType::Matches).count("привет"), 1);
    EXPECT_EQ(matcher("ärger", SearchType::Contains, true).count("ÄRGER und Ärger"), 0);
    EXPECT_EQ(matcher("Ärger", SearchType::Contains, true).count("ÄRGER und Ärger"), 1);
    // Letters outside the basic plane fold too (Deseret capital and small).
    EXPECT_EQ(matcher(QStringLiteral("a\U00010428b"), SearchType::Contains)
                  .count(QStringLiteral("xA\U00010400B a\U00010428b \U00010428")), 2);
    EXPECT_EQ(matcher(QStringLiteral("ärger"), SearchType::EndsWith).count(QString(600, u'x') + "ÄRGER"), 1);
}

TEST(TextMatcher, FirstAndLastWithinLimits)
{
    const TextMatcher m = matcher("ab", SearchType::Contains);
    EXPECT_EQ(m.first("ab ab ab", 1), (TextRange{3, 2}));
    EXPECT_EQ(m.last("ab ab ab", 5), (TextRange{3, 2}));
    EXPECT_EQ(m.last("ab ab ab", 4), (TextRange{0, 2}));
    EXPECT_FALSE(m.last("ab ab ab", 1));
}

TEST(TextMatcher, ReplacingGoesOnAfterTheInsertedText)
{
    QString text = "aa";
    EXPECT_EQ(matcher("a", SearchType::Contains).replaceAll(text, "aa"), 2);
    EXPECT_EQ(text, "aaaa");

    // Starts with: at most once per text, even when the replacement is
    // empty and a new start would match again.
    text = "aaa";
    EXPECT_EQ(matcher("a", SearchType::StartsWith).replaceAll(text, ""), 1);
    EXPECT_EQ(text, "aa");

    text = "abab";
    EXPECT_EQ(matcher("AB", SearchType::EndsWith).replaceAll(text, "x"), 1);
    EXPECT_EQ(text, "abx");

    text = "Song";
    EXPECT_EQ(matcher("song", SearchType::Matches, true).replaceAll(text, "x"), 0);
    EXPECT_EQ(text, "Song");
}

namespace {

// Rows of titles and artists in one collection; "-" marks a record whose
// tags could not be read.
class FindEngine : public ::testing::Test {
protected:
    test::TempDir dir;
    QString file = dir.copyFixture("plain.mp3", "song.mp3");
    QZTagLibRecordDataArrayController collection;
    std::unique_ptr<QZTagLibRecordTextFinder> engine;
    const QStringList columns = {"title", "artist"};

    void rows(const QList<QPair<QString, QString>>& values)
    {
        RecordList records = test::recordsWithTitleAndArtist(file, values);
        for (qsizetype row = 0; row < values.size(); ++row) {
            if (values.at(row).first == "-")
                records[row] = std::make_shared<QZTagLibRecord>(dir.writeFile("bad.mp3", QByteArray()), 0);
        }
        collection.addObjects(records);
        // Without the filter, so rows stay where they are.
        engine = std::make_unique<QZTagLibRecordTextFinder>(collection, unfiltered);
    }

    static constexpr FindOptions unfiltered{false, false, SearchType::Contains};

    SelectionScope whole() const { return {columns, 0, int(collection.shownCount()) - 1}; }

    static QZTagLibTableCellPath cell(const QString& identifier, int row) { return {identifier, row, -1}; }

    // The cells find next (or previous) visits from start, n steps, as
    // "row:identifier@location".
    QStringList walk(QZTagLibTableCellPath start, int steps, bool forward = true)
    {
        QStringList visited;
        for (int i = 0; i < steps; ++i) {
            const bool found = forward ? engine->findNext(start, whole()) : engine->findPrevious(start, whole());
            if (!found)
                break;
            const FoundOccurrence& at = *engine->lastFound();
            visited.append(QStringLiteral("%1:%2@%3").arg(at.cell.row).arg(at.cell.identifier).arg(at.range.location));
            start = at.cell;   // the found cell becomes the active one
        }
        return visited;
    }
};

} // namespace

TEST_F(FindEngine, FindNextWalksRowByRowAndWrapsToTheStart)
{
    rows({{"x x", "a"}, {"b", "x"}, {"c", "d"}, {"x", "e"}});
    engine->setQuery("x", columns);
    EXPECT_EQ(walk(cell("artist", 1), 6),
              (QStringList{"1:artist@0", "3:title@0", "0:title@0", "0:title@2", "1:artist@0", "3:title@0"}));
    // From a cell without an occurrence: the next cells first.
    EXPECT_EQ(walk(cell("title", 2), 1), QStringList{"3:title@0"});
}

TEST_F(FindEngine, FindPreviousWalksBackwards)
{
    rows({{"x x", "a"}, {"b", "x"}, {"c", "d"}, {"x", "e"}});
    engine->setQuery("x", columns);
    EXPECT_EQ(walk(cell("title", 0), 1, false), QStringList{"0:title@2"});
    engine->setQuery("x", columns);   // forgets where it stopped
    EXPECT_EQ(walk(cell("title", 0), 5, false),
              (QStringList{"0:title@2", "0:title@0", "3:title@0", "1:artist@0", "0:title@2"}));
}

TEST_F(FindEngine, ALoneOccurrenceIsFoundAgain)
{
    rows({{"a", "b"}, {"c", "needle"}});
    engine->setQuery("needle", columns);
    EXPECT_EQ(walk(cell("title", 0), 3), (QStringList{"1:artist@0", "1:artist@0", "1:artist@0"}));
    engine->setQuery("absent", columns);
    EXPECT_FALSE(engine->findNext(cell("title", 0), whole()));
    EXPECT_FALSE(engine->lastFound());
}

TEST_F(FindEngine, CountingCoversTheScopeAndTellsWhetherAnyCanBeReplaced)
{
    rows({{"la la", "la"}, {"-", ""}, {"lalala", "x"}});
    engine->setQuery("la", columns);
    EXPECT_EQ(engine->countOccurrences(whole(), columns).count, 6);
    EXPECT_EQ(engine->countOccurrences({{"artist"}, 0, 1}, columns).count, 1);
    EXPECT_EQ(engine->countOccurrences({columns, 2, 2}, columns).count, 3);
    // Only in a column that cannot be replaced in.
    EXPECT_FALSE(engine->countOccurrences({{"artist"}, 0, 2}, {"title"}).replaceable);
    EXPECT_TRUE(engine->countOccurrences({{"artist"}, 0, 2}, {"artist"}).replaceable);
}

TEST_F(FindEngine, ReplacingTheFoundOccurrenceThenGoingOn)
{
    rows({{"ab ab", ""}, {"ab", ""}});
    engine->setQuery("ab", columns);
    engine->setReplacement("abc");
    ASSERT_TRUE(engine->findNext(cell("title", 0), whole()));
    // A cell other than the found one is not replaced in.
    EXPECT_FALSE(engine->replaceFound(cell("title", 1), nullptr));
    EXPECT_TRUE(engine->replaceFound(cell("title", 0), nullptr));
    EXPECT_EQ(collection.stringAtRow(0, "title"), "abc ab");
    // The place after the replacement is no occurrence to replace again.
    EXPECT_FALSE(engine->replaceFound(cell("title", 0), nullptr));
    ASSERT_TRUE(engine->findNext(cell("title", 0), whole()));
    EXPECT_EQ(engine->lastFound()->range, (TextRange{4, 2}));

    // Edited since it was found: nothing is replaced.
    collection.recordAtRow(0)->setValue("xx ab", "title");
    EXPECT_FALSE(engine->replaceFound(cell("title", 0), nullptr));
    EXPECT_EQ(collection.stringAtRow(0, "title"), "xx ab");
}

TEST_F(FindEngine, ReplaceAllCountsReplacementsAndKeepsRefusedValues)
{
    rows({{"1999 1999", "1999"}, {"-", ""}, {"1999", "ok"}});
    collection.recordAtRow(0)->setValue("1999", "year");
    collection.recordAtRow(2)->setValue("2000", "year");
    engine->setQuery("1999", {"title", "artist", "year"});
    engine->setReplacement("19999");
    const TextEditOutcome outcome = engine->replaceAll({{"title", "artist", "year"}, 0, 2});
    EXPECT_EQ(outcome.changes, 4);
    ASSERT_EQ(outcome.refusals.size(), 1);
    EXPECT_EQ(outcome.refusals[0].key, "year");
    EXPECT_EQ(collection.stringAtRow(0, "title"), "19999 19999");
    EXPECT_EQ(collection.stringAtRow(0, "year"), "1999");
    EXPECT_EQ(collection.stringAtRow(2, "title"), "19999");
}

TEST_F(FindEngine, TheFilterFollowsQueryAndOptionsAndJudgesNewRecords)
{
    rows({{"Rock", ""}, {"Jazz", "rockers"}, {"Pop", ""}});
    engine->setOptions(FindOptions{}, columns);
    engine->setQuery("rock", columns);
    EXPECT_EQ(collection.shownCount(), 2);

    FindOptions options;
    options.caseSensitive = true;
    engine->setOptions(options, columns);
    EXPECT_EQ(collection.shownCount(), 1);

    auto later = std::make_shared<QZTagLibRecord>(file, 0);
    later->setValue("rock on", "title");
    collection.addObjects({later});
    EXPECT_EQ(collection.shownCount(), 2);

    options.filterEnabled = false;
    engine->setOptions(options, columns);
    EXPECT_EQ(collection.shownCount(), 4);
    EXPECT_FALSE(collection.hasFilter());
    options.filterEnabled = true;
    engine->setOptions(options, columns);
    engine->setQuery("", columns);
    EXPECT_FALSE(collection.hasFilter());
}

TEST_F(FindEngine, HighlightMarksEveryMatchAndTheCurrentOneWhileItHolds)
{
    rows({{"la la", ""}});
    engine->setQuery("la", columns);
    ASSERT_TRUE(engine->findNext(cell("title", 0), whole()));
    ASSERT_TRUE(engine->findNext(cell("title", 0), whole()));
    auto highlight = engine->highlight("la la", 0, "title");
    EXPECT_EQ(highlight.matches, (QList<TextRange>{{0, 2}, {3, 2}}));
    EXPECT_EQ(highlight.current, (TextRange{3, 2}));
    EXPECT_FALSE(engine->highlight("la la", 0, "artist").current);
    // The text changed under the found range.
    EXPECT_FALSE(engine->highlight("la xy", 0, "title").current);
    EXPECT_FALSE(engine->selectedRange("la", 0, "title"));
}
