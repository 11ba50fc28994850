#pragma once
// The pieces every command's parser is made of: options first, then paths,
// "--" ending the options; an option's value after it or after "=".

#include "cli/CliOptions.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tagmint::cli {

bool isHelp(const QString& arg);
CliOptions usageError(const QString& message);
QString unknownOption(const QString& option);

// One option as its handler sees it: "--name", "--name VALUE" or
// "--name=VALUE".
class OptionArgument {
public:
    OptionArgument(const QStringList& args, qsizetype& index);

    const QString& name() const { return m_name; }
    // The value: the text after "=", else the next argument. Nothing when
    // there is none.
    std::optional<QString> takeValue();
    // A value after "=" that no handler took: the option takes none.
    bool hasUnusedValue() const { return m_inlineValue.has_value(); }

private:
    const QStringList& m_args;
    qsizetype& m_index;
    QString m_name;
    std::optional<QString> m_inlineValue;
};

// Answers the usage problem of one option, or "".
using OptionHandler = std::function<QString(OptionArgument& option)>;

// Hands every option to handle and collects the paths. Returns the usage
// problem, or "" (with Help as the command for --help).
QString parseOptionsAndPaths(CliOptions& options, const QStringList& args, const OptionHandler& handle);

// The option's value, also needed.
std::optional<QString> requiredValue(OptionArgument& option, QString& problem);

// The comma-separated names of the option's value, each handed to take,
// which answers an error or "". No value or no name is an error too.
QString parseListOption(OptionArgument& option, const std::function<QString(const QString& name)>& take);

} // namespace tagmint::cli
