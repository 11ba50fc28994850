#include "util/TextConversion.h"

#include <QFile>
#include <QStringDecoder>

#include <cstring>

namespace tagmint::text {

QString fromExternalBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(bytes);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(bytes);
}

QByteArray toFileSystemPath(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemErrorText(int errorNumber)
{
    QString message = fromExternalBytes(QByteArray(std::strerror(errorNumber)));
    if (!message.isEmpty())
        message[0] = message[0].toLower();
    return message;
}

} // namespace tagmint::text
