#pragma once
// The command line of the text commands: clean, replace, and the find
// options show takes.

#include "cli/CliOptions.h"

#include <optional>

namespace tagmint::cli {

class OptionArgument;

CliOptions parseClean(const QStringList& args);
CliOptions parseReplace(const QStringList& args);

// For show and replace: takes --find, --mode, --case-sensitive or --fields.
// Nothing when the option is another one; else its usage problem or "".
std::optional<QString> takeFindOption(OptionArgument& option, CliOptions& options);
// What show needs after its arguments were read: the find options only
// together with --find.
QString checkFindArguments(const CliOptions& options);

// What replace and show --find search without --fields: every text field
// that can be searched and written.
QStringList defaultFindFields();

// The usage lines of clean and replace and show's find options.
QString textCommandsUsage();

} // namespace tagmint::cli
