#include "cli/FingerprintCommand.h"

#include "cli/CliOptions.h"
#include "network/Fingerprint.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tagmint::cli {

int runFingerprint(const QStringList& paths, QTextStream& out, QTextStream& err)
{
    int status = kExitOk;
    for (const QString& path : paths) {
        QString error;
        const std::optional<network::AudioFingerprint> fingerprint = network::computeFingerprint(path, 0, &error);
        if (!fingerprint) {
            err << "tagmint-cli: " << path << ": " << error << "\n";
            status = kExitFailure;
            continue;
        }
        const QJsonObject line{{QStringLiteral("path"), path},
                               {QStringLiteral("duration"), fingerprint->durationSeconds},
                               {QStringLiteral("fingerprint"), QString::fromLatin1(fingerprint->fingerprint)}};
        out << QJsonDocument(line).toJson(QJsonDocument::Compact) << "\n";
        out.flush();
    }
    return status;
}

} // namespace tagmint::cli
