#include "cli/TextCommandOptions.h"

#include "record/RecordField.h"
#include "table/ColumnCatalog.h"
#include "table/TextTransformations.h"

#include <optional>

namespace tagmint::cli {

namespace {

using table::SearchType;

CliOptions usageError(const QString& message)
{
    CliOptions options;
    options.command = CliOptions::Command::UsageError;
    options.error = message;
    return options;
}

// "--name VALUE" or "--name=VALUE" at args[index]: the value, with index
// on the value's argument. Nothing when args[index] is another option;
// error is set when the value is missing.
std::optional<QString> optionValue(const QStringList& args, qsizetype& index, const QString& name,
                                   QString& error)
{
    const QString& arg = args.at(index);
    if (arg.startsWith(name + QLatin1Char('=')))
        return arg.mid(name.size() + 1);
    if (arg != name)
        return std::nullopt;
    if (index + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a value").arg(name);
        return QString();
    }
    return args.at(++index);
}

// KEY,KEY,...: fields the text commands may change.
QString parseFields(const QString& list, QStringList& fields)
{
    for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = part.trimmed();
        const std::optional<RecordField> field = record::fieldForKey(key);
        if (!field)
            return QStringLiteral("unknown key \"%1\"").arg(key);
        if (!record::isEditable(*field))
            return QStringLiteral("\"%1\" is read-only").arg(key);
        if (!record::isText(*field))
            return QStringLiteral("\"%1\" is not a text field").arg(key);
        if (!fields.contains(key))
            fields.append(key);
    }
    return fields.isEmpty() ? QStringLiteral("--fields needs at least one key") : QString();
}

std::optional<SearchType> searchTypeNamed(const QString& name)
{
    if (name == QLatin1String("contains"))
        return SearchType::Contains;
    if (name == QLatin1String("starts"))
        return SearchType::StartsWith;
    if (name == QLatin1String("ends"))
        return SearchType::EndsWith;
    if (name == QLatin1String("matches"))
        return SearchType::Matches;
    return std::nullopt;
}

std::optional<int> caseModeNamed(const QString& name)
{
    if (name == QLatin1String("sentence"))
        return table::SentenceCase;
    if (name == QLatin1String("capitalize"))
        return table::CapitalizedCase;
    if (name == QLatin1String("lower"))
        return table::LowerCase;
    if (name == QLatin1String("upper"))
        return table::UpperCase;
    return std::nullopt;
}

bool isHelp(const QString& arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

// Reads the arguments of clean or replace: options through takeOption,
// everything else (and all after "--") as paths.
CliOptions parseWithPaths(const QStringList& args, CliOptions::Command command,
                          const std::function<bool(qsizetype& index, CliOptions&, QString&)>& takeOption)
{
    CliOptions options;
    options.command = command;
    bool optionsEnded = false;
    for (qsizetype index = 0; index < args.size(); ++index) {
        const QString& arg = args.at(index);
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg.size() == 1) {
            options.paths.append(arg);
            continue;
        }
        if (isHelp(arg)) {
            CliOptions help;
            help.command = CliOptions::Command::Help;
            return help;
        }
        QString error;
        if (!takeOption(index, options, error))
            return usageError(QStringLiteral("unknown option \"%1\"").arg(arg));
        if (!error.isEmpty())
            return usageError(error);
    }
    return options;
}

} // namespace

QStringList defaultCleanFields()
{
    QStringList fields;
    for (const ColumnDescription& column : table::columnCatalog()) {
        if (column.visibleByDefault && !column.isReadOnly && column.field && record::isText(*column.field))
            fields.append(column.identifier);
    }
    return fields;
}

QStringList defaultFindFields()
{
    QStringList fields;
    for (const ColumnDescription& column : table::columnCatalog()) {
        if (column.searchable && !column.isReadOnly)
            fields.append(column.identifier);
    }
    return fields;
}

bool takeFindOption(const QStringList& args, qsizetype& index, CliOptions& options, QString& error)
{
    FindArguments& find = options.find;
    if (args.at(index) == QLatin1String("--case-sensitive")) {
        find.options.caseSensitive = true;
        return true;
    }
    if (const auto text = optionValue(args, index, QStringLiteral("--find"), error)) {
        find.text = *text;
        find.given = true;
        return true;
    }
    if (const auto mode = optionValue(args, index, QStringLiteral("--mode"), error)) {
        const std::optional<SearchType> type = searchTypeNamed(*mode);
        if (type)
            find.options.searchType = *type;
        else if (error.isEmpty())
            error = QStringLiteral("unknown mode \"%1\"; use contains, starts, ends or matches").arg(*mode);
        return true;
    }
    if (const auto fields = optionValue(args, index, QStringLiteral("--fields"), error)) {
        if (error.isEmpty())
            error = parseFields(*fields, options.fields);
        return true;
    }
    return false;
}

