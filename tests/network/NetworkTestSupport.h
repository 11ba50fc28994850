#pragma once
// Shared by the network tests: a clock that does not sleep, a lookup
// context, service configurations pointing at stand-in servers, and
// MusicBrainz answers in the web service's XML.

#include "network/LookupContext.h"
#include "network/NetworkConfig.h"
#include "network/ServiceCaller.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>

namespace tagmint::test {

// Time passes only when slept; installed for its lifetime.
class FakeClock : public network::NetworkClock {
public:
    FakeClock() { network::NetworkClock::install(this); }
    ~FakeClock() override { network::NetworkClock::install(nullptr); }
    qint64 nowMs() const override { return m_now; }
    void sleepMs(int ms) override { m_now += ms; }

private:
    std::atomic<qint64> m_now{1000000};
};

// Collects the progress lines; stopped once `stop` is set.
struct TestContext {
    std::atomic<bool> stop{false};
    QStringList lines;
    network::LookupContext context{[this] { return stop.load(); }, [this](const QString& text) { lines << text; }};
};

// Every service at baseUrl, no pacing, a short time-out.
network::NetworkConfig standInConfig(const QString& baseUrl, int timeoutMs = 5000);

struct TestRelease {
    TestRelease(QString id, QString title, QString date = QString(), QString artist = QStringLiteral("Miles Davis"),
                QString artistId = QStringLiteral("artist-miles"), QStringList secondaryTypes = {})
        : id(id), title(title), date(date), artist(artist), artistId(artistId), secondaryTypes(secondaryTypes)
    {
    }
    QString id;
    QString title;
    QString date;            // "" for none
    QString artist;
    QString artistId;
    QStringList secondaryTypes;
    int trackCount = 10;
    int creditCount = 1;     // 2: credited to two artists
};

// <metadata><release-list count=total offset=offset>…</release-list></metadata>
QByteArray releaseSearchXml(const QList<TestRelease>& releases, int total, int offset = 0);
// A release lookup with the given track titles (positions from 1), one medium.
QByteArray releaseDetailsXml(const TestRelease& release, const QStringList& trackTitles);

// The cache folder of this test run ($XDG_CACHE_HOME, a temporary folder set
// up by the test main); emptied between tests.
void clearNetworkCaches();

} // namespace tagmint::test
