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
#include "util/TextConversion.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <malloc.h>

using namespace tagmint::cli;

int main(int argc, char** argv)
{
    // Freed memory stays with the process until it ends. By default glibc
    // gives the top of a heap back whenever more than 128 KB lie free there,
    // which happens after nearly every file FFmpeg opens, and faults the
    // pages in again for the next: half the time of reading the audio
    // facts of AIFF files. (Setting the trim threshold stops glibc raising
    // the mmap threshold by itself, so that is set too.)
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const CliOptions options = parseArguments(tagmint::text::commandLineArguments(argc, argv));
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
    err << "tagmint-cli: " << tagmint::text::readable(options.error) << "\n\n" << usageText();
    return kExitUsage;
}
