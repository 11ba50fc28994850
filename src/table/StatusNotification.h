#pragma once
// What a command reports to its window's status bar: a message with a
// priority, a priority reset, a request to show the message's details, or
// the news that the records changed.

#include <QString>

struct StatusNotification {
    enum class Type { Message, MessagePriority, MessagePopup, ContentChanged };

    // Flag of message(): keep the subject's first letter as it is (used when
    // the subject is a column title).
    static constexpr unsigned KeepSubjectCase = 0x1;
    static constexpr int kDefaultPriority = 3;
    static constexpr int kClearingPriority = 10;

    Type type = Type::Message;
    QString title;          // the verb of the operation
    QString shortMessage;   // the subject, shown after the title
    QString message;        // the full text, shown on demand
    int priority = 0;

    // A status message; the subject's first letter is lower-cased unless
    // KeepSubjectCase is given.
    static StatusNotification makeMessage(const QString& verb, const QString& subject,
                                          const QString& message,
                                          int priority = kDefaultPriority, unsigned flags = 0);
    // Lets the next message through whatever came before.
    static StatusNotification resetPriority();
    static StatusNotification clearMessage();
    static StatusNotification popup();
    static StatusNotification contentChanged();
};
