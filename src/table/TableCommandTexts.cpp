#include "table/TableCommandTexts.h"

#include "collection/CountPhrase.h"

#include <QLocale>

namespace tagmint::table {

using collection::countPhrase;
using collection::pluralS;
using collection::wasWere;

namespace {

QString readOnlyLine(int readOnly)
{
    return QStringLiteral("%1 read only cell%2 %3 ignored.")
        .arg(readOnly)
        .arg(pluralS(readOnly))
        .arg(wasWere(readOnly));
}

QStringList distinct(const QStringList& texts)
{
    QStringList once = texts;
    once.removeDuplicates();
    return once;
}

} // namespace

CellExplanation readOnlyExplanation(const QString& verb, const QString& columnTitle,
                                    bool columnReadOnly, bool recordHasInvalidTags)
{
    CellExplanation explanation;
    explanation.title = QStringLiteral("Cannot %1 %2.").arg(verb, QStringLiteral("cell"));
    if (columnReadOnly) {
        const QString subject = columnTitle.isEmpty()
            ? QStringLiteral("This column")
            : QStringLiteral("Column '%1'").arg(columnTitle);
        explanation.message = QStringLiteral("%1 is read only.").arg(subject);
    } else if (recordHasInvalidTags) {
        explanation.message = QStringLiteral("Tags haven't been loaded from this media file.");
    } else {
        explanation.message = QStringLiteral("This media file is locked or read only.");
    }
    return explanation;
}

QString textBeforeLineBreak(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029' || c == u'\v'
            || c == u'\f' || c == u'\u0085')
            return text.left(i);
    }
    return text;
}

StatusNotification multiCellEditMessage(int cells)
{
    const QString phrase = QStringLiteral("%1 selected cell%2 %3 updated")
                               .arg(cells)
                               .arg(pluralS(cells))
                               .arg(wasWere(cells));
    return StatusNotification::makeMessage(QStringLiteral("Edit"), cells > 1 ? phrase : QString(),
                                           phrase + QLatin1Char('.'), cells > 1 ? 4 : 2);
}

QString tagsChangedText(int changes)
{
    // Grouped as in "1,247 tags changed.", whatever the user's locale.
    const QString count = changes == 0 ? QStringLiteral("No") : QLocale(QLocale::English).toString(changes);
    return QStringLiteral("%1 tag%2 changed.").arg(count, changes == 1 ? QString() : QStringLiteral("s"));
}

StatusNotification tagsChangedMessage(const QString& verb, int changes)
{
    return StatusNotification::makeMessage(verb, countPhrase(changes, QStringLiteral("change")),
                                           tagsChangedText(changes), 4);
}

StatusNotification textFieldMessage(const QString& verb, const QString& done)
{
    return StatusNotification::makeMessage(verb, QStringLiteral("active text field"),
                                           QStringLiteral("The contents of text field was %1.").arg(done));
}

StatusNotification copyMessage(int cells)
{
    return StatusNotification::makeMessage(
        QStringLiteral("Copy"), countPhrase(cells, QStringLiteral("cell")),
        QStringLiteral("The contents of selected cell%1 was copied.").arg(pluralS(cells)));
}

StatusNotification pasteMessage(int changed, int readOnlySkipped, const QStringList& errors)
{
    const QStringList failures = distinct(errors);
    QString subject = countPhrase(changed, QStringLiteral("change"));
    if (!failures.isEmpty())
        subject += QStringLiteral(". ") + failures.join(QLatin1Char(' '));
    QStringList lines;
    if (changed > 0) {
        lines.append(QStringLiteral("The contents of %1 cell%2 was changed.").arg(changed).arg(pluralS(changed)));
        if (readOnlySkipped > 0)
            lines.append(QStringLiteral("Read only cell%1 %2 ignored.")
                             .arg(pluralS(readOnlySkipped), wasWere(readOnlySkipped)));
    } else {
        lines.append(QStringLiteral("No changes."));
    }
    lines += failures;
    return StatusNotification::makeMessage(QStringLiteral("Paste"), subject, lines.join(QLatin1Char('\n')));
}

