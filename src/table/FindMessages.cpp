#include "table/FindMessages.h"

namespace tagmint::table::find_text {

namespace {

constexpr int kFindPriority = 2;

QString inSelectionSuffix(bool inSelection)
{
    return inSelection ? QStringLiteral(" in selection") : QString();
}

QString directionWord(Direction direction, bool capitalised)
{
    if (direction == Direction::Next)
        return capitalised ? QStringLiteral("Next") : QStringLiteral("next");
    return capitalised ? QStringLiteral("Previous") : QStringLiteral("previous");
}

// "'x' was found in selection", "'x' was not found"
QString foundSubject(const QString& query, bool found, bool inSelection)
{
    return QStringLiteral("'%1' was %2%3")
        .arg(query, found ? QStringLiteral("found") : QStringLiteral("not found"),
             inSelectionSuffix(inSelection));
}

QString notFoundText(const QString& query)
{
    return QStringLiteral("Text '%1' was not found.").arg(query);
}

StatusNotification findMessage(const QString& verb, const QString& subject, const QString& text)
{
    return StatusNotification::makeMessage(verb, subject, text, kFindPriority);
}

} // namespace

StatusNotification countMessage(int count, const QString& query, bool inSelection)
{
    const QString text = count > 0
        ? QStringLiteral("%1 occurence%2 of '%3' %4 found%5.")
              .arg(count)
              .arg(count == 1 ? QString() : QStringLiteral("s"), query,
                   count == 1 ? QStringLiteral("was") : QStringLiteral("were"),
                   inSelectionSuffix(inSelection))
        : QStringLiteral("'%1' was not found%2.").arg(query, inSelectionSuffix(inSelection));
    return findMessage(QStringLiteral("Find"), text, text);
}

StatusNotification stepMessage(Direction direction, const QString& query, bool found, bool inSelection)
{
    const QString verb = QStringLiteral("Find %1").arg(directionWord(direction, true));
    const QString text = found
        ? QStringLiteral("Found %1 occurence of '%2'.").arg(directionWord(direction, false), query)
        : notFoundText(query);
    return findMessage(verb, foundSubject(query, found, inSelection), text);
}

StatusNotification emptyQueryMessage(Direction direction)
{
    return findMessage(QStringLiteral("Find %1").arg(directionWord(direction, true)),
                       QStringLiteral("text to find is empty"),
                       QStringLiteral("Text to find was not specified."));
}

StatusNotification replacedMessage(const QString& query, bool inSelection)
{
    return findMessage(
        QStringLiteral("Find and Replace"),
        QStringLiteral("next occurence was replaced%1").arg(inSelectionSuffix(inSelection)),
        QStringLiteral("Next occurence of '%1' was replaced%2.").arg(query, inSelectionSuffix(inSelection)));
}

StatusNotification replaceFindMessage(const QString& query, bool found, bool inSelection)
{
    const QString text = found ? QStringLiteral("Found next occurence of '%1'.").arg(query)
                               : notFoundText(query);
    return findMessage(QStringLiteral("Find and Replace"), foundSubject(query, found, inSelection), text);
}

StatusNotification replaceRefusedMessage(const QString& reason)
{
    return StatusNotification::makeMessage(QStringLiteral("Find and Replace"), reason, reason,
                                           StatusNotification::kDefaultPriority,
                                           StatusNotification::KeepSubjectCase);
}

StatusNotification useSelectionMessage(const QString& text)
{
    return StatusNotification::makeMessage(QStringLiteral("Use Selection for Find"),
                                           QStringLiteral("'%1'").arg(text),
                                           QStringLiteral("Selection '%1' was used for Find.").arg(text),
                                           kFindPriority);
}

StatusNotification useSelectionNotFoundMessage()
{
    return findMessage(QStringLiteral("Use Selection for Find"), QStringLiteral("selected text was not found"),
                       QStringLiteral("Selected text was not found."));
}

StatusNotification filterMessage(bool enabled)
{
    const QString state = enabled ? QStringLiteral("enabled") : QStringLiteral("disabled");
    const QString consequence = enabled
        ? QStringLiteral("Only rows that match to text to find will be shown.")
        : QStringLiteral("All rows will be shown.");
    return StatusNotification::makeMessage(QStringLiteral("Find"), QStringLiteral("filter was %1").arg(state),
                                           QStringLiteral("Filter was %1.\n%2").arg(state, consequence));
}

StatusNotification barShownMessage(bool withReplace)
{
    return withReplace
        ? StatusNotification::makeMessage(QStringLiteral("Find and Replace"), QString(),
                                          QStringLiteral("Find and Replace panel was activated."))
        : StatusNotification::makeMessage(QStringLiteral("Find"), QString(),
                                          QStringLiteral("Find panel was activated."));
}

QString searchTypeTitle(SearchType type)
{
    switch (type) {
    case SearchType::StartsWith: return QStringLiteral("Starts with");
    case SearchType::EndsWith: return QStringLiteral("Ends with");
    case SearchType::Matches: return QStringLiteral("Matches");
    case SearchType::Contains: break;
    }
    return QStringLiteral("Contains");
}

QString placeholder(const FindOptions& options)
{
    return QStringLiteral("%1 %2, %3")
        .arg(QStringLiteral("Text to find."), searchTypeTitle(options.searchType),
             options.caseSensitive ? QStringLiteral("case sensitive search.")
                                   : QStringLiteral("case insensitive search."));
}

QString ignoreCaseItem() { return QStringLiteral("Ignore Case"); }

QString searchTypeItem(SearchType type)
{
    switch (type) {
    case SearchType::StartsWith: return QStringLiteral("Starts With");
    case SearchType::EndsWith: return QStringLiteral("Ends With");
    case SearchType::Matches: return QStringLiteral("Matches");
    case SearchType::Contains: break;
    }
    return QStringLiteral("Contains");
}

namespace tips {
QString findField() { return QStringLiteral("Text to find."); }
QString options() { return QStringLiteral("Search Options"); }
QString count() { return QStringLiteral("Number of occurences of the find text"); }
QString previous() { return QStringLiteral("Find previous occurence of the find text"); }
QString next() { return QStringLiteral("Find next occurence of the find text"); }
QString done() { return QStringLiteral("Close panel"); }
QString filter() { return QStringLiteral("Filter content with the find text"); }
QString replaceCheckbox() { return QStringLiteral("Extend panel for replacing the find text"); }
QString replaceField() { return QStringLiteral("Text for replacement."); }
QString replace() { return QStringLiteral("Replace selected text and find the next occurence of the find text"); }
QString replaceAll() { return QStringLiteral("Replace all occurences of the find text"); }
} // namespace tips

} // namespace tagmint::table::find_text
