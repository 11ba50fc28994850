#include "network/ServiceCaller.h"

#include <QElapsedTimer>
#include <QThread>

namespace tagmint::network {

namespace {

NetworkClock* g_installedClock = nullptr;

QString retryingText() { return QStringLiteral("Could not make request, retrying again..."); }
QString failedText() { return QStringLiteral("Could not make request"); }

} // namespace

qint64 NetworkClock::nowMs() const
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer.elapsed();
}

void NetworkClock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(ulong(ms));
}

NetworkClock& NetworkClock::current()
{
    static NetworkClock realClock;
    return g_installedClock ? *g_installedClock : realClock;
}

void NetworkClock::install(NetworkClock* clock)
{
    g_installedClock = clock;
}

bool waitUnlessCancelled(const LookupContext& context, qint64 ms)
{
    NetworkClock& clock = NetworkClock::current();
    const qint64 end = clock.nowMs() + ms;
    for (;;) {
        if (context.cancelled())
            return false;
        const qint64 left = end - clock.nowMs();
        if (left <= 0)
            return true;
        clock.sleepMs(int(qMin<qint64>(left, 100)));
    }
}

std::optional<HttpResponse> ServiceGate::pass(const LookupContext& context, const std::function<HttpResponse()>& send)
{
    std::lock_guard lock(m_mutex);
    if (m_lastEndMs >= 0) {
        // Never more than the pace, even when the clock was swapped meanwhile.
        const qint64 gap = qMin<qint64>(m_lastEndMs + m_paceMs - NetworkClock::current().nowMs(), m_paceMs);
        if (gap > 0 && !waitUnlessCancelled(context, gap))
            return std::nullopt;
    }
    if (context.cancelled())
        return std::nullopt;
    HttpResponse response = send();
    m_lastEndMs = NetworkClock::current().nowMs();
    return response;
}

std::optional<ServiceResult> callService(const LookupContext& context, ServiceGate& gate, const HttpRequest& request,
                                         const RetryPolicy& policy,
                                         const std::function<AnswerVerdict(const HttpResponse&)>& judge)
{
    qint64 waitMs = policy.firstWaitMs;
    for (int attempt = 0; attempt < policy.attempts; ++attempt) {
        std::optional<HttpResponse> response =
            gate.pass(context, [&] { return httpRequest(request, context.isCancelled); });
        if (!response || response->cancelled || context.cancelled())
            return std::nullopt;
        const AnswerVerdict verdict = judge(*response);
        if (verdict != AnswerVerdict::Retry)
            return ServiceResult{verdict, std::move(*response)};
        // The last failure needs no wait: nothing follows it.
        if (attempt + 1 == policy.attempts)
            break;
        context.say(retryingText());
        qint64 wait = waitMs;
        if ((response->status == 503 || response->status == 429) && response->retryAfterSeconds >= 0)
            wait = qMax<qint64>(wait, qMin<qint64>(qint64(response->retryAfterSeconds) * 1000, kMaxRetryAfterMs));
        if (!waitUnlessCancelled(context, wait))
            return std::nullopt;
        waitMs += policy.waitStepMs;
    }
    context.say(failedText());
    return std::nullopt;
}

AnswerVerdict judgeByStatus(const HttpResponse& response)
{
    if (!response.transferred || response.status >= 500 || response.status == 429)
        return AnswerVerdict::Retry;
    if (response.status >= 400 || response.status < 200)
        return AnswerVerdict::Refuse;
    return AnswerVerdict::Accept;
}

AnswerVerdict judgeByBody(const HttpResponse& response, bool notFoundCounts)
{
    const AnswerVerdict byStatus = judgeByStatus(response);
    if (byStatus != AnswerVerdict::Accept)
        return byStatus;
    const QByteArray& body = response.body;
    if (body.size() > 300
        || (!body.isEmpty() && (!body.contains("\"error\"") || (notFoundCounts && body.contains("not found")))))
        return AnswerVerdict::Accept;
    return AnswerVerdict::Retry;
}

} // namespace tagmint::network
