#pragma once
// "show": loads one record per file and prints its fields, as readable
// "key: value" lines or as one compact JSON object per line.

#include "cli/CliOptions.h"

#include <QJsonValue>
#include <QList>

class QTextStream;
class QZTagLibRecord;

namespace tagmint::cli {

struct ShownValue {
    QString key;
    QJsonValue value;
};

// What "show" prints for one record, in output order: the fields, the
// flags, then "image" (null or {"width", "height"}), then the audio facts
// when asked for.
QList<ShownValue> shownValues(QZTagLibRecord& record, bool withAudio);

class ShowCommand {
public:
    ShowCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    void printJson(const QList<ShownValue>& values);
    void printText(const QList<ShownValue>& values);

    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    int m_printed = 0;
};

} // namespace tagmint::cli
