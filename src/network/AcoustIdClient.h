#pragma once
// The AcoustID lookup service: a fingerprint and duration sent as a form
// POST to /v2/lookup, the JSON answer turned into artists, albums (release
// groups) and recordings. Answers are hostile input: anything unexpected
// yields nothing.

#include "network/AlbumTypes.h"
#include "network/LookupContext.h"
#include "network/NetworkConfig.h"
#include "network/ServiceCaller.h"

#include <optional>

namespace tagmint::network {

class AcoustIdClient {
public:
    AcoustIdClient(const NetworkConfig& config, QString clientKey, QString userAgent);

    // The answer's body, accepted by its size and content; nullopt when
    // three attempts failed or the run stopped.
    std::optional<QByteArray> lookup(const LookupContext& context, const QByteArray& fingerprint,
                                     int durationSeconds);

    // The form the request posts.
    static QByteArray requestBody(const QString& clientKey, const QByteArray& fingerprint, int durationSeconds);

    static ServiceGate& gate();

private:
    QString m_url;
    QString m_clientKey;
    QByteArray m_userAgent;
    int m_timeoutMs;
};

// Reads a lookup answer ({"status": "ok", "results": [...]}); nullopt for
// anything else. fileDuration in seconds sets each recording's mismatch.
std::optional<FingerprintResult> parseAcoustidResponse(const QByteArray& body, int fileDuration);

} // namespace tagmint::network
