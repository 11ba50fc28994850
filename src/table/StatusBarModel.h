#pragma once
// The state behind a window's status bar: which message is shown (newer or
// more important messages win), when it expires, and the row-count label.
// Time comes from an injectable millisecond clock; the window arms a timer
// for nextDeadline() and calls expire() when it fires.

#include "table/StatusNotification.h"

#include <QString>
#include <functional>
#include <optional>

class StatusBarModel {
public:
    using Clock = std::function<qint64()>;   // milliseconds

    // Without a clock, the system's monotonic clock.
    explicit StatusBarModel(Clock clock = {});

    // Applies a message or priority notification; true when the shown
    // message changed. Popup and content notifications are the window's.
    bool notify(const StatusNotification& notification);
    // Clears what is due at the current time.
    void expire();
    // When expire() next has something to do, if ever.
    std::optional<qint64> nextDeadline() const;
    void clearMessage();

    QString title() const { return m_title; }
    QString message() const { return m_message; }
    int priority() const { return m_priority; }
    QString messageLabel() const { return m_label; }
    QString messageToolTip() const;

    // Recounts after the records changed: total rows, shown rows, and
    // whether a shown row has unsaved changes.
    void updateRowCount(int total, int shown, bool shownRowsModified);
    QString countLabel() const { return m_countLabel; }
    // The lines explaining the count; empty without rows.
    QString countDetails() const { return m_countDetails; }
    static QString countLabelToolTip();

    // Milliseconds for which equal priorities do not replace each other.
    static constexpr qint64 kMinimumInterval = 201;
    static constexpr qint64 kPriorityLifetime = 1500;
    // A message lives priority x 0.5 + 20 seconds.
    static qint64 messageLifetime(int priority) { return qint64(priority) * 500 + 20000; }

private:
    void show(const StatusNotification& notification);

    Clock m_clock;
    QString m_title;
    QString m_message;
    QString m_label;
    int m_priority = 0;
    quint32 m_shownAt = 0;
    std::optional<qint64> m_messageExpiry;
    std::optional<qint64> m_priorityExpiry;
    QString m_countLabel;
    QString m_countDetails;
};
