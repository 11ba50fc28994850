#pragma once
// "rename": names each file after its tags (the window's "create File Names
// from tags"), then saves, which renames the files.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

class RenameCommand {
public:
    RenameCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace tagmint::cli