QString checkFindArguments(const CliOptions& options)
{
    if (!options.find.given
        && (options.find.options != FindArguments().options || !options.fields.isEmpty()))
        return QStringLiteral("--mode, --case-sensitive and --fields need --find");
    if (options.find.given && options.find.text.isEmpty())
        return QStringLiteral("--find needs a text");
    return QString();
}

CliOptions parseClean(const QStringList& args)
{
    int tools = 0;
    CliOptions options = parseWithPaths(args, CliOptions::Command::Clean,
                                        [&](qsizetype& index, CliOptions& parsed, QString& error) {
        using Kind = table::TextTool::Kind;
        table::TextTool& tool = parsed.clean;
        const QString& arg = args.at(index);
        if (arg == QLatin1String("--extra-spaces") || arg == QLatin1String("--extra-characters")) {
            tool.kind = arg == QLatin1String("--extra-spaces") ? Kind::RemoveExtraSpaces
                                                               : Kind::RemoveExtraCharacters;
            ++tools;
            return true;
        }
        if (const auto mode = optionValue(args, index, QStringLiteral("--case"), error)) {
            tool.kind = Kind::ChangeCase;
            tool.caseMode = caseModeNamed(*mode).value_or(0);
            if (tool.caseMode == 0 && error.isEmpty())
                error = QStringLiteral("unknown case \"%1\"; use sentence, capitalize, lower or upper").arg(*mode);
            ++tools;
            return true;
        }
        if (const auto name = optionValue(args, index, QStringLiteral("--fix-encoding"), error)) {
            tool.kind = Kind::FixEncoding;
            if (const text::LegacyEncodingInfo* info = text::legacyEncodingNamed(*name))
                tool.encoding = info->id;
            else if (error.isEmpty())
                error = QStringLiteral("unknown encoding \"%1\"; known: %2")
                            .arg(*name, text::legacyEncodingNames().join(QStringLiteral(", ")));
            ++tools;
            return true;
        }
        if (const auto fields = optionValue(args, index, QStringLiteral("--fields"), error)) {
            if (error.isEmpty())
                error = parseFields(*fields, parsed.fields);
            return true;
        }
        return false;
    });
    if (options.command != CliOptions::Command::Clean)
        return options;
    if (tools != 1)
        return usageError(QStringLiteral("clean needs exactly one of --case, --fix-encoding, "
                                         "--extra-spaces and --extra-characters"));
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("clean needs at least one file"));
    return options;
}

CliOptions parseReplace(const QStringList& args)
{
    CliOptions options = parseWithPaths(args, CliOptions::Command::Replace,
                                        [&](qsizetype& index, CliOptions& parsed, QString& error) {
        if (const auto with = optionValue(args, index, QStringLiteral("--with"), error)) {
            parsed.find.replacement = *with;
            return true;
        }
        return takeFindOption(args, index, parsed, error);
    });
    if (options.command != CliOptions::Command::Replace)
        return options;
    if (!options.find.given)
        return usageError(QStringLiteral("replace needs --find TEXT"));
    if (const QString problem = checkFindArguments(options); !problem.isEmpty())
        return usageError(problem);
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("replace needs at least one file"));
    return options;
}

QString textCommandsUsage()
{
    return QStringLiteral(
        "  tagmint-cli clean (--case sentence|capitalize|lower|upper |\n"
        "                     --fix-encoding NAME | --extra-spaces |\n"
        "                     --extra-characters) [--fields KEY,KEY...] PATH...\n"
        "      Apply one text tool to the fields (by default the text fields\n"
        "      a new window shows: %2),\n"
        "      print how many tags changed and save the files that changed.\n"
        "      --fix-encoding reads text shown as Latin-1 again in the code\n"
        "      page NAME: %1.\n"
        "  tagmint-cli replace --find TEXT [--with TEXT] [--mode MODE]\n"
        "                      [--case-sensitive] [--fields KEY,KEY...] PATH...\n"
        "      Replace every occurrence of TEXT (by nothing without --with),\n"
        "      print how many were replaced and save the files that changed.\n"
        "      MODE: contains (default), starts, ends or matches; case is\n"
        "      ignored unless --case-sensitive. --fields defaults to every\n"
        "      text field that can be searched and written:\n"
        "      %3.\n"
        "  tagmint-cli show --find TEXT [--mode MODE] [--case-sensitive]\n"
        "                   [--fields KEY,KEY...] [--json] [--audio] PATH...\n"
        "      Show only the files that hold TEXT in one of the fields.\n")
        .arg(text::legacyEncodingNames().join(QStringLiteral(", ")),
             defaultCleanFields().join(QStringLiteral(", ")), defaultFindFields().join(QStringLiteral(", ")));
}

} // namespace tagmint::cli
