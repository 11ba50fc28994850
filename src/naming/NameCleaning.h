#pragma once
// Text clean-up shared by the record's file-name check and the name composer.

#include <QString>

namespace tagmint::naming {

// Each of \ / ; : * | @ becomes one blank.
QString replaceInvalidFileNameCharacters(const QString& text);

// Trims white space at both ends and collapses runs of blanks into one blank
// (tabs and line breaks inside the text are kept).
QString normalizeSpaces(const QString& text);

} // namespace tagmint::naming
