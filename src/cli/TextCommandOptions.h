#pragma once
// The command line of the text commands: clean, replace, and the find
// options show takes.

#include "cli/CliOptions.h"

namespace tagmint::cli {

CliOptions parseClean(const QStringList& args);
CliOptions parseReplace(const QStringList& args);

// For show: when args[index] is a find option, takes it (and its value),
// moves index past it and answers true; a bad value leaves a usage error
// in error.
bool takeFindOption(const QStringList& args, qsizetype& index, CliOptions& options, QString& error);
// What show needs after its arguments were read: the find options only
// together with --find.
QString checkFindArguments(const CliOptions& options);

// What clean changes without --fields: the text fields a new window shows.
QStringList defaultCleanFields();
// What replace and show --find search without --fields: every text field
// that can be searched and written.
QStringList defaultFindFields();

// The usage lines of clean and replace and show's find options.
QString textCommandsUsage();

} // namespace tagmint::cli
