#pragma once
// A failure reported to the user: the "tagmint" domain, a code and a message.

#include <QString>

struct TagmintError {
    static inline const QString kDomain = QStringLiteral("tagmint");

    QString domain = kDomain;
    int code = 1;
    QString message;
};
