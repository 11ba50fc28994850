#pragma once
// Helpers of the audio tests: the committed audio fixtures, ffprobe as an
// independent reader of stream facts, and a cache folder of the test run's
// own (XDG_CACHE_HOME points into a temporary folder before any test runs,
// so the process-wide properties cache never touches the user's folder).

#include <QByteArray>
#include <QString>

namespace tagmint::test {

// tests/data/audio/<name>
QString audioFixture(const QString& name);

// The path's bytes as the file system has them.
QByteArray fsPath(const QString& path);

// What ffprobe says about the first audio stream.
struct FFprobeFacts {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    double durationSeconds = 0;  // the container's
};
FFprobeFacts ffprobe(const QString& path);

// Sets the file's modification time (seconds since 1970, whole seconds).
bool setModificationTime(const QString& path, qint64 secondsSinceEpoch);
// The file's modification time in whole seconds.
qint64 modificationTime(const QString& path);

} // namespace tagmint::test
