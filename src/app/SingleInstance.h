#pragma once
// One Tagmint per user session: a second start ("Open With" on files while
// Tagmint runs) hands its paths to the running program and ends, so they
// are routed like the system's open-file events (an empty window, else a
// new one). A start without paths asks the running program for a new
// window, like the dock menu's "New Window".

#include <QObject>
#include <QStringList>
#include <functional>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name: the session's channel; tests give their own.
    explicit SingleInstance(const QString& name = defaultName(), QObject* parent = nullptr);

    // True when a running program took the paths (this one should end).
    bool forwardToRunningInstance(const QStringList& paths, int timeoutMs = 1000);
    // Becomes the running program; received gets each later start's paths.
    bool listen(std::function<void(const QStringList& paths)> received);

    static QString defaultName();

private:
    void readFrom(class QLocalSocket* socket);

    QString m_name;
    QLocalServer* m_server = nullptr;
    std::function<void(const QStringList&)> m_received;
};
