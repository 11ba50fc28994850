#pragma once
// "rename": names each file after its tags (the window's "create File Names
// from tags"), then saves, which renames the files; --dry-run only shows
// the new names.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

int runRename(const CliOptions& options, QTextStream& out, QTextStream& err);

} // namespace tagmint::cli
