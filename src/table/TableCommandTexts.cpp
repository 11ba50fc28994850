#include "table/TableCommandTexts.h"

#include "collection/CountPhrase.h"

namespace tagmint::table {

using collection::countPhrase;
using collection::pluralS;
using collection::wasWere;

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
    return QStringLiteral("%1 tag%2 changed.")
        .arg(changes == 0 ? QStringLiteral("No") : QString::number(changes))
        .arg(changes == 1 ? QString() : QStringLiteral("s"));
}

StatusNotification tagsChangedMessage(const QString& verb, int changes)
{
    return StatusNotification::makeMessage(verb, countPhrase(changes, QStringLiteral("change")),
                                           tagsChangedText(changes), 4);
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
