#include "cli/CliOptions.h"

#include "record/RecordField.h"
#include "table/ColumnCatalog.h"

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
    for (const QString& arg : args) {
        if (!optionsEnded && arg == kEndOfOptions) {
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
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("show needs at least one file"));
    return options;
}

} // namespace

QString checkTableFields(const QStringList& fields)
{
    if (fields.isEmpty())
        return QStringLiteral("no fields given");
    for (const QString& key : fields) {
        const ColumnDescription* column = table::columnDescription(key);
        if (!column || column->isRowNumber())
            return QStringLiteral("unknown field \"%1\"").arg(key);
    }
    return QString();
}

namespace {

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

// export and import: [--fields KEY,KEY...] [--header] PATH...
CliOptions parseTableCommand(CliOptions::Command command, const QString& name, const QStringList& args)
{
    CliOptions options;
    options.command = command;
    bool optionsEnded = false;
    bool fieldsGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (optionsEnded) {
            options.paths.append(arg);
        } else if (arg == kEndOfOptions) {
            optionsEnded = true;
        } else if (isHelp(arg)) {
            options.command = CliOptions::Command::Help;
            return options;
        } else if (arg == QLatin1String("--header")) {
            options.header = true;
        } else if (arg == QLatin1String("--fields") || arg.startsWith(QLatin1String("--fields="))) {
            QString list = arg.mid(QStringLiteral("--fields=").size());
            if (arg == QLatin1String("--fields")) {
                if (++i >= args.size())
                    return usageError(QStringLiteral("--fields needs KEY,KEY..."));
                list = args.at(i);
            }
            fieldsGiven = true;
            options.fields = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
            if (const QString problem = checkTableFields(options.fields); !problem.isEmpty())
                return usageError(problem);
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return usageError(QStringLiteral("unknown option \"%1\"").arg(arg));
        } else {
            options.paths.append(arg);
        }
    }
    if (command == CliOptions::Command::Import && fieldsGiven && options.header)
        return usageError(QStringLiteral("import takes its fields from --fields or from --header, "
                                         "not both"));
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("%1 needs at least one file").arg(name));
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
    if (command == QLatin1String("export"))
        return parseTableCommand(CliOptions::Command::Export, command, args.mid(1));
    if (command == QLatin1String("import"))
        return parseTableCommand(CliOptions::Command::Import, command, args.mid(1));
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
               "  tagmint-cli export [--fields KEY,KEY...] [--header] PATH...\n"
               "      Print one line per file, the fields separated by TAB (TAB, CR,\n"
               "      LF and NUL taken out of each value), as a spreadsheet pastes\n"
               "      it. Default fields:\n"
               "      %2.\n"
               "      --header first prints a line of the field keys. Artwork is\n"
               "      printed as empty.\n"
               "  tagmint-cli import [--fields KEY,KEY...] [--header] PATH...\n"
               "      Read such lines from standard input and write them into the\n"
               "      files in the order export prints them, like a paste into the\n"
               "      table: lines are used again from the first when the files\n"
               "      outnumber them, fewer cells leave the other fields as they are,\n"
               "      values that do not validate are reported and skipped, and\n"
               "      read-only files and fields are skipped. --header takes the\n"
               "      fields from the first line (image cannot be imported: use set\n"
               "      image=FILE). Then saves like set.\n"
               "  tagmint-cli --help\n"
               "      Print this text.\n"
               "\n"
               "Keys for set: %1\n"
               "\n"
               "Values go to standard output; messages, counts and progress to\n"
               "standard error. See tagmint-cli(1).\n"
               "\n"
               "Exit status: 0 on success, 1 when a file or value failed (or was\n"
               "skipped by import), 2 on a usage error.\n")
        .arg(settable.join(QStringLiteral(", ")), table::defaultVisibleTextColumns().join(QLatin1Char(',')));
}

} // namespace tagmint::cli
