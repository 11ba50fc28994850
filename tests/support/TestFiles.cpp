#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>

namespace tagmint::test {

namespace {

// Debian's interpreter, the one that has python3-mutagen.
const QString kPython = QStringLiteral("/usr/bin/python3");

QString scriptPath()
{
    return QStringLiteral(TAGMINT_TEST_SCRIPTS_DIR "/mutagen_tool.py");
}

struct ProcessResult {
    bool ok = false;
    QByteArray out;
};

ProcessResult run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return result;
    result.out = process.readAllStandardOutput();
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!result.ok)
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return result;
}

} // namespace

QString fixturePath(const QString& name)
{
    return QStringLiteral(TAGMINT_TEST_DATA_DIR "/") + name;
}

TempDir::TempDir() = default;

QString TempDir::path() const
{
    return m_dir.path();
}

QString TempDir::filePath(const QString& name) const
{
    return m_dir.filePath(name);
}

QString TempDir::copyFixture(const QString& fixture, const QString& newName) const
{
    const QString target = filePath(newName.isEmpty() ? fixture : newName);
    QFile::remove(target);
    if (!QFile::copy(fixturePath(fixture), target))
        return QString();
    // Copies keep the source's permissions; tests write to theirs.
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    return target;
}

QString TempDir::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString target = filePath(name);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return target;
}

QString audioPacketDigest(const QString& path)
{
    const ProcessResult result = run(QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"),
         QStringLiteral("-i"), path, QStringLiteral("-map"), QStringLiteral("0:a"),
         QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("md5"),
         QStringLiteral("-")});
    const QByteArray out = result.out.trimmed();
    if (!result.ok || !out.startsWith("MD5="))
        return QString();
    return QString::fromLatin1(out.mid(4));
}

QJsonObject mutagenRead(const QString& path)
{
    const ProcessResult result = run(kPython, {scriptPath(), QStringLiteral("read"), path});
    if (!result.ok)
        return QJsonObject();
    return QJsonDocument::fromJson(result.out).object();
}

bool mutagenWrite(const QString& path, const QJsonObject& edits)
{
    const QString json = QString::fromUtf8(QJsonDocument(edits).toJson(QJsonDocument::Compact));
    return run(kPython, {scriptPath(), QStringLiteral("write"), path, json}).ok;
}

QJsonObject mutagenTags(const QString& path)
{
    const QString script = QStringLiteral(TAGMINT_TEST_SCRIPTS_DIR "/mutagen_tags.py");
    const ProcessResult result = run(kPython, {script, path});
    return result.ok ? QJsonDocument::fromJson(result.out).object() : QJsonObject();
}

QByteArray makeImageBytes(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return QByteArray();
    return bytes;
}

} // namespace tagmint::test
