#pragma once
// "export": the files' fields as the table's text form, one line per file
// in the order a window shows them when opened, for a spreadsheet or a
// script; "import" reads it back.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

class ExportCommand {
public:
    ExportCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace tagmint::cli
