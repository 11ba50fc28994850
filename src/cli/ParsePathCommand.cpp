#include "cli/ParsePathCommand.h"

#include "naming/PathTags.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace tagmint::cli {

int runParsePath(const CliOptions& options, QTextStream& out)
{
    for (const QString& path : options.paths) {
        const naming::TagValues values = naming::parseTagsFromPath(path);
        QJsonObject object;
        for (const QString& key : naming::pathTagKeys())
            object.insert(key, values.value(key));
        out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
    }
    return kExitOk;
}

} // namespace tagmint::cli
