// The shared HTTP layer against stand-in servers: bounds on time, size and
// redirects, Stop, pacing, and the retry waits (on a clock that does not sleep).

#include "network/HttpTransfer.h"
#include "network/NetworkTestSupport.h"
#include "network/ServiceCaller.h"
#include "support/StandInServer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <gtest/gtest.h>
#include <thread>

using namespace tagmint::network;
using tagmint::test::FakeClock;
using tagmint::test::StandInServer;
using tagmint::test::TestContext;

namespace {

QJsonObject jsonAnswer(QJsonObject answer, const char* key, const QJsonValue& value)
{
    answer.insert(QLatin1String(key), value);
    return answer;
}

HttpRequest requestFor(const StandInServer& server, const QString& path, int timeoutMs = 5000)
{
    HttpRequest request;
    request.url = (server.baseUrl() + path).toUtf8();
    request.timeoutMs = timeoutMs;
    return request;
}

} // namespace

TEST(HttpLayer, RetryAfterReadsSecondsAndDates)
{
    EXPECT_EQ(parseRetryAfter("30", 0), 30);
    EXPECT_EQ(parseRetryAfter(" 0 ", 0), 0);
    EXPECT_EQ(parseRetryAfter("-4", 0), -1);
    EXPECT_EQ(parseRetryAfter("soon", 0), -1);
    const qint64 now = QDateTime(QDate(2015, 10, 21), QTime(7, 28, 0), Qt::UTC).toSecsSinceEpoch();
    EXPECT_EQ(parseRetryAfter("Wed, 21 Oct 2015 07:28:45 GMT", now), 45);
    // A date in the past asks for no wait; an absurd one is capped at a day.
    EXPECT_EQ(parseRetryAfter("Wed, 21 Oct 2015 07:00:00 GMT", now), 0);
    EXPECT_EQ(parseRetryAfter("99999999999", 0), 24 * 3600);
}

TEST(HttpLayer, BoundsTimeSizeAndRedirects)
{
    StandInServer server({
        StandInServer::route("/slow", {QJsonObject{{"status", 200}, {"body", "abcdefghij"}, {"trickle", 1.0}}}),
        StandInServer::route("/huge", {QJsonObject{{"status", 200}, {"body_repeat", QJsonArray{"x", 100 * 1024 * 1024}}}}),
        StandInServer::route("/loop", {QJsonObject{{"status", 302}, {"redirect", "/loop"}}}),
        StandInServer::route("/moved", {QJsonObject{{"status", 301}, {"redirect", "/plain"}}}),
        StandInServer::route("/plain", {StandInServer::answer(200, "hello", "text/plain")}),
        StandInServer::route("/elsewhere", {QJsonObject{{"status", 302}, {"redirect", "file:///etc/passwd"}}}),
    });
    ASSERT_TRUE(server.isRunning());

    // A server trickling a byte a second is cut off by the overall time-out.
    QElapsedTimer timer;
    timer.start();
    HttpResponse slow = httpRequest(requestFor(server, "/slow", 1500));
    EXPECT_FALSE(slow.transferred);
    EXPECT_LT(timer.elapsed(), 4000);

    // A 100 MB body stops at the limit instead of filling memory.
    HttpRequest huge = requestFor(server, "/huge");
    huge.maxBodyBytes = 1024 * 1024;
    const HttpResponse tooLarge = httpRequest(huge);
    EXPECT_FALSE(tooLarge.transferred);
    EXPECT_TRUE(tooLarge.body.isEmpty());
    EXPECT_TRUE(tooLarge.error.contains("larger"));

    EXPECT_FALSE(httpRequest(requestFor(server, "/loop")).transferred);
    EXPECT_FALSE(httpRequest(requestFor(server, "/elsewhere")).succeeded());

    const HttpResponse moved = httpRequest(requestFor(server, "/moved"));
    EXPECT_TRUE(moved.succeeded());
    EXPECT_EQ(moved.body, "hello");
    EXPECT_EQ(moved.contentType, "text/plain");
}

