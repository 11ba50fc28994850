#pragma once
// A stand-in web service for tests: support/standin_server.py run on
// 127.0.0.1 with a route table, stopped when the object goes away. See the
// script for the route and answer forms.

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>

#include "support/TestFiles.h"

namespace tagmint::test {

class StandInServer {
public:
    // Starts the server; port 0 picks a free one (a fixed port lets a test
    // stop a server and find the address dead).
    explicit StandInServer(const QJsonArray& routes, int port = 0);
    ~StandInServer();

    bool isRunning() const { return m_port > 0; }
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    QString baseUrl() const;
    // The requests served so far, oldest first (method, path, query, body, user_agent, time).
    QList<QJsonObject> requests() const;
    void stop();

    // A route answering every hit of path (exact) with the given answers in turn.
    static QJsonObject route(const QString& path, const QJsonArray& answers);
    static QJsonObject answer(int status, const QByteArray& body, const QString& contentType = QString());

private:
    TempDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

// A port on 127.0.0.1 where nothing listens (bound, then released).
int unusedPort();

} // namespace tagmint::test
