#pragma once
// What all service clients share around one HTTP request: one request at a
// time per service with a minimum gap between them (pacing), retries with
// growing waits that honour a server's Retry-After, and waits that end as
// soon as the run is stopped. A client holds only its request forms and
// its verdict on an answer.

#include "network/HttpTransfer.h"
#include "network/LookupContext.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

namespace tagmint::network {

// Time for pacing and waits; tests install one that does not sleep.
class NetworkClock {
public:
    virtual ~NetworkClock() = default;
    virtual qint64 nowMs() const;   // monotonic milliseconds
    virtual void sleepMs(int ms);

    static NetworkClock& current();
    // nullptr restores the real clock. Not for use while requests run.
    static void install(NetworkClock* clock);
};

// Waits ms in steps of at most 100 ms; false as soon as the run is stopped.
bool waitUnlessCancelled(const LookupContext& context, qint64 ms);

// One service's request lane, process-wide: requests pass one at a time and
// start at least paceMs after the previous one ended.
class ServiceGate {
public:
    explicit ServiceGate(int paceMs) : m_paceMs(paceMs) {}
    void setPaceMs(int paceMs) { m_paceMs = paceMs < 0 ? 0 : paceMs; }
    int paceMs() const { return m_paceMs; }

    // Runs send under the gate after the pacing gap; nullopt when the run
    // was stopped during the gap.
    std::optional<HttpResponse> pass(const LookupContext& context, const std::function<HttpResponse()>& send);

private:
    std::mutex m_mutex;
    qint64 m_lastEndMs = -1;
    std::atomic<int> m_paceMs;
};

struct RetryPolicy {
    int attempts = 3;
    int firstWaitMs = 5000;   // the wait after the first failed attempt
    int waitStepMs = 2000;    // added to the wait after each further one
};

enum class AnswerVerdict {
    Accept,   // the answer is the result
    Refuse,   // final: retrying cannot help (a client error)
    Retry,    // try again after the wait
};

// The longest wait a Retry-After header can ask of us.
inline constexpr int kMaxRetryAfterMs = 120 * 1000;

// Sends the request through the gate until judge accepts an answer, refuses
// it, or the attempts are used up. Says "Could not make request, retrying
// again..." before each wait and "Could not make request" when it gives up.
// Returns the accepted or refused answer (check with the verdict's caller),
// nullopt when it gave up or was stopped.
struct ServiceResult {
    AnswerVerdict verdict = AnswerVerdict::Retry;
    HttpResponse response;
};
std::optional<ServiceResult> callService(const LookupContext& context, ServiceGate& gate, const HttpRequest& request,
                                         const RetryPolicy& policy,
                                         const std::function<AnswerVerdict(const HttpResponse&)>& judge);

// The common verdict: 2xx/3xx accepted, other 4xx refused, 5xx and transport
// failures retried.
AnswerVerdict judgeByStatus(const HttpResponse& response);
// judgeByStatus, then the body: a long one is an answer, a short one only
// when it is not empty and holds no "error" (or, with notFoundCounts, says
// "not found", which is an answer too).
AnswerVerdict judgeByBody(const HttpResponse& response, bool notFoundCounts = false);

} // namespace tagmint::network
