#pragma once
// "set": writes values into each file's record through the record's own
// validation, then saves (and renames) the files that changed.

#include "cli/CliOptions.h"
#include "tags/ImageCodec.h"

#include <QList>
#include <QVariant>

class QTextStream;
class QZTagLibRecord;

namespace tagmint::cli {

class SetCommand {
public:
    SetCommand(const CliOptions& options, QTextStream& out, QTextStream& err);
    int run();

private:
    // An assignment turned into the value written into each record; the
    // artwork file is decoded once for all files.
    struct PreparedValue {
        QString key;
        QVariant value;
        QString error;   // the value cannot be used at all
        tags::TagPicture picture;   // an image with the bytes of its file
    };

    void prepareValues();
    // False when a value was refused (and reported).
    bool applyValues(QZTagLibRecord& record, const QString& shownPath);

    const CliOptions& m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    QList<PreparedValue> m_values;
};

} // namespace tagmint::cli
