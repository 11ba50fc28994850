#include "network/HttpTransfer.h"

#include "collection/ApplicationIdentity.h"

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

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

HttpResponse httpRequest(const HttpRequest& request, const std::function<bool()>& isCancelled)
{
    initialiseCurlOnce();
    HttpResponse response;
    if (isCancelled && isCancelled()) {
        response.cancelled = true;
        response.error = QStringLiteral("Cancelled");
        return response;
    }
    CURL* curl = curl_easy_init();
    if (!curl) {
        response.error = QStringLiteral("Could not start a transfer");
        return response;
    }
    TransferState state{&response, request.maxBodyBytes, false, &isCancelled};
    const QByteArray userAgent =
        request.userAgent.isEmpty() ? collection::clientIdentification().toUtf8() : request.userAgent;
    char errorText[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, request.url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, long(request.maxRedirects));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(request.connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(request.timeoutMs));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.constData());
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // what libcurl can decode
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receiveBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, receiveHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, transferProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    if (request.post) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.postBody.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.postBody.size()));
        curl_easy_setopt(curl, CURLOPT_POSTREDIR, long(CURL_REDIR_POST_ALL));
    }

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = int(status);
    char* contentType = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        response.contentType = contentType;
    curl_easy_cleanup(curl);

    if (code == CURLE_OK) {
        response.transferred = true;
    } else {
        response.body.clear();
        if (response.cancelled)
            response.error = QStringLiteral("Cancelled");
        else if (state.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
            response.error = QStringLiteral("The answer is larger than %1 bytes").arg(request.maxBodyBytes);
        else
            response.error = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code));
    }
    return response;
}

bool isServiceReachable(const QString& baseUrl, int timeoutMs)
{
    initialiseCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl)
        return false;
    const QByteArray url = baseUrl.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const bool reachable = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
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
