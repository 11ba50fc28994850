#include "cli/CliOptions.h"

#include "cli/TextCommandOptions.h"
#include "record/RecordField.h"

namespace tagmint::cli {

namespace {

const QString kEndOfOptions = QStringLiteral("--");

bool isHelp(const QString& arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

CliOptions usageError(const QString& message)
{
    CliOptions options;
    options.command = CliOptions::Command::UsageError;
    options.error = message;
    return options;
}

CliOptions parseShow(const QStringList& args)
{
    CliOptions options;
    options.command = CliOptions::Command::Show;
    bool optionsEnded = false;
    for (qsizetype index = 0; index < args.size(); ++index) {
        const QString& arg = args.at(index);
        QString findError;
        if (!optionsEnded && takeFindOption(args, index, options, findError)) {
            if (!findError.isEmpty())
                return usageError(findError);
        } else if (!optionsEnded && arg == kEndOfOptions) {
            optionsEnded = true;
        } else if (!optionsEnded && arg == QLatin1String("--json")) {
            options.json = true;
        } else if (!optionsEnded && arg == QLatin1String("--audio")) {
            options.audio = true;
        } else if (!optionsEnded && isHelp(arg)) {
            options.command = CliOptions::Command::Help;
            return options;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return usageError(QStringLiteral("unknown option \"%1\"").arg(arg));
        } else {
            options.paths.append(arg);
        }
    }
    if (const QString problem = checkFindArguments(options); !problem.isEmpty())
        return usageError(problem);
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("show needs at least one file"));
    return options;
}

// Empty when the key may be set from the command line, else why not.
QString checkSettableKey(const QString& key)
{
    const auto field = record::fieldForKey(key);
    if (!field)
        return QStringLiteral("unknown key \"%1\"").arg(key);
    if (!record::isEditable(*field))
        return QStringLiteral("\"%1\" is read-only").arg(key);
    return QString();
}

CliOptions parseSet(const QStringList& args)
{
    if (args.size() == 1 && isHelp(args.first())) {
        CliOptions help;
        help.command = CliOptions::Command::Help;
        return help;
    }
    CliOptions options;
    options.command = CliOptions::Command::Set;

    // With "--" everything after it is a path. Without it, assignments come
    // first and the first argument without "=" starts the paths; an "="
    // after that is almost certainly a misplaced assignment, not a path.
    const qsizetype separator = args.indexOf(kEndOfOptions);
    const QStringList head = separator < 0 ? args : args.mid(0, separator);
    bool inPaths = false;
    for (const QString& arg : head) {
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        if (inPaths || equals < 0) {
            if (equals >= 0)
                return usageError(QStringLiteral("\"%1\" follows a path; put \"--\" before "
                                                 "paths that contain \"=\"").arg(arg));
            if (separator >= 0)
                return usageError(QStringLiteral("\"%1\" is not KEY=VALUE").arg(arg));
            inPaths = true;
            options.paths.append(arg);
            continue;
        }
        const QString key = arg.left(equals);
        if (const QString problem = checkSettableKey(key); !problem.isEmpty())
            return usageError(problem);
        options.assignments.append({key, arg.mid(equals + 1)});
    }
    if (separator >= 0)
        options.paths += args.mid(separator + 1);

    if (options.assignments.isEmpty())
        return usageError(QStringLiteral("set needs at least one KEY=VALUE"));
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("set needs at least one file"));
    return options;
}

CliOptions parseArtwork(const QStringList& args)
{
    if (args.size() != 3 || args[0] != QLatin1String("export"))
        return usageError(QStringLiteral("artwork needs: export PATH DIR"));
    CliOptions options;
    options.command = CliOptions::Command::ArtworkExport;
    options.paths = args.mid(1);
    return options;
}

} // namespace

CliOptions parseArguments(const QStringList& args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString& command = args.first();
    if (isHelp(command) || command == QLatin1String("help")) {
        CliOptions help;
        help.command = CliOptions::Command::Help;
        return help;
    }
    if (command == QLatin1String("show"))
        return parseShow(args.mid(1));
    if (command == QLatin1String("set"))
        return parseSet(args.mid(1));
    if (command == QLatin1String("artwork"))
        return parseArtwork(args.mid(1));
    if (command == QLatin1String("clean"))
        return parseClean(args.mid(1));
    if (command == QLatin1String("replace"))
        return parseReplace(args.mid(1));
    return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
}

QString usageText()
{
    QStringList settable;
    for (int i = 0; i < kRecordFieldCount; ++i) {
        const auto field = RecordField(i);
        if (record::isEditable(field))
            settable.append(record::fieldKey(field));
    }
    return QStringLiteral(
               "Usage:\n"
               "  tagmint-cli show [--json] [--audio] PATH...\n"
               "      Print the tags and file facts of each file; with --json one\n"
               "      JSON object per line. Folders are opened with everything in\n"
               "      them; hidden and unsupported files are skipped. --audio adds\n"
               "      sample rate, bit rate, duration, channels, format and codec.\n"
               "  tagmint-cli set KEY=VALUE... [--] PATH...\n"
               "      Write the values into each file and save it. An empty VALUE\n"
               "      clears the field; image=FILE sets the artwork from an image\n"
               "      file, image= removes it; filename=NAME renames the file.\n"
               "      \"--\" is needed only when a path contains \"=\".\n"
               "  tagmint-cli artwork export PATH DIR\n"
               "      Save the file's artwork as a JPEG file in DIR (artwork.jpg,\n"
               "      then \"artwork (copy 2).jpg\", ...) and print its path.\n"
               "%2"
               "  tagmint-cli --help\n"
               "      Print this text.\n"
               "\n"
               "Keys for set: %1\n"
               "\n"
               "Values go to standard output; messages, counts and progress to\n"
               "standard error. See tagmint-cli(1).\n"
               "\n"
               "Exit status: 0 on success, 1 when a file or value failed, 2 on a\n"
               "usage error.\n")
        .arg(settable.join(QStringLiteral(", ")), textCommandsUsage());
}

} // namespace tagmint::cli
