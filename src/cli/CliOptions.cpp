#include "cli/CliOptions.h"

#include "naming/FileNameComposer.h"
#include "network/LoadTagsFlags.h"
#include "record/RecordField.h"

#include <QHash>
#include <functional>

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

// Options first, then paths; "--" ends the options. handle takes an option
// with the value after it (when it needs one) and answers an error or "".
using OptionHandler = std::function<QString(const QString& option, const QStringList& args, qsizetype& index)>;

// Returns the usage problem, or "" (with Help as the command for --help).
QString parseOptionsAndPaths(CliOptions& options, const QStringList& args, const OptionHandler& handle)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnded && arg == kEndOfOptions) {
            optionsEnded = true;
        } else if (!optionsEnded && isHelp(arg)) {
            options.command = CliOptions::Command::Help;
            return QString();
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            if (const QString problem = handle(arg, args, i); !problem.isEmpty())
                return problem;
        } else {
            options.paths.append(arg);
        }
    }
    return QString();
}

// The comma-separated names of an option's value, each handed to take,
// which answers an error or "". No value or no name is an error too.
QString parseListOption(const QString& option, const QStringList& args, qsizetype& index,
                        const std::function<QString(const QString& name)>& take)
{
    if (index + 1 >= args.size())
        return QStringLiteral("%1 needs a value").arg(option);
    const QStringList names = args.at(++index).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return QStringLiteral("%1 needs at least one name").arg(option);
    for (const QString& name : names) {
        if (const QString problem = take(name.trimmed()); !problem.isEmpty())
            return problem;
    }
    return QString();
}

QString unknownOption(const QString& option)
{
    return QStringLiteral("unknown option \"%1\"").arg(option);
}

CliOptions parseShow(const QStringList& args)
{
    CliOptions options;
    options.command = CliOptions::Command::Show;
    const QString problem = parseOptionsAndPaths(options, args, [&options](const QString& option, const QStringList&, qsizetype&) {
        if (option == QLatin1String("--json"))
            options.json = true;
        else if (option == QLatin1String("--audio"))
            options.audio = true;
        else
            return unknownOption(option);
        return QString();
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command == CliOptions::Command::Show && options.paths.isEmpty())
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
    const QString problem = parseOptionsAndPaths(options, args, [&](const QString& option, const QStringList& all, qsizetype& i) {
        if (option == QLatin1String("--hyphen")) {
            options.composeFlags |= naming::ComposeUseHyphen;
        } else if (option == QLatin1String("--underscores")) {
            options.composeFlags |= naming::ComposeUseUnderscores;
        } else if (option == QLatin1String("--lowercase")) {
            options.composeFlags |= naming::ComposeUseLowercase;
        } else if (option == QLatin1String("--dry-run")) {
            options.dryRun = true;
        } else if (option == QLatin1String("--compose")) {
            return parseListOption(option, all, i, [&tags](const QString& name) {
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
    const QString problem = parseOptionsAndPaths(options, args, [&](const QString& option, const QStringList& all, qsizetype& i) {
        if (option == QLatin1String("--from-paths")) {
            options.fillSources |= network::FromPaths;
        } else if (option == QLatin1String("--from-network")) {
            options.fillSources |= network::FromNetwork;
        } else if (option == QLatin1String("--use-existing")) {
            options.useExisting = true;
        } else if (option == QLatin1String("--missing-only")) {
            options.missingOnly = true;
        } else if (option == QLatin1String("--fields")) {
            return parseListOption(option, all, i, [&options](const QString& key) {
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

CliOptions parseParsePath(const QStringList& args)
{
    CliOptions options;
    options.command = CliOptions::Command::ParsePath;
    const QString problem = parseOptionsAndPaths(options, args, [](const QString& option, const QStringList&, qsizetype&) {
        return unknownOption(option);
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command == CliOptions::Command::ParsePath && options.paths.isEmpty())
        return usageError(QStringLiteral("parse-path needs at least one path"));
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
    if (command == QLatin1String("rename"))
        return parseRename(args.mid(1));
    if (command == QLatin1String("fill"))
        return parseFill(args.mid(1));
    if (command == QLatin1String("parse-path"))
        return parseParsePath(args.mid(1));
    if (command == QLatin1String("fingerprint")) {
        CliOptions options;
        options.command = CliOptions::Command::Fingerprint;
        options.paths = args.mid(1);
        if (options.paths.isEmpty())
            return usageError(QStringLiteral("fingerprint needs at least one file"));
        return options;
    }
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
        .arg(settable.join(QStringLiteral(", ")), network::loadableKeys().join(QStringLiteral(", ")));
}

} // namespace tagmint::cli
