#pragma once
// "artwork export": saves a file's artwork as a JPEG file into a folder.

#include "cli/CliOptions.h"

class QTextStream;

namespace tagmint::cli {

class ArtworkCommand {
public:
    ArtworkCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace tagmint::cli
