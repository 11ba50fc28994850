#pragma once
// A file opened for reading whose reads are served from a window of it held
// in memory. The structure walks read many small headers at scattered
// places; through a plain QFile each costs a seek and a read system call.

#include <QByteArray>
#include <QIODevice>

namespace tagmint::tags {

class WindowedFile : public QIODevice {
public:
    explicit WindowedFile(const QString& path);
    ~WindowedFile() override;

    // Opens the file read-only; false (with errorString()) if it cannot.
    bool open();
    qint64 size() const override { return m_size; }
    bool isSequential() const override { return false; }
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    qint64 readAt(char* data, qint64 length, qint64 at) const;

    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
    QByteArray m_window;
    qint64 m_windowOffset = 0;
};

} // namespace tagmint::tags
