#pragma once
// The progress panel's estimate of the time remaining: a rate that must
// settle (two rates within 10 %) before an estimate is given, and a new
// estimate at most every 3 seconds. The pace is measured from the first
// report on, and the time shown counts down between estimates, so the
// estimate follows the work.

#include <QString>
#include <functional>

class TimeEstimator {
public:
    // Wall-clock milliseconds; wraps at 32 bits like the panel's own clock.
    using Clock = std::function<quint32()>;

    // Without a clock, the system's wall clock.
    explicit TimeEstimator(Clock clock = {});

    // The fraction done, 0 to 1. The first report starts the clock: what
    // came before it (a folder scan) tells nothing of the work's pace.
    void update(double fraction);
    // Seconds remaining when last estimated, or -1 while estimating.
    int estimate() const { return m_estimate; }
    // The estimate less the time since it was made (not below 0), or -1.
    int remaining() const;
    // "Estimating time remaining..." or "Time remaining: about 2 minutes".
    QString label() const;

    // "About 5 seconds", "Less than a minute", "About 2 hours", ...
    static QString timeText(int seconds);

private:
    Clock m_clock;
    bool m_started = false;
    double m_startPercentage = 0;
    double m_lastPercentage = 0;
    double m_rate = 0;   // percent per millisecond
    bool m_stable = false;
    quint32 m_startTime = 0;
    quint32 m_lastUpdateTime = 0;
    int m_estimate = -1;
    quint32 m_lastEstimateTime = 0;
};
