#include "audio/AudioTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

namespace tagmint::test {

namespace {

class CacheFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.path()));
    }

private:
    QTemporaryDir m_dir;
};

[[maybe_unused]] ::testing::Environment* const kCacheFolder =
    ::testing::AddGlobalTestEnvironment(new CacheFolderEnvironment);

} // namespace

QString audioFixture(const QString& name)
{
    return QStringLiteral(TAGMINT_TEST_DATA_DIR "/audio/") + name;
}

QByteArray fsPath(const QString& path)
{
    return QFile::encodeName(path);
}

FFprobeFacts ffprobe(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                   QStringLiteral("a:0"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=sample_rate,channels:format=duration"), QStringLiteral("-of"),
                   QStringLiteral("json"), path});
    FFprobeFacts facts;
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return facts;
    const QJsonObject root = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    const QJsonArray streams = root.value(QStringLiteral("streams")).toArray();
    if (streams.isEmpty())
        return facts;
    const QJsonObject stream = streams.first().toObject();
    facts.sampleRate = stream.value(QStringLiteral("sample_rate")).toString().toInt();
    facts.channels = stream.value(QStringLiteral("channels")).toInt();
    facts.durationSeconds =
        root.value(QStringLiteral("format")).toObject().value(QStringLiteral("duration")).toString().toDouble();
    facts.ok = true;
    return facts;
}

bool setModificationTime(const QString& path, qint64 secondsSinceEpoch)
{
    struct utimbuf times;
    times.actime = time_t(secondsSinceEpoch);
    times.modtime = time_t(secondsSinceEpoch);
    return ::utime(fsPath(path).constData(), &times) == 0;
}

qint64 modificationTime(const QString& path)
{
    struct stat info;
    return ::stat(fsPath(path).constData(), &info) == 0 ? qint64(info.st_mtime) : -1;
}

} // namespace tagmint::test
