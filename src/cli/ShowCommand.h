#pragma once
// "show": loads one record per file and prints its fields, as readable
// "key: value" lines or as one compact JSON object per line.

#include "cli/CliOptions.h"

class QTextStream;
class QZTagLibRecord;

namespace tagmint::cli {

class ShowCommand {
public:
    ShowCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    void printJson(const QZTagLibRecord& record);
    void printText(const QZTagLibRecord& record);

    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    QString m_text;   // one record's lines, reused
    int m_printed = 0;
};

} // namespace tagmint::cli
