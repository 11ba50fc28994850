#pragma once
// Text clean-up shared by the record's file-name check and the name composer.

#include <QString>

namespace tagmint::naming {

// Each of \ / ; : * | @ becomes one blank.
QString replaceInvalidFileNameCharacters(const QString& text);

} // namespace tagmint::naming
