#include "collection/TimeEstimator.h"

#include <QDateTime>
#include <cmath>

namespace {

constexpr quint32 kEstimateInterval = 3000;   // ms
constexpr double kSettledRateChange = 0.1;

} // namespace

TimeEstimator::TimeEstimator(Clock clock)
    : m_clock(clock ? std::move(clock)
                    : Clock([] { return quint32(QDateTime::currentMSecsSinceEpoch()); }))
{
}

void TimeEstimator::update(double fraction)
{
    const double percentage = fraction <= 0 ? 0 : fraction >= 1 ? 100 : fraction * 100;
    const quint32 now = m_clock();
    if (!m_started) {
        m_started = true;
        m_startTime = now;
        m_startPercentage = percentage;
        m_lastPercentage = percentage;
        return;
    }
    if (percentage > m_lastPercentage) {
        m_lastUpdateTime = now;
        m_stable = false;
        // A report in the very millisecond of the start counts as one
        // millisecond, so the rate stays finite.
        const quint32 elapsed = std::max<quint32>(now - m_startTime, 1);
        const double rate = (percentage - m_startPercentage) / elapsed;
        if (rate != 0)
            m_stable = std::fabs(rate - m_rate) / rate < kSettledRateChange;
        m_lastPercentage = percentage;
        m_rate = rate;
    }

    if (m_stable && quint32(now - m_lastEstimateTime) > kEstimateInterval) {
        m_estimate = int((100 - m_lastPercentage) / m_rate / 1000);
        m_lastEstimateTime = now;
    }
}

int TimeEstimator::remaining() const
{
    if (m_estimate < 0)
        return -1;
    const qint64 passed = quint32(m_clock() - m_lastEstimateTime) / 1000;
    return int(std::max<qint64>(m_estimate - passed, 0));
}

QString TimeEstimator::label() const
{
    const int seconds = remaining();
    if (seconds < 0)
        return QStringLiteral("Estimating time remaining...");
    return QStringLiteral("Time remaining: %1").arg(timeText(seconds).toLower());
}

QString TimeEstimator::timeText(int seconds)
{
    if (seconds <= 10)
        return QStringLiteral("About 5 seconds");
    if (seconds < 60)
        return QStringLiteral("Less than a minute");
    if (seconds <= 90)
        return QStringLiteral("About a minute");
    const int hours = seconds / 3600;
    const int rest = seconds % 3600;
    if (rest >= 1860)
        return QStringLiteral("Less than %1 %2")
            .arg(hours + 1)
            .arg(seconds >= 3600 ? QStringLiteral("hours") : QStringLiteral("hour"));
    if (seconds >= 3600)
        return QStringLiteral("About %1 %2")
            .arg(hours)
            .arg(seconds >= 7200 ? QStringLiteral("hours") : QStringLiteral("hour"));
    const int minutes = seconds / 60;
    if (seconds % 60 >= 31)
        return QStringLiteral("Less than %1 minutes").arg(minutes + 1);
    return QStringLiteral("About %1 minutes").arg(minutes);
}
