#pragma once
// Runs the real tagmint-cli binary and captures what it prints.

#include <QList>
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

// Waits for a started process and takes what it printed.
inline CliResult finishCli(QProcess& process, const QByteArray& input = QByteArray())
{
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

// input goes to the program's standard input, which is then closed.
inline CliResult runCli(const QStringList& args, const QString& workingDir = QString(),
                        const QByteArray& input = QByteArray(),
                        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGMINT_CLI_PATH), args);
    return finishCli(process, input);
}

// The same with arguments and working folder as bytes (names that are not
// UTF-8, which QProcess cannot pass): Python changes folder and starts the
// program in its own place.
inline CliResult runCliWithBytes(const QList<QByteArray>& args, const QByteArray& workingDir = QByteArray())
{
    QStringList script{QStringLiteral("-c"),
                       QStringLiteral("import os, sys\n"
                                      "if sys.argv[1]: os.chdir(bytes.fromhex(sys.argv[1]))\n"
                                      "arguments = [bytes.fromhex(a) for a in sys.argv[2:]]\n"
                                      "os.execv(arguments[0], arguments)\n"),
                       QString::fromLatin1(workingDir.toHex()),
                       QString::fromLatin1(QByteArray(TAGMINT_CLI_PATH).toHex())};
    for (const QByteArray& arg : args)
        script << QString::fromLatin1(arg.toHex());
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"), script);
    return finishCli(process);
}

} // namespace tagmint::test
