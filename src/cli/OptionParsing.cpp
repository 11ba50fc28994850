#include "cli/OptionParsing.h"

#include <utility>

namespace tagmint::cli {

namespace {

const QString kEndOfOptions = QStringLiteral("--");

} // namespace

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

QString unknownOption(const QString& option)
{
    return QStringLiteral("unknown option \"%1\"").arg(option);
}

OptionArgument::OptionArgument(const QStringList& args, qsizetype& index)
    : m_args(args), m_index(index), m_name(args.at(index))
{
    const qsizetype equals = m_name.indexOf(QLatin1Char('='));
    if (m_name.startsWith(kEndOfOptions) && equals > 2) {
        m_inlineValue = m_name.mid(equals + 1);
        m_name.truncate(equals);
    }
}

std::optional<QString> OptionArgument::takeValue()
{
    if (m_inlineValue)
        return std::exchange(m_inlineValue, std::nullopt);
    if (m_index + 1 >= m_args.size())
        return std::nullopt;
    return m_args.at(++m_index);
}

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
            OptionArgument option(args, i);
            if (const QString problem = handle(option); !problem.isEmpty())
                return problem;
            if (option.hasUnusedValue())
                return QStringLiteral("%1 takes no value").arg(option.name());
        } else {
            options.paths.append(arg);
        }
    }
    return QString();
}

std::optional<QString> requiredValue(OptionArgument& option, QString& problem)
{
    std::optional<QString> value = option.takeValue();
    if (!value)
        problem = QStringLiteral("%1 needs a value").arg(option.name());
    return value;
}

QString parseListOption(OptionArgument& option, const std::function<QString(const QString& name)>& take)
{
    QString problem;
    const std::optional<QString> value = requiredValue(option, problem);
    if (!value)
        return problem;
    const QStringList names = value->split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return QStringLiteral("%1 needs at least one name").arg(option.name());
    for (const QString& name : names) {
        if (const QString refusal = take(name.trimmed()); !refusal.isEmpty())
            return refusal;
    }
    return QString();
}

} // namespace tagmint::cli
