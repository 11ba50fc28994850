#include "network/HttpTransfer.h"

#include "collection/ApplicationIdentity.h"
#include "util/RuntimeLibrary.h"

#include <QDateTime>
#include <QUrl>
#include <curl/curl.h>
#include <mutex>

namespace tagmint::network {

namespace {

struct TransferState {
    HttpResponse* response;
    qint64 maxBodyBytes;
    bool tooLarge = false;
    const std::function<bool()>* isCancelled;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    if (state->response->body.size() + qint64(bytes) > state->maxBodyBytes) {
        state->tooLarge = true;
        return 0; // ends the transfer with a write error
    }
    state->response->body.append(data, qsizetype(bytes));
    return bytes;
}

size_t receiveHeader(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<TransferState*>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    // Each redirect starts a new header block; keep only the last answer's.
    if (line.startsWith("HTTP/"))
        state->response->retryAfterSeconds = -1;
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && line.left(colon).trimmed().compare("retry-after", Qt::CaseInsensitive) == 0)
        state->response->retryAfterSeconds =
            parseRetryAfter(line.mid(colon + 1).trimmed(), QDateTime::currentSecsSinceEpoch());
    return size * count;
}

int transferProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* state = static_cast<TransferState*>(user);
    if (*state->isCancelled && (*state->isCancelled)()) {
        state->response->cancelled = true;
        return 1;
    }
    return 0;
}

// libcurl and the libraries behind it (OpenSSL, LDAP, SASL, SSH...) are
// loaded with the first request: most runs never make one.
struct Curl {
    decltype(&::curl_easy_init) init = nullptr;
    decltype(&::curl_easy_setopt) setopt = nullptr;
    decltype(&::curl_easy_perform) perform = nullptr;
    decltype(&::curl_easy_getinfo) getinfo = nullptr;
    decltype(&::curl_easy_cleanup) cleanup = nullptr;
    decltype(&::curl_easy_strerror) strerror = nullptr;
};

// Loaded and initialised once per process; nullptr when libcurl is missing.
const Curl* libcurl()
{
    static Curl functions;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        // libcurl.so.4 has been libcurl's binary interface for all of 7.x and 8.x.
        void* library = runtime::openLibrary("curl", 4);
        decltype(&::curl_global_init) globalInit = nullptr;
        Curl& f = functions;
        using runtime::bindFunction;
        loaded = library && bindFunction(library, globalInit, "curl_global_init")
            && bindFunction(library, f.init, "curl_easy_init") && bindFunction(library, f.setopt, "curl_easy_setopt")
            && bindFunction(library, f.perform, "curl_easy_perform")
            && bindFunction(library, f.getinfo, "curl_easy_getinfo")
            && bindFunction(library, f.cleanup, "curl_easy_cleanup")
            && bindFunction(library, f.strerror, "curl_easy_strerror") && globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    });
    return loaded ? &functions : nullptr;
}

} // namespace

HttpResponse httpRequest(const HttpRequest& request, const std::function<bool()>& isCancelled)
{
    HttpResponse response;
    if (isCancelled && isCancelled()) {
        response.cancelled = true;
        response.error = QStringLiteral("Cancelled");
        return response;
    }
    const Curl* api = libcurl();
    CURL* curl = api ? api->init() : nullptr;
    if (!curl) {
        response.error = api ? QStringLiteral("Could not start a transfer")
                             : QStringLiteral("libcurl could not be loaded");
        return response;
    }
    TransferState state{&response, request.maxBodyBytes, false, &isCancelled};
    const QByteArray userAgent =
        request.userAgent.isEmpty() ? collection::clientIdentification().toUtf8() : request.userAgent;
    char errorText[CURL_ERROR_SIZE] = {};

    api->setopt(curl, CURLOPT_URL, request.url.constData());
    api->setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api->setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    api->setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    api->setopt(curl, CURLOPT_MAXREDIRS, long(request.maxRedirects));
    api->setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(request.connectTimeoutMs));
    api->setopt(curl, CURLOPT_TIMEOUT_MS, long(request.timeoutMs));
    api->setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api->setopt(curl, CURLOPT_USERAGENT, userAgent.constData());
    api->setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // what libcurl can decode
    api->setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.maxBodyBytes));
    api->setopt(curl, CURLOPT_WRITEFUNCTION, receiveBody);
    api->setopt(curl, CURLOPT_WRITEDATA, &state);
    api->setopt(curl, CURLOPT_HEADERFUNCTION, receiveHeader);
    api->setopt(curl, CURLOPT_HEADERDATA, &state);
    api->setopt(curl, CURLOPT_NOPROGRESS, 0L);
    api->setopt(curl, CURLOPT_XFERINFOFUNCTION, transferProgress);
    api->setopt(curl, CURLOPT_XFERINFODATA, &state);
    api->setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    if (request.post) {
        api->setopt(curl, CURLOPT_POST, 1L);
        api->setopt(curl, CURLOPT_POSTFIELDS, request.postBody.constData());
        api->setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.postBody.size()));
        api->setopt(curl, CURLOPT_POSTREDIR, long(CURL_REDIR_POST_ALL));
    }

    const CURLcode code = api->perform(curl);
    long status = 0;
    api->getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = int(status);
    char* contentType = nullptr;
    if (api->getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        response.contentType = contentType;
    api->cleanup(curl);

    if (code == CURLE_OK) {
        response.transferred = true;
    } else {
        response.body.clear();
        if (response.cancelled)
            response.error = QStringLiteral("Cancelled");
        else if (state.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
            response.error = QStringLiteral("The answer is larger than %1 bytes").arg(request.maxBodyBytes);
        else
            response.error = QString::fromUtf8(errorText[0] ? errorText : api->strerror(code));
    }
    return response;
}

bool isServiceReachable(const QString& baseUrl, int timeoutMs)
{
    const Curl* api = libcurl();
    CURL* curl = api ? api->init() : nullptr;
    if (!curl)
        return false;
    const QByteArray url = baseUrl.toUtf8();
    api->setopt(curl, CURLOPT_URL, url.constData());
    api->setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api->setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
    api->setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(timeoutMs));
    api->setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const bool reachable = api->perform(curl) == CURLE_OK;
    api->cleanup(curl);
    return reachable;
}

int parseRetryAfter(const QByteArray& value, qint64 nowSecsSinceEpoch)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return -1;
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    if (isNumber)
        return seconds < 0 ? -1 : int(qMin<qint64>(seconds, 24 * 3600));
    // HTTP dates end in "GMT", which Qt's RFC 2822 reader wants as an offset.
    QString date = QString::fromLatin1(text);
    if (date.endsWith(QLatin1String(" GMT")))
        date = date.chopped(3) + QLatin1String("+0000");
    const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
    if (!when.isValid())
        return -1;
    const qint64 delta = when.toSecsSinceEpoch() - nowSecsSinceEpoch;
    return int(qBound<qint64>(0, delta, qint64(24 * 3600)));
}

QByteArray urlEncode(const QString& text)
{
    return QUrl::toPercentEncoding(text);
}

} // namespace tagmint::network
