#include "support/StandInServer.h"

#include <QFile>
#include <QJsonDocument>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tagmint::test {

StandInServer::StandInServer(const QJsonArray& routes, int port)
{
    const QString routesPath = m_dir.writeFile(QStringLiteral("routes.json"), QJsonDocument(routes).toJson());
    m_process.setProgram(QStringLiteral("/usr/bin/python3"));
    m_process.setArguments({QStringLiteral(TAGMINT_TEST_SUPPORT_DIR "/standin_server.py"), routesPath,
                            m_dir.filePath(QStringLiteral("requests.jsonl")), QString::number(port)});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (m_process.waitForStarted(10000) && m_process.waitForReadyRead(20000))
        m_port = m_process.readLine().trimmed().toInt();
}

StandInServer::~StandInServer() { stop(); }

void StandInServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString StandInServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

QList<QJsonObject> StandInServer::requests() const
{
    QList<QJsonObject> list;
    QFile log(m_dir.filePath(QStringLiteral("requests.jsonl")));
    if (!log.open(QIODevice::ReadOnly))
        return list;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            list.append(QJsonDocument::fromJson(line).object());
    }
    return list;
}

QJsonObject StandInServer::route(const QString& path, const QJsonArray& answers)
{
    return QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("responses"), answers}};
}

QJsonObject StandInServer::answer(int status, const QByteArray& body, const QString& contentType)
{
    QJsonObject answer{{QStringLiteral("status"), status}};
    // Bytes travel as hex so images and text are treated alike.
    answer.insert(QStringLiteral("body_hex"), QString::fromLatin1(body.toHex()));
    if (!contentType.isEmpty())
        answer.insert(QStringLiteral("headers"), QJsonObject{{QStringLiteral("Content-Type"), contentType}});
    return answer;
}

int unusedPort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(socket);
    return port;
}

} // namespace tagmint::test
