#include "table/StatusBarModel.h"

#include "collection/CountPhrase.h"

#include <QDeadlineTimer>
#include <QStringList>

StatusBarModel::StatusBarModel(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock([] {
          return QDeadlineTimer::current().deadline();
      }))
{
}

bool StatusBarModel::notify(const StatusNotification& notification)
{
    if (notification.type == StatusNotification::Type::MessagePriority) {
        m_priority = notification.priority;
        return false;
    }
    if (notification.type != StatusNotification::Type::Message)
        return false;

    const quint32 now = quint32(m_clock());
    bool accepted = m_label.isEmpty() || notification.priority > m_priority;
    // The 32-bit difference stays right across the clock's wrap.
    if (!accepted && notification.priority == m_priority)
        accepted = quint32(now - m_shownAt) >= kMinimumInterval;
    if (accepted)
        show(notification);
    return accepted;
}

void StatusBarModel::show(const StatusNotification& notification)
{
    const qint64 now = m_clock();
    m_title = notification.title;
    m_message = notification.message;
    m_priority = notification.title.isEmpty() ? 0 : notification.priority;
    m_shownAt = quint32(now);
    m_label = notification.shortMessage.isEmpty()
        ? notification.title
        : QStringLiteral("%1: %2").arg(notification.title, notification.shortMessage);
    m_messageExpiry = now + messageLifetime(notification.priority);
    m_priorityExpiry = now + kPriorityLifetime;
}

void StatusBarModel::expire()
{
    const qint64 now = m_clock();
    if (m_priorityExpiry && now >= *m_priorityExpiry) {
        m_priority = 0;
        m_priorityExpiry.reset();
    }
    if (m_messageExpiry && now >= *m_messageExpiry)
        clearMessage();
}

std::optional<qint64> StatusBarModel::nextDeadline() const
{
    if (m_priorityExpiry && m_messageExpiry)
        return qMin(*m_priorityExpiry, *m_messageExpiry);
    return m_priorityExpiry ? m_priorityExpiry : m_messageExpiry;
}

void StatusBarModel::clearMessage()
{
    m_title.clear();
    m_message.clear();
    m_label.clear();
    m_priority = 0;
    m_messageExpiry.reset();
    m_priorityExpiry.reset();
}

QString StatusBarModel::messageToolTip() const
{
    return m_label.isEmpty() ? QStringLiteral("Status of last operation.")
                             : QStringLiteral("Status of last operation. Click for more details.");
}

void StatusBarModel::updateRowCount(int total, int shown, bool shownRowsModified)
{
    if (total == 0) {
        m_countLabel.clear();
        m_countDetails.clear();
        clearMessage();
        return;
    }
    const QString mark = shownRowsModified ? QStringLiteral("*") : QString();
    QStringList lines;
    lines << QStringLiteral("The table contains %1 row%2.")
                 .arg(total)
                 .arg(tagmint::collection::pluralS(total));
    if (shown == total) {
        m_countLabel = QStringLiteral("%1%2").arg(total).arg(mark);
    } else {
        m_countLabel = QStringLiteral("%1 of %2%3").arg(shown).arg(total).arg(mark);
        if (shown == 0) {
            lines << QStringLiteral("No rows were found that match to text to find.");
        } else {
            lines << QStringLiteral("%1 row%2 %3 filtered.")
                         .arg(shown)
                         .arg(tagmint::collection::pluralS(shown))
                         .arg(tagmint::collection::wasWere(shown));
        }
    }
    if (shownRowsModified)
        lines << QStringLiteral("* The table has modified cells.");
    m_countDetails = lines.join(QLatin1Char('\n'));
}

QString StatusBarModel::countLabelToolTip()
{
    return QStringLiteral("How many rows have been added or filtered.");
}
