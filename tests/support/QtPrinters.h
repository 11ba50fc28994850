#pragma once
// Readable Qt values in GoogleTest failure messages.

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

inline void PrintTo(const QJsonValue& value, std::ostream* os)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        *os << (value.toBool() ? "true" : "false");
        break;
    case QJsonValue::Double:
        *os << value.toDouble();
        break;
    case QJsonValue::String:
        PrintTo(value.toString(), os);
        break;
    case QJsonValue::Null:
        *os << "null";
        break;
    default:
        *os << "<json>";
    }
}
