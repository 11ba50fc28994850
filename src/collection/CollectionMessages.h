#pragma once
// The words of opening, reloading, saving and moving: result reports and the
// progress panel's texts.

#include "collection/PreprocessingStatistics.h"
#include "collection/ResultReport.h"

#include <QString>
#include <optional>

namespace tagmint::collection {

// What preprocessing loaded, or "" when it changed nothing.
QString messageAboutPreprocessedChanges(quint64 tagsLoaded, quint64 artworkLoaded);

// The outcome of opening files. showConfirmation is the setting
// QZTagLibTablePreferencesShowConfirmationAfterTagsUpdateAtOpening.
ResultReport openResultReport(qint64 added, qint64 duplicates, qint64 unsupported, bool offline,
                              const PreprocessingStatistics& statistics, bool showConfirmation);

// The outcome of a reload; nothing when no record was reloaded.
std::optional<ResultReport> reloadResultReport(qint64 reloaded, bool offline,
                                               const PreprocessingStatistics& statistics,
                                               bool showConfirmation);

ResultReport saveResultReport(qint64 saved, qint64 failed, qint64 renameFailed);

// The two windows' messages after rows moved. When the source became empty
// it closes and only the target reports.
struct MoveReports {
    std::optional<ResultReport> source;
    ResultReport target;
};
MoveReports moveResultReports(qint64 moved, const QString& sourceTitle, const QString& targetTitle,
                              bool sourceStillHasRecords);

// The question before the save's second pass clears the lock flag of the
// folder holding a file that could not be renamed (title "Save").
namespace unlock_prompt {
QString title();
QString text(const QString& filePath);
QString unlock();
QString dontUnlock();
} // namespace unlock_prompt

// Texts of the progress panel. remaining is the number of items still to go.
namespace progress_text {
QString preparingForLoading();
QString loading(qint64 remaining);
QString reloadingStart();
QString reloading(qint64 remaining);
QString loadingAudioPropertiesStart();
QString loadingAudioProperties(qint64 remaining);
QString savingStart();
QString saving(qint64 remaining);
QString stopping();
} // namespace progress_text

} // namespace tagmint::collection
