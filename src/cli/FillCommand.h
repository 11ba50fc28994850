#pragma once
// "fill --from-paths": the window's "Load Tags From Paths" over every opened
// file: tags from folder and file names, artwork from the folder, then save.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

class FillCommand {
public:
    FillCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace tagmint::cli
