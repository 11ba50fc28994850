#pragma once
// "parse-path": what the folder and file names of each path give, as one
// JSON object per line. Nothing is opened; the paths need not exist.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

int runParsePath(const CliOptions& options, QTextStream& out);

} // namespace tagmint::cli
