#include "cli/CliOptions.h"

#include "cli/OptionParsing.h"
#include "naming/FileNameComposer.h"
#include "network/LoadTagsFlags.h"
#include "cli/TextCommandOptions.h"
#include "record/RecordField.h"
#include "table/ColumnCatalog.h"

#include <QHash>

namespace tagmint::cli {

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

const QString kEndOfOptions = QStringLiteral("--");

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

CliOptions parseShow(const QStringList& args)
{
    CliOptions options;
    options.command = CliOptions::Command::Show;
    const QString problem = parseOptionsAndPaths(options, args, [&options](OptionArgument& argument) {
        const QString& option = argument.name();
        if (option == QLatin1String("--json"))
            options.json = true;
        else if (option == QLatin1String("--audio"))
            options.audio = true;
        else
            return takeFindOption(argument, options).value_or(unknownOption(option));
        return QString();
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command != CliOptions::Command::Show)
        return options;
    if (const QString findProblem = checkFindArguments(options); !findProblem.isEmpty())
        return usageError(findProblem);
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("show needs at least one file"));
    return options;
}

quint32 composeFlagForName(const QString& name)
{
    static const QHash<QString, quint32> flags = {
        {QStringLiteral("track"), naming::ComposeTrack},
        {QStringLiteral("artist"), naming::ComposeArtist},
        {QStringLiteral("title"), naming::ComposeTitle},
        {QStringLiteral("albumArtist"), naming::ComposeAlbumArtist},
        {QStringLiteral("album"), naming::ComposeAlbum},
        {QStringLiteral("year"), naming::ComposeYear},
    };
    return flags.value(name, 0);
}

CliOptions parseRename(const QStringList& args)
{
    CliOptions options;
    options.command = CliOptions::Command::Rename;
    quint32 tags = 0;
    const QString problem = parseOptionsAndPaths(options, args, [&](OptionArgument& argument) {
        const QString& option = argument.name();
        if (option == QLatin1String("--hyphen")) {
            options.composeFlags |= naming::ComposeUseHyphen;
        } else if (option == QLatin1String("--underscores")) {
            options.composeFlags |= naming::ComposeUseUnderscores;
        } else if (option == QLatin1String("--lowercase")) {
            options.composeFlags |= naming::ComposeUseLowercase;
        } else if (option == QLatin1String("--dry-run")) {
            options.dryRun = true;
        } else if (option == QLatin1String("--compose")) {
            return parseListOption(argument, [&tags](const QString& name) {
                const quint32 flag = composeFlagForName(name);
                tags |= flag;
                return flag ? QString() : QStringLiteral("cannot compose a name from \"%1\"").arg(name);
            });
        } else {
            return unknownOption(option);
        }
        return QString();
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command != CliOptions::Command::Rename)
        return options;
    if (tags == 0)
        return usageError(QStringLiteral("rename needs --compose with at least one tag"));
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("rename needs at least one file"));
    options.composeFlags |= tags;
    return options;
}

CliOptions parseFill(const QStringList& args)
{
    CliOptions options;
    options.command = CliOptions::Command::Fill;
    const QString problem = parseOptionsAndPaths(options, args, [&](OptionArgument& argument) {
        const QString& option = argument.name();
        if (option == QLatin1String("--from-paths")) {
            options.fillSources |= network::FromPaths;
        } else if (option == QLatin1String("--from-network")) {
            options.fillSources |= network::FromNetwork;
        } else if (option == QLatin1String("--use-existing")) {
            options.useExisting = true;
        } else if (option == QLatin1String("--missing-only")) {
            options.missingOnly = true;
        } else if (option == QLatin1String("--fields")) {
            return parseListOption(argument, [&options](const QString& key) {
                if (!network::loadableKeys().contains(key))
                    return QStringLiteral("\"%1\" cannot be filled; fields: %2")
                        .arg(key, network::loadableKeys().join(QLatin1Char(',')));
                options.fillKeys.append(key);
                return QString();
            });
        } else {
            return unknownOption(option);
        }
        return QString();
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command != CliOptions::Command::Fill)
        return options;
    if (!options.fillSources)
        return usageError(QStringLiteral("fill needs --from-paths or --from-network"));
    if (options.useExisting && !(options.fillSources & network::FromNetwork))
        return usageError(QStringLiteral("--use-existing needs --from-network"));
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("fill needs at least one file"));
    return options;
}

// export and import: [--fields KEY,KEY...] [--header] PATH...
CliOptions parseTableCommand(CliOptions::Command command, const QString& name, const QStringList& args)
{
    CliOptions options;
    options.command = command;
    const QString problem = parseOptionsAndPaths(options, args, [&options](OptionArgument& argument) {
        const QString& option = argument.name();
        if (option == QLatin1String("--header")) {
            options.header = true;
        } else if (option == QLatin1String("--fields")) {
            options.fields.clear();
            return parseListOption(argument, [&options](const QString& key) {
                options.fields.append(key);
                return checkTableFields({key});
            });
        } else {
            return unknownOption(option);
        }
        return QString();
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command != command)
        return options;
    if (command == CliOptions::Command::Import && !options.fields.isEmpty() && options.header)
        return usageError(QStringLiteral("import takes its fields from --fields or from --header, "
                                         "not both"));
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("%1 needs at least one file").arg(name));
    return options;
}

// Commands that take paths and no options: parse-path and fingerprint.
CliOptions parsePathsOnly(CliOptions::Command command, const QString& missing, const QStringList& args)
{
    CliOptions options;
    options.command = command;
    const QString problem = parseOptionsAndPaths(options, args, [](OptionArgument& argument) {
        return unknownOption(argument.name());
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command == command && options.paths.isEmpty())
        return usageError(missing);
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
    if (command == QLatin1String("rename"))
        return parseRename(args.mid(1));
    if (command == QLatin1String("fill"))
        return parseFill(args.mid(1));
    if (command == QLatin1String("parse-path"))
        return parsePathsOnly(CliOptions::Command::ParsePath,
                              QStringLiteral("parse-path needs at least one path"), args.mid(1));
    if (command == QLatin1String("fingerprint"))
        return parsePathsOnly(CliOptions::Command::Fingerprint,
                              QStringLiteral("fingerprint needs at least one file"), args.mid(1));
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
               "  tagmint-cli rename --compose TAG[,TAG...] [--hyphen] [--underscores]\n"
               "                     [--lowercase] [--dry-run] PATH...\n"
               "      Name each file after its tags and save (rename) it. TAGs:\n"
               "      track, artist, title, albumArtist, album, year; the name\n"
               "      always follows that order (track, albumArtist, artist,\n"
               "      album, title, year). --dry-run prints \"OLD -> NEW\" per\n"
               "      file and changes nothing.\n"
               "  tagmint-cli fill --from-paths [--missing-only] [--fields KEY,KEY...] PATH...\n"
               "      Fill tags from folder and file names and artwork from the\n"
               "      folder's pictures, then save. KEYs: %2.\n"
               "  tagmint-cli fill --from-network [--from-paths] [--missing-only] [--use-existing]\n"
               "                   [--fields KEY,KEY...] PATH...\n"
               "      Look tags and artwork up on MusicBrainz, AcoustID and the\n"
               "      artwork services (--use-existing: steered by the file's own\n"
               "      artist, album and title), then save.\n"
               "  tagmint-cli fingerprint PATH...\n"
               "      Print the duration and the audio fingerprint of each file\n"
               "      as one JSON object per line.\n"
               "  tagmint-cli parse-path PATH...\n"
               "      Print what the folder and file names of each path give, as\n"
               "      one JSON object per line; the path need not exist.\n"
               "  tagmint-cli export [--fields KEY,KEY...] [--header] PATH...\n"
               "      Print one line per file, the fields separated by TAB (TAB, CR,\n"
               "      LF and NUL taken out of each value), as a spreadsheet pastes\n"
               "      it. Default fields:\n"
               "      %3.\n"
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
               "%4"
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
        .arg(settable.join(QStringLiteral(", ")), network::loadableKeys().join(QStringLiteral(", ")),
             table::defaultVisibleTextColumns().join(QLatin1Char(',')), textCommandsUsage());
}

} // namespace tagmint::cli
