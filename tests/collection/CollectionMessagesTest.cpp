// The words of the results: opening, preprocessing, reloading, saving and
// moving, with their plural rules.

#include "collection/CollectionMessages.h"

#include <gtest/gtest.h>

using namespace tagmint::collection;

namespace {

PreprocessingStatistics changes(quint64 tags, quint64 artwork)
{
    PreprocessingStatistics statistics;
    statistics.tagsLoaded = tags;
    statistics.artworkLoaded = artwork;
    return statistics;
}

const char* const kChangesCanBeReverted = "Changes marked with gray background can be reverted.";
const char* const kOffline = "\nTags weren't loaded from network because your computer is currently offline. ";

} // namespace

TEST(ResultReports, TextsCountWithTheirPluralsAndAlertOnProblems)
{
    const PreprocessingStatistics none;
    const QString nothingFound = "Could not find supported media files.";
    const QString changed = QStringLiteral("2 files were opened.\n\n1 missing artwork was loaded.\n"
                                           "3 tags were loaded or updated.\n\n%1\n%2")
                                .arg(kChangesCanBeReverted, kOffline);
    const struct {
        ResultReport report;
        QString title, longText, shortText, alertText;
    } cases[] = {
        {openResultReport(1, 0, 1, false, none, true), "Open",
         "1 file was opened.\n1 file with unsupported format was ignored.", "1 file", ""},
        {openResultReport(0, 1, 0, false, none, true), "Open",
         "No new files were opened.\n1 file was opened before and therefore ignored.",
         "no new files were opened", ""},
        {openResultReport(5, 2, 3, false, none, true), "Open",
         "5 files were opened.\n2 files were opened before and therefore ignored.\n"
         "3 files with unsupported format were ignored.", "5 files", ""},
        {openResultReport(0, 0, 0, false, none, true), "Open", nothingFound, nothingFound, nothingFound},
        {openResultReport(0, 0, 4, false, none, true), "Open", nothingFound, nothingFound, nothingFound},
        // Preprocessing changes are an alert when the confirmation is on.
        {openResultReport(2, 0, 0, true, changes(3, 1), true), "Open", changed, "2 files, 4 changes", changed},
        {*reloadResultReport(3, false, {}, true), "Reload", "3 files were reloaded.", "3 files", ""},
        {*reloadResultReport(1, false, changes(2, 0), true), "Reload",
         QStringLiteral("1 file was reloaded.\n\n2 tags were loaded or updated.\n\n") + kChangesCanBeReverted,
         "1 file, 2 changes",
         QStringLiteral("1 file was reloaded.\n\n2 tags were loaded or updated.\n\n") + kChangesCanBeReverted},
        {saveResultReport(0, 0, 0), "Save", "The table does not contain modified cells.", "no files", ""},
        {saveResultReport(2, 0, 1), "Save", "2 files were saved.\n1 file could not be renamed.", "2 files",
         "1 file could not be renamed."},
        // Nothing saved: the problem text alone, without an empty first line.
        {saveResultReport(0, 2, 3), "Save", "2 files could not be saved.\n3 files could not be renamed.",
         "2 files could not be saved.\n3 files could not be renamed.",
         "2 files could not be saved.\n3 files could not be renamed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.longText.toStdString());
        EXPECT_EQ(c.report.title, c.title);
        EXPECT_EQ(c.report.longText, c.longText);
        EXPECT_EQ(c.report.shortText, c.shortText);
        EXPECT_EQ(c.report.alertText, c.alertText);
    }

    // Without the confirmation the message pops up in the status bar instead.
    const ResultReport popup = openResultReport(1, 0, 0, false, changes(1, 0), false);
    EXPECT_FALSE(popup.hasAlert());
    EXPECT_TRUE(popup.popup);
    EXPECT_EQ(popup.shortText, "1 file, 1 change");
    EXPECT_FALSE(reloadResultReport(0, false, {}, true));
}

TEST(PreprocessingReport, LinesAndClosingSentence)
{
    EXPECT_EQ(messageAboutPreprocessedChanges(0, 0), "");
    EXPECT_EQ(messageAboutPreprocessedChanges(1, 0),
              "1 tag was loaded or updated.\n\nChange marked with gray background can be reverted.");
    EXPECT_EQ(messageAboutPreprocessedChanges(0, 2),
              QStringLiteral("2 missing artworks were loaded.\n\n") + kChangesCanBeReverted);
}

TEST(MoveReport, BothWindowsOrOnlyTheTarget)
{
    MoveReports reports = moveResultReports(1, "Source (3 files)", "Target (2 files)", true);
    ASSERT_TRUE(reports.source);
    EXPECT_EQ(reports.source->title, "Move to Window");
    EXPECT_EQ(reports.source->longText, "1 row was moved to window 'Target (2 files)'.");
    EXPECT_EQ(reports.target.longText, "1 row was moved from window 'Source (3 files)'");
    EXPECT_EQ(reports.source->shortText, "1 row");

    reports = moveResultReports(4, "Source", "Target %1", false);
    EXPECT_FALSE(reports.source);
    EXPECT_EQ(reports.target.longText, "4 rows were moved from other window");
    EXPECT_EQ(reports.target.shortText, "4 rows");
}
