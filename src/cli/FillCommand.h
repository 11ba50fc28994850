#pragma once
// "fill --from-paths": the window's "Load Tags From Paths" over every opened
// file: tags from folder and file names, artwork from the folder, then save.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

int runFill(const CliOptions& options, QTextStream& out, QTextStream& err);

} // namespace tagmint::cli
