#pragma once
// The command line of tagmint-cli, parsed into what one command needs.

#include "table/FindOptions.h"
#include "table/TextCommands.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tagmint::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct Assignment {
    QString key;
    QString value;
};

// replace and show --find.
struct FindArguments {
    QString text;
    bool given = false;
    QString replacement;
    table::FindOptions options{false, false, table::SearchType::Contains};
};

struct CliOptions {
    enum class Command {
        Help, Show, Set, ArtworkExport, Rename, Fill, ParsePath, Fingerprint, Export, Import, Clean, Replace,
        UsageError
    };

    Command command = Command::UsageError;
    bool json = false;               // show
    bool audio = false;              // show: probe and print the audio facts
    QList<Assignment> assignments;   // set, in command-line order
    quint32 composeFlags = 0;        // rename: naming::ComposeFlag bits
    bool dryRun = false;             // rename: print the new names only
    bool missingOnly = false;        // fill
    quint32 fillSources = 0;         // fill: network::FromPaths and FromNetwork
    bool useExisting = false;        // fill --from-network: the record's own tags steer the search
    QStringList fillKeys;            // fill: empty for every loadable key
    QStringList paths;               // artwork export: the file, then the folder
    table::TextTool clean;           // clean: the one tool to apply
    FindArguments find;              // replace, show
    QStringList fields;              // export, import, clean, replace, show --find: the
                                     // columns in order; empty for the command's default
    bool header = false;             // export, import: a first line of field keys
    QString error;                   // UsageError: what was wrong
};

// Empty when every key names a table column, else what is wrong.
QString checkTableFields(const QStringList& fields);

// args: the arguments after the program name.
CliOptions parseArguments(const QStringList& args);

QString usageText();

} // namespace tagmint::cli
