#pragma once
// Runs the real tagmint-cli binary and captures what it prints.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tagmint::test {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;

    QStringList outLines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// input goes to the program's standard input, which is then closed.
inline CliResult runCli(const QStringList& args, const QString& workingDir = QString(),
                        const QByteArray& input = QByteArray(),
                        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGMINT_CLI_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    CliResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace tagmint::test
