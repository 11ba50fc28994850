#pragma once
// Runs test code in a forked child, for what only another process can show:
// locks between processes, a process killed in the middle of a save, a
// file-size limit. The child reports back through a pipe.

#include <QByteArray>
#include <functional>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace tagmint::test {

class ChildProcess {
public:
    // Starts `body` in a child; what it returns is its message to the parent.
    explicit ChildProcess(const std::function<QByteArray()>& body)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            const QByteArray message = body();
            if (::write(fds[1], message.constData(), size_t(message.size())) < 0)
                ::_exit(2);
            ::_exit(0);
        }
        ::close(fds[1]);
        m_pipe = fds[0];
    }
    ~ChildProcess()
    {
        if (m_pid > 0 && !m_finished)
            kill();
        if (m_pipe >= 0)
            ::close(m_pipe);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

    // Waits for the child; everything it sent.
    QByteArray finish()
    {
        QByteArray message;
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_pipe, buffer, sizeof buffer)) > 0;)
            message.append(buffer, n);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_finished = true;
        m_exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return message;
    }
    bool exitedNormally() const { return m_exitedNormally; }

    void kill()
    {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_finished = true;
    }

private:
    pid_t m_pid = -1;
    int m_pipe = -1;
    bool m_finished = false;
    bool m_exitedNormally = false;
};

// A one-way signal between processes: one side waits until the other says go.
class Gate {
public:
    Gate() { (void)!::pipe(m_fds); }
    ~Gate()
    {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    void open() const { (void)!::write(m_fds[1], "g", 1); }
    void wait() const
    {
        char c;
        (void)!::read(m_fds[0], &c, 1);
    }

private:
    int m_fds[2] = {-1, -1};
};

} // namespace tagmint::test
