#include "app/SingleInstance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name)
{
}

QString SingleInstance::defaultName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    return QStringLiteral("tagmint-%1").arg(user.isEmpty() ? QStringLiteral("user") : user);
}

bool SingleInstance::forwardToRunningInstance(const QStringList& paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray message = QJsonDocument(QJsonArray::fromStringList(paths)).toJson(QJsonDocument::Compact);
    message.append('\n');
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The answer says the paths were taken; a program that hangs does not
    // swallow them.
    return socket.waitForReadyRead(timeoutMs) && socket.readAll().startsWith("ok");
}

bool SingleInstance::listen(std::function<void(const QStringList&)> received)
{
    m_received = std::move(received);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left behind by a program that crashed.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        }
    });
    return true;
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (!socket->canReadLine())
        return;
    const QJsonDocument document = QJsonDocument::fromJson(socket->readLine().trimmed());
    if (!document.isArray()) {
        socket->disconnectFromServer();
        return;
    }
    QStringList paths;
    for (const QJsonValue& value : document.array())
        paths.append(value.toString());
    socket->write("ok\n");
    socket->flush();
    if (m_received)
        m_received(paths);
}
