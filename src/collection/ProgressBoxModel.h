#pragma once
// The state behind the progress panel of a bulk job: its message, the bar,
// the time remaining and the stop button. The window draws it as a sheet;
// the worker reads the stop flag through stopCallback().

#include "collection/BulkJob.h"
#include "collection/TimeEstimator.h"

#include <QString>
#include <functional>

class ProgressBoxModel {
public:
    explicit ProgressBoxModel(TimeEstimator::Clock clock = {});

    QString message() const { return m_message; }
    void setMessage(const QString& message) { m_message = message; }

    // An indeterminate bar animates and shows no time.
    bool isIndeterminate() const { return m_indeterminate; }
    void setIndeterminate(bool indeterminate) { m_indeterminate = indeterminate; }

    // The fraction done (0 to 1); makes the bar determinate.
    void updateProgress(double fraction);
    double progress() const { return m_progress; }
    // Read again while no report comes: the time shown counts down.
    QString timeLabel() const { return m_indeterminate ? QString() : m_estimator.label(); }

    // A job's progress report: the message for the items still to go and
    // index / count on the bar (at most 1).
    void showProgress(qint64 index, qint64 count, const std::function<QString(qint64)>& text);

    // The stop button and Escape. The stop block typically sets "Stopping...".
    void stopButton();
    void setStopButtonBlock(std::function<void()> block) { m_stopBlock = std::move(block); }
    bool stopButtonPressed() const { return m_stop.isRequested(); }
    // For the job: true once the stop button was pressed. Safe to call from
    // the worker, also after the panel is gone.
    std::function<bool()> stopCallback() const { return m_stop.callback(); }

    // The owner closes the panel when the job is done.
    void close() { m_normalCompletion = true; }
    bool isClosed() const { return m_normalCompletion; }
    // The sheet ended: unless its owner closed it, that is a stop.
    void sheetDidEnd();

private:
    TimeEstimator m_estimator;
    QString m_message;
    double m_progress = 0;
    bool m_indeterminate = true;
    bool m_normalCompletion = false;
    tagmint::collection::StopFlag m_stop;
    std::function<void()> m_stopBlock;
};
