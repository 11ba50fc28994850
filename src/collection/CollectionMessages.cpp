#include "collection/CollectionMessages.h"

#include "collection/CountPhrase.h"
#include "util/TextConversion.h"

#include <QFileInfo>
#include <QStringList>

namespace tagmint::collection {

namespace {

const QString kOpen = QStringLiteral("Open");
const QString kNothingFound = QStringLiteral("Could not find supported media files.");
const QString kOfflineSentence =
    QStringLiteral("\nTags weren't loaded from network because your computer is currently offline. ");

// "%i file%s %s <verb>." and the like, plural from 2.
QString countedLine(qint64 count, const QString& pattern)
{
    return pattern.arg(count).arg(pluralS(count), wasWere(count));
}

// The short text grows by the number of changes when preprocessing changed
// anything.
QString withChanges(const QString& shortText, const PreprocessingStatistics& statistics)
{
    if (!statistics.hasChanges())
        return shortText;
    return QStringLiteral("%1, %2").arg(shortText,
                                        countPhrase(qint64(statistics.changes()),
                                                    QStringLiteral("change")));
}

QString fileWord(qint64 remaining)
{
    return remaining < 2 ? QStringLiteral("file") : QStringLiteral("files");
}

} // namespace

QString messageAboutPreprocessedChanges(quint64 tagsLoaded, quint64 artworkLoaded)
{
    if (tagsLoaded + artworkLoaded == 0)
        return QString();
    QString text;
    if (artworkLoaded > 0)
        text = countedLine(qint64(artworkLoaded), QStringLiteral("%1 missing artwork%2 %3 loaded."));
    if (tagsLoaded > 0) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += countedLine(qint64(tagsLoaded), QStringLiteral("%1 tag%2 %3 loaded or updated."));
    }
    return QStringLiteral("%1\n\nChange%2 marked with gray background can be reverted.")
        .arg(text, pluralS(qint64(tagsLoaded + artworkLoaded)));
}

ResultReport openResultReport(qint64 added, qint64 duplicates, qint64 unsupported, bool offline,
                              const PreprocessingStatistics& statistics, bool showConfirmation)
{
    ResultReport report;
    report.title = kOpen;
    if (added + duplicates == 0) {
        report.shortText = report.longText = report.alertText = kNothingFound;
        return report;
    }

    QStringList lines;
    lines << (added == 0 ? QStringLiteral("No new files were opened.")
                         : countedLine(added, QStringLiteral("%1 file%2 %3 opened.")));
    if (duplicates > 0)
        lines << countedLine(duplicates, QStringLiteral("%1 file%2 %3 opened before and therefore ignored."));
    if (unsupported > 0)
        lines << countedLine(unsupported, QStringLiteral("%1 file%2 with unsupported format %3 ignored."));
    report.longText = lines.join(QLatin1Char('\n'));
    if (statistics.hasChanges())
        report.longText += QStringLiteral("\n\n")
            + messageAboutPreprocessedChanges(statistics.tagsLoaded, statistics.artworkLoaded);
    if (offline)
        report.longText += QLatin1Char('\n') + kOfflineSentence;

    report.shortText = withChanges(added == 0 ? QStringLiteral("no new files were opened")
                                              : countPhrase(added, QStringLiteral("file")),
                                   statistics);
    if (statistics.hasChanges()) {
        if (showConfirmation)
            report.alertText = report.longText;
        else
            report.popup = true;
    }
    return report;
}

std::optional<ResultReport> reloadResultReport(qint64 reloaded, bool offline,
                                               const PreprocessingStatistics& statistics,
                                               bool showConfirmation)
{
    if (reloaded == 0)
        return std::nullopt;
    ResultReport report;
    report.title = QStringLiteral("Reload");
    report.longText = countedLine(reloaded, QStringLiteral("%1 file%2 %3 reloaded."));
    if (statistics.hasChanges())
        report.longText += QStringLiteral("\n\n")
            + messageAboutPreprocessedChanges(statistics.tagsLoaded, statistics.artworkLoaded);
    if (offline)
        report.longText += QLatin1Char('\n') + kOfflineSentence;
    report.shortText = withChanges(countPhrase(reloaded, QStringLiteral("file")), statistics);
    if (statistics.hasChanges() && showConfirmation)
        report.alertText = report.longText;
    return report;
}

