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

} // namespace

TEST(OpenReport, OpenedDuplicatesAndUnsupportedLines)
{
    const PreprocessingStatistics none;

    ResultReport report = openResultReport(1, 0, 1, false, none, true);
    EXPECT_EQ(report.title, "Open");
    EXPECT_EQ(report.longText, "1 file was opened.\n1 file with unsupported format was ignored.");
    EXPECT_EQ(report.shortText, "1 file");
    EXPECT_FALSE(report.hasAlert());

    report = openResultReport(0, 1, 0, false, none, true);
    EXPECT_EQ(report.longText, "No new files were opened.\n1 file was opened before and therefore ignored.");
    EXPECT_EQ(report.shortText, "no new files were opened");

    report = openResultReport(5, 2, 3, false, none, true);
    EXPECT_EQ(report.longText,
              "5 files were opened.\n2 files were opened before and therefore ignored.\n"
              "3 files with unsupported format were ignored.");
    EXPECT_EQ(report.shortText, "5 files");
}

TEST(OpenReport, NothingFoundIsAnAlert)
{
    for (const qint64 unsupported : {0, 4}) {
        const ResultReport report = openResultReport(0, 0, unsupported, false, {}, true);
        EXPECT_EQ(report.alertText, "Could not find supported media files.");
        EXPECT_EQ(report.shortText, report.alertText);
        EXPECT_EQ(report.longText, report.alertText);
    }
}

TEST(OpenReport, PreprocessingChangesAndOffline)
{
    ResultReport report = openResultReport(2, 0, 0, true, changes(3, 1), true);
    EXPECT_EQ(report.longText,
              "2 files were opened.\n\n"
              "1 missing artwork was loaded.\n3 tags were loaded or updated.\n\n"
              "Changes marked with gray background can be reverted.\n"
              "\nTags weren't loaded from network because your computer is currently offline. ");
    EXPECT_EQ(report.shortText, "2 files, 4 changes");
    EXPECT_EQ(report.alertText, report.longText);

    // Without the confirmation the message pops up in the status bar instead.
    report = openResultReport(1, 0, 0, false, changes(1, 0), false);
    EXPECT_FALSE(report.hasAlert());
    EXPECT_TRUE(report.popup);
    EXPECT_EQ(report.shortText, "1 file, 1 change");
}

TEST(PreprocessingReport, LinesAndClosingSentence)
{
    EXPECT_EQ(messageAboutPreprocessedChanges(0, 0), "");
    EXPECT_EQ(messageAboutPreprocessedChanges(1, 1),
              "1 missing artwork was loaded.\n1 tag was loaded or updated.\n\n"
              "Changes marked with gray background can be reverted.");
    EXPECT_EQ(messageAboutPreprocessedChanges(1, 0),
              "1 tag was loaded or updated.\n\nChange marked with gray background can be reverted.");
    EXPECT_EQ(messageAboutPreprocessedChanges(0, 2),
              "2 missing artworks were loaded.\n\nChanges marked with gray background can be reverted.");
}

TEST(ReloadReport, OnlyWhenSomethingWasReloaded)
{
    EXPECT_FALSE(reloadResultReport(0, false, {}, true));
    const auto report = reloadResultReport(3, false, {}, true);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->title, "Reload");
    EXPECT_EQ(report->longText, "3 files were reloaded.");
    EXPECT_EQ(report->shortText, "3 files");
    EXPECT_FALSE(report->hasAlert());

    const auto changed = reloadResultReport(1, false, changes(2, 0), true);
    EXPECT_EQ(changed->longText, "1 file was reloaded.\n\n2 tags were loaded or updated.\n\n"
                                 "Changes marked with gray background can be reverted.");
    EXPECT_EQ(changed->shortText, "1 file, 2 changes");
    EXPECT_TRUE(changed->hasAlert());
}

TEST(SaveReport, SavedFailedAndRenameFailed)
{
    ResultReport report = saveResultReport(0, 0, 0);
    EXPECT_EQ(report.title, "Save");
    EXPECT_EQ(report.longText, "The table does not contain modified cells.");
    EXPECT_EQ(report.shortText, "no files");
    EXPECT_FALSE(report.hasAlert());

    report = saveResultReport(2, 0, 1);
    EXPECT_EQ(report.longText, "2 files were saved.\n1 file could not be renamed.");
    EXPECT_EQ(report.shortText, "2 files");
    EXPECT_EQ(report.alertText, "1 file could not be renamed.");

    report = saveResultReport(0, 2, 3);
    EXPECT_EQ(report.longText, "2 files could not be saved.\n3 files could not be renamed.");
    EXPECT_EQ(report.shortText, report.longText);
    EXPECT_EQ(report.alertText, report.longText);

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

