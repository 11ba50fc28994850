#include "table/StatusNotification.h"

StatusNotification StatusNotification::makeMessage(const QString& verb, const QString& subject,
                                                   const QString& message, int priority,
                                                   unsigned flags)
{
    StatusNotification notification;
    notification.type = Type::Message;
    notification.title = verb;
    notification.shortMessage = subject;
    if (!subject.isEmpty() && !(flags & KeepSubjectCase))
        notification.shortMessage[0] = subject[0].toLower();
    notification.message = message;
    notification.priority = priority;
    return notification;
}

StatusNotification StatusNotification::resetPriority()
{
    StatusNotification notification;
    notification.type = Type::MessagePriority;
    notification.priority = 0;
    return notification;
}

StatusNotification StatusNotification::clearMessage()
{
    return makeMessage(QString(), QString(), QString(), kClearingPriority);
}

StatusNotification StatusNotification::popup()
{
    StatusNotification notification;
    notification.type = Type::MessagePopup;
    return notification;
}

StatusNotification StatusNotification::contentChanged()
{
    StatusNotification notification;
    notification.type = Type::ContentChanged;
    return notification;
}
