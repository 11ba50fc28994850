#include "cli/TextCommandOptions.h"

#include "cli/OptionParsing.h"
#include "record/RecordField.h"
#include "table/ColumnCatalog.h"
#include "table/TextTransformations.h"

namespace tagmint::cli {

namespace {

using table::SearchType;

// One key of --fields: a text field the text commands may change.
QString takeTextField(const QString& key, QStringList& fields)
{
    const std::optional<RecordField> field = record::fieldForKey(key);
    if (!field)
        return QStringLiteral("unknown key \"%1\"").arg(key);
    if (!record::isEditable(*field))
        return QStringLiteral("\"%1\" is read-only").arg(key);
    if (!record::isText(*field))
        return QStringLiteral("\"%1\" is not a text field").arg(key);
    if (!fields.contains(key))
        fields.append(key);
    return QString();
}

QString parseFields(OptionArgument& option, QStringList& fields)
{
    fields.clear();
    return parseListOption(option, [&fields](const QString& key) { return takeTextField(key, fields); });
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

// --case, --fix-encoding, --extra-spaces or --extra-characters into tool.
std::optional<QString> takeTool(OptionArgument& argument, table::TextTool& tool)
{
    using Kind = table::TextTool::Kind;
    const QString& option = argument.name();
    if (option == QLatin1String("--extra-spaces")) {
        tool.kind = Kind::RemoveExtraSpaces;
        return QString();
    }
    if (option == QLatin1String("--extra-characters")) {
        tool.kind = Kind::RemoveExtraCharacters;
        return QString();
    }
    QString problem;
    if (option == QLatin1String("--case")) {
        const std::optional<QString> name = requiredValue(argument, problem);
        if (!name)
            return problem;
        tool.kind = Kind::ChangeCase;
        tool.caseMode = caseModeNamed(*name).value_or(0);
        if (tool.caseMode == 0)
            return QStringLiteral("unknown case \"%1\"; use sentence, capitalize, lower or upper").arg(*name);
        return QString();
    }
    if (option == QLatin1String("--fix-encoding")) {
        const std::optional<QString> name = requiredValue(argument, problem);
        if (!name)
            return problem;
        tool.kind = Kind::FixEncoding;
        const text::LegacyEncodingInfo* info = text::legacyEncodingNamed(*name);
        if (!info)
            return QStringLiteral("unknown encoding \"%1\"; known: %2")
                .arg(*name, text::legacyEncodingNames().join(QStringLiteral(", ")));
        tool.encoding = info->id;
        return QString();
    }
    return std::nullopt;
}

} // namespace

QStringList defaultFindFields()
{
    QStringList fields;
    for (const ColumnDescription& column : table::columnCatalog()) {
        if (column.searchable && !column.isReadOnly)
            fields.append(column.identifier);
    }
    return fields;
}

std::optional<QString> takeFindOption(OptionArgument& argument, CliOptions& options)
{
    FindArguments& find = options.find;
    const QString& option = argument.name();
    QString problem;
    if (option == QLatin1String("--case-sensitive")) {
        find.options.caseSensitive = true;
        return QString();
    }
    if (option == QLatin1String("--find")) {
        const std::optional<QString> text = requiredValue(argument, problem);
        find.text = text.value_or(QString());
        find.given = true;
        return problem;
    }
    if (option == QLatin1String("--mode")) {
        const std::optional<QString> mode = requiredValue(argument, problem);
        if (!mode)
            return problem;
        const std::optional<SearchType> type = searchTypeNamed(*mode);
        if (!type)
            return QStringLiteral("unknown mode \"%1\"; use contains, starts, ends or matches").arg(*mode);
        find.options.searchType = *type;
        return QString();
    }
    if (option == QLatin1String("--fields"))
        return parseFields(argument, options.fields);
    return std::nullopt;
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
    CliOptions options;
    options.command = CliOptions::Command::Clean;
    int tools = 0;
    const QString problem = parseOptionsAndPaths(options, args, [&](OptionArgument& argument) {
        if (argument.name() == QLatin1String("--fields"))
            return parseFields(argument, options.fields);
        const std::optional<QString> toolProblem = takeTool(argument, options.clean);
        if (!toolProblem)
            return unknownOption(argument.name());
        ++tools;
        return *toolProblem;
    });
    if (!problem.isEmpty())
        return usageError(problem);
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
    CliOptions options;
    options.command = CliOptions::Command::Replace;
    const QString problem = parseOptionsAndPaths(options, args, [&options](OptionArgument& argument) {
        if (argument.name() != QLatin1String("--with"))
            return takeFindOption(argument, options).value_or(unknownOption(argument.name()));
        QString missing;
        options.find.replacement = requiredValue(argument, missing).value_or(QString());
        return missing;
    });
    if (!problem.isEmpty())
        return usageError(problem);
    if (options.command != CliOptions::Command::Replace)
        return options;
    if (!options.find.given)
        return usageError(QStringLiteral("replace needs --find TEXT"));
    if (const QString findProblem = checkFindArguments(options); !findProblem.isEmpty())
        return usageError(findProblem);
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
             table::defaultVisibleTextColumns().join(QStringLiteral(", ")),
             defaultFindFields().join(QStringLiteral(", ")));
}

} // namespace tagmint::cli