TEST(HttpLayer, StopEndsAHangingRequestWithinASecond)
{
    StandInServer server({StandInServer::route("/never", {QJsonObject{{"hang", true}}})});
    ASSERT_TRUE(server.isRunning());
    TestContext run;
    std::thread stopper([&run] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        run.stop = true;
    });
    QElapsedTimer timer;
    timer.start();
    ServiceGate gate(0);
    const auto result = callService(run.context, gate, requestFor(server, "/never", 60000), RetryPolicy{5, 5000, 2000},
                                    judgeByStatus);
    stopper.join();
    EXPECT_FALSE(result);
    EXPECT_LT(timer.elapsed(), 300 + 1000);
}

TEST(HttpLayer, PacingKeepsRequestsApart)
{
    StandInServer server({StandInServer::route("/ok", {StandInServer::answer(200, "fine")})});
    ASSERT_TRUE(server.isRunning());
    TestContext run;
    ServiceGate gate(250);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(callService(run.context, gate, requestFor(server, "/ok"), RetryPolicy{}, judgeByStatus));
    const QList<QJsonObject> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    for (int i = 1; i < 3; ++i)
        EXPECT_GE(requests[i]["time"].toDouble() - requests[i - 1]["time"].toDouble(), 0.24);
}

TEST(HttpLayer, RetriesServerErrorsWithGrowingWaitsAndNeverClientErrors)
{
    StandInServer server({
        StandInServer::route("/busy", {StandInServer::answer(503, "busy")}),
        StandInServer::route("/missing", {StandInServer::answer(404, "no")}),
        StandInServer::route("/later", {jsonAnswer(StandInServer::answer(503, "wait"), "headers",
                                                   QJsonObject{{"Retry-After", "30"}}),
                                        StandInServer::answer(200, "done")}),
        StandInServer::route("/soon", {jsonAnswer(StandInServer::answer(503, "wait"), "headers",
                                                  QJsonObject{{"Retry-After", "1"}}),
                                       StandInServer::answer(200, "done")}),
    });
    ASSERT_TRUE(server.isRunning());
    FakeClock clock;
    TestContext run;
    ServiceGate gate(0);
    const RetryPolicy musicBrainz{5, 5000, 2000};

    qint64 start = clock.nowMs();
    EXPECT_FALSE(callService(run.context, gate, requestFor(server, "/busy"), musicBrainz, judgeByStatus));
    // Five requests; waits of 5, 7, 9 and 11 seconds between them.
    EXPECT_EQ(clock.nowMs() - start, 5000 + 7000 + 9000 + 11000);
    EXPECT_EQ(run.lines.count("Could not make request, retrying again..."), 4);
    EXPECT_EQ(run.lines.last(), "Could not make request");

    start = clock.nowMs();
    const auto missing = callService(run.context, gate, requestFor(server, "/missing"), musicBrainz, judgeByStatus);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->verdict, AnswerVerdict::Refuse);
    EXPECT_EQ(clock.nowMs(), start);

    // Retry-After asking longer than our own wait is honoured; shorter is not.
    start = clock.nowMs();
    const auto later = callService(run.context, gate, requestFor(server, "/later"), musicBrainz, judgeByStatus);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->response.body, "done");
    EXPECT_EQ(clock.nowMs() - start, 30000);
    start = clock.nowMs();
    ASSERT_TRUE(callService(run.context, gate, requestFor(server, "/soon"), musicBrainz, judgeByStatus));
    EXPECT_EQ(clock.nowMs() - start, 5000);

    int paths[2] = {0, 0};
    for (const QJsonObject& request : server.requests()) {
        paths[0] += request["path"] == "/busy";
        paths[1] += request["path"] == "/missing";
    }
    EXPECT_EQ(paths[0], 5);
    EXPECT_EQ(paths[1], 1);
}
