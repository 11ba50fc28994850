#pragma once
// One HTTP request over libcurl, bounded in every direction: connection and
// overall time-outs, a body size limit, a redirect limit (http and https
// only), and cancellation checked while the transfer runs. Every service
// client goes through here (see ServiceCaller for pacing and retries).

#include <QByteArray>
#include <QString>
#include <functional>

namespace tagmint::network {

struct HttpRequest {
    QByteArray url;
    QByteArray userAgent;          // empty: the program's own identification
    bool post = false;
    QByteArray postBody;           // form-encoded, kept across redirects
    int connectTimeoutMs = 15000;
    int timeoutMs = 30000;         // the whole transfer, redirects included
    qint64 maxBodyBytes = 8 * 1024 * 1024;
    int maxRedirects = 5;
};

struct HttpResponse {
    bool transferred = false;   // an answer arrived whole (any status)
    bool cancelled = false;     // the caller's isCancelled ended it
    int status = 0;
    QByteArray contentType;
    QByteArray body;
    int retryAfterSeconds = -1; // from a Retry-After header, -1 when none
    QString error;              // why the transfer failed

    bool succeeded() const { return transferred && status >= 200 && status < 400; }
};

// Performs the request; isCancelled (may be empty) is polled at least once a
// second and ends the transfer when it turns true.
HttpResponse httpRequest(const HttpRequest& request, const std::function<bool()>& isCancelled = {});

// Whether a connection to the URL's host and port opens within timeoutMs
// (name resolution included): the offline check of a load-tags run.
bool isServiceReachable(const QString& baseUrl, int timeoutMs = 3000);

// Seconds asked for by a Retry-After value (delta seconds or an HTTP date,
// measured from nowSecsSinceEpoch); -1 when it names none.
int parseRetryAfter(const QByteArray& value, qint64 nowSecsSinceEpoch);

// Percent-encodes text for a URL's path segment or query value.
QByteArray urlEncode(const QString& text);

} // namespace tagmint::network