ResultReport saveResultReport(qint64 saved, qint64 failed, qint64 renameFailed)
{
    const QString savedLine =
        saved > 0 ? countedLine(saved, QStringLiteral("%1 file%2 %3 saved.")) : QString();
    QString problems;
    if (failed > 0)
        problems = QStringLiteral("%1 file%2 could not be saved.").arg(failed).arg(pluralS(failed));
    if (renameFailed > 0) {
        if (!problems.isEmpty())
            problems += QLatin1Char('\n');
        problems += QStringLiteral("%1 file%2 could not be renamed.")
                        .arg(renameFailed)
                        .arg(pluralS(renameFailed));
    }

    ResultReport report;
    report.title = QStringLiteral("Save");
    // Parts are joined only when both exist, so a save that saved nothing
    // does not start its text with an empty line.
    QStringList parts;
    if (!savedLine.isEmpty())
        parts << savedLine;
    if (!problems.isEmpty())
        parts << problems;
    report.longText = parts.isEmpty() ? QStringLiteral("The table does not contain modified cells.")
                                      : parts.join(QLatin1Char('\n'));
    report.shortText = saved == 0 && !problems.isEmpty() ? problems
                                                         : countPhrase(saved, QStringLiteral("file"));
    report.alertText = problems;
    return report;
}

MoveReports moveResultReports(qint64 moved, const QString& sourceTitle, const QString& targetTitle,
                              bool sourceStillHasRecords)
{
    const QString title = QStringLiteral("Move to Window");
    const QString rows = countPhrase(moved, QStringLiteral("row"));
    MoveReports reports;
    reports.target.title = title;
    reports.target.shortText = rows;
    if (sourceStillHasRecords) {
        ResultReport source;
        source.title = title;
        source.shortText = rows;
        source.longText = countedLine(moved, QStringLiteral("%1 row%2 %3 moved to window '%4'."))
                              .arg(targetTitle);
        reports.source = source;
        reports.target.longText =
            countedLine(moved, QStringLiteral("%1 row%2 %3 moved from window '%4'")).arg(sourceTitle);
    } else {
        reports.target.longText =
            countedLine(moved, QStringLiteral("%1 row%2 %3 moved from other window"));
    }
    return reports;
}

namespace unlock_prompt {

QString title() { return QStringLiteral("Save"); }

QString text(const QString& filePath)
{
    const QFileInfo file(text::readable(filePath));
    return QStringLiteral("The file \"%1\" could not be renamed because its folder is locked.\n\n"
                          "Do you want to unlock the folder \"%2\" and try again?")
        .arg(file.fileName(), file.path());
}

QString unlock() { return QStringLiteral("Unlock"); }
QString dontUnlock() { return QStringLiteral("Don't Unlock"); }

} // namespace unlock_prompt

namespace progress_text {

QString preparingForLoading() { return QStringLiteral("Preparing for loading..."); }
QString loading(qint64 remaining) { return QStringLiteral("Loading %1 %2").arg(remaining).arg(fileWord(remaining)); }
QString reloadingStart() { return QStringLiteral("Reloading..."); }
QString reloading(qint64 remaining) { return QStringLiteral("Reloading %1 %2").arg(remaining).arg(fileWord(remaining)); }
QString loadingAudioPropertiesStart() { return QStringLiteral("Loading audio properties..."); }
QString loadingAudioProperties(qint64 remaining)
{
    return QStringLiteral("Loading audio properties of %1 %2").arg(remaining).arg(fileWord(remaining));
}
QString savingStart() { return QStringLiteral("Saving..."); }
QString saving(qint64 remaining) { return QStringLiteral("Saving %1 %2").arg(remaining).arg(fileWord(remaining)); }
QString stopping() { return QStringLiteral("Stopping..."); }

} // namespace progress_text

} // namespace tagmint::collection
