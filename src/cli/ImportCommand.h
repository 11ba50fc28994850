#pragma once
// "import": table text from standard input written into the files like a
// paste into their rows (in the order export prints them) and the given
// columns, then saved like "set".

#include "cli/CliOptions.h"

#include <QByteArray>

class QTextStream;

namespace tagmint::cli {

class ImportCommand {
public:
    // input: everything standard input held.
    ImportCommand(const CliOptions& options, QByteArray input, QTextStream& out, QTextStream& err);
    int run();

private:
    const CliOptions& m_options;
    QByteArray m_input;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace tagmint::cli
