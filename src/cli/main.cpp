// tagmint-cli: headless companion of Tagmint for scripts and end-to-end
// tests. A QCoreApplication is needed for Qt's image plugins.

#include "cli/ArtworkCommand.h"
#include "cli/CliOptions.h"
#include "cli/ExportCommand.h"
#include "cli/FillCommand.h"
#include "cli/FingerprintCommand.h"
#include "cli/ImportCommand.h"
#include "cli/ParsePathCommand.h"
#include "cli/RenameCommand.h"
#include "cli/SetCommand.h"
#include "cli/ShowCommand.h"
#include "cli/TextEditCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

using namespace tagmint::cli;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const CliOptions options = parseArguments(app.arguments().mid(1));
    switch (options.command) {
    case CliOptions::Command::Help:
        out << usageText();
        return kExitOk;
    case CliOptions::Command::Show:
        return ShowCommand(options, out, err).run();
    case CliOptions::Command::Set:
        return SetCommand(options, out, err).run();
    case CliOptions::Command::ArtworkExport:
        return ArtworkCommand(options, out, err).run();
    case CliOptions::Command::Clean:
    case CliOptions::Command::Replace:
        return TextEditCommand(options, out, err).run();
    case CliOptions::Command::Rename:
        return runRename(options, out, err);
    case CliOptions::Command::Fill:
        return runFill(options, out, err);
    case CliOptions::Command::ParsePath:
        return runParsePath(options, out);
    case CliOptions::Command::Fingerprint:
        return runFingerprint(options.paths, out, err);
    case CliOptions::Command::Export:
        return ExportCommand(options, out, err).run();
    case CliOptions::Command::Import: {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            err << "tagmint-cli: cannot read standard input" << Qt::endl;
            return kExitFailure;
        }
        return ImportCommand(options, input.readAll(), out, err).run();
    }
    case CliOptions::Command::UsageError:
        break;
    }
    err << "tagmint-cli: " << options.error << "\n\n" << usageText();
    return kExitUsage;
}
