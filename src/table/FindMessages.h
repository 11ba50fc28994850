#pragma once
// The words of the find bar: its status messages, placeholder, menu and
// tool tips. "in selection" is added whenever the search covers a
// selection rather than the whole table.

#include "table/FindOptions.h"
#include "table/StatusNotification.h"

#include <QString>

namespace tagmint::table::find_text {

// After a recount: "3 occurences of 'x' were found." or "'x' was not found."
StatusNotification countMessage(int count, const QString& query, bool inSelection);

enum class Direction { Next, Previous };
StatusNotification stepMessage(Direction direction, const QString& query, bool found, bool inSelection);
StatusNotification emptyQueryMessage(Direction direction);

// Replace: a replacement was made, or only a find step.
StatusNotification replacedMessage(const QString& query, bool inSelection);
StatusNotification replaceFindMessage(const QString& query, bool found, bool inSelection);
// The record refused the text the replacement made.
StatusNotification replaceRefusedMessage(const QString& reason);

StatusNotification useSelectionMessage(const QString& text);
StatusNotification useSelectionNotFoundMessage();

StatusNotification filterMessage(bool enabled);
StatusNotification barShownMessage(bool withReplace);

// "Text to find. Contains, case insensitive search."
QString placeholder(const FindOptions& options);
// "Contains", "Starts with", ...
QString searchTypeTitle(SearchType type);
// The options menu's items: "Ignore Case", then the four modes.
QString ignoreCaseItem();
QString searchTypeItem(SearchType type);

namespace tips {
QString findField();
QString options();
QString count();
QString previous();
QString next();
QString done();
QString filter();
QString replaceCheckbox();
QString replaceField();
QString replace();
QString replaceAll();
} // namespace tips

} // namespace tagmint::table::find_text
