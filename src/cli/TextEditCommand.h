#pragma once
// "clean" and "replace": one text tool, or replacing found text, over the
// chosen fields of every opened record, through the same core functions as
// the window. Prints the tags-changed text, then saves like "set".

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

class TextEditCommand {
public:
    TextEditCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace tagmint::cli