StatusNotification clearMessage(int cleared, int readOnly)
{
    QString text = cleared > 0 ? QStringLiteral("%1 selected cell%2 %3 cleared.")
                                     .arg(cleared)
                                     .arg(pluralS(cleared))
                                     .arg(wasWere(cleared))
                               : QStringLiteral("No changes were made.");
    if (readOnly > 0)
        text += QLatin1Char('\n') + readOnlyLine(readOnly);
    return StatusNotification::makeMessage(
        cleared == 1 ? QStringLiteral("Clear Cell") : QStringLiteral("Clear Cells"),
        cleared > 0 ? countPhrase(cleared, QStringLiteral("cell")) : QStringLiteral("no changes"), text);
}

std::optional<StatusNotification> revertMessage(int reverted, int writable, int readOnly)
{
    QStringList lines;
    if (reverted > 0) {
        lines.append(QStringLiteral("%1 change%2 in selected cell%2 %3 reverted.")
                         .arg(reverted)
                         .arg(pluralS(reverted))
                         .arg(wasWere(reverted)));
    } else if (writable == 1) {
        lines.append(QStringLiteral("The selected cell has its original contents already."));
    } else if (writable > 1) {
        lines.append(QStringLiteral("All selected cells have their original contents already."));
    }
    if (readOnly > 0)
        lines.append(readOnlyLine(readOnly));
    if (lines.isEmpty())
        return std::nullopt;
    return StatusNotification::makeMessage(QStringLiteral("Revert"),
                                           countPhrase(reverted, QStringLiteral("change")),
                                           lines.join(QLatin1Char('\n')));
}

StatusNotification removeRowsMessage(int rows)
{
    return StatusNotification::makeMessage(
        rows == 1 ? QStringLiteral("Remove Row") : QStringLiteral("Remove Rows"),
        countPhrase(rows, QStringLiteral("row")),
        QStringLiteral("%1 row%2 %3 removed.").arg(rows).arg(pluralS(rows)).arg(wasWere(rows)));
}

QString removeRowsConfirmation()
{
    return QStringLiteral("Do you want to remove selected rows?\nThis will not delete the files "
                          "associated with rows.");
}

StatusNotification undoMessage(bool redo, const QString& stepName)
{
    return StatusNotification::makeMessage(
        redo ? QStringLiteral("Redo") : QStringLiteral("Undo"), stepName,
        QStringLiteral("%1 was %2.").arg(stepName, redo ? QStringLiteral("redone") : QStringLiteral("undone")));
}

StatusNotification selectAllMessage()
{
    return StatusNotification::makeMessage(QStringLiteral("Select All"), QString(),
                                           QStringLiteral("All cells were selected."));
}

StatusNotification deselectAllMessage()
{
    return StatusNotification::makeMessage(QStringLiteral("Deselect All"), QString(),
                                           QStringLiteral("The selection was removed."));
}

StatusNotification selectColumnMessage(int columns, const QString& title)
{
    if (columns == 1) {
        return StatusNotification::makeMessage(
            QStringLiteral("Select Column"), title,
            QStringLiteral("All cells of column '%1' were selected.").arg(title),
            StatusNotification::kDefaultPriority, StatusNotification::KeepSubjectCase);
    }
    return StatusNotification::makeMessage(
        QStringLiteral("Select Column"), QStringLiteral("%1 column%2").arg(columns).arg(pluralS(columns)),
        QStringLiteral("All cells of %1 column%2 were selected.").arg(columns).arg(pluralS(columns)));
}

StatusNotification selectRowMessage(int rows)
{
    return StatusNotification::makeMessage(
        QStringLiteral("Select Row"), QStringLiteral("%1 row%2").arg(rows).arg(pluralS(rows)),
        QStringLiteral("All cells of %1 row%2 were selected.").arg(rows).arg(pluralS(rows)));
}

} // namespace tagmint::table
