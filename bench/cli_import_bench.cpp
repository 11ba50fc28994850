// tagmint-cli import of 10,000 lines into 10,000 files against tagmint-cli
// set writing the same five fields into the same files, each one process
// over the whole folder. The files are copies of one small MP3 fixture.
//
// Target: import costs about what set costs (the paste itself is a small
// part; opening and saving the files dominate both).

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kFiles = 10000;

// Wall time of one run; -1 when it failed.
double run(const QStringList& args, const QByteArray& input = QByteArray())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(TAGMINT_CLI_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "tagmint-cli %s failed: %s\n", qPrintable(args.first()),
                     process.readAllStandardOutput().left(400).constData());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("files"));
    QDir().mkpath(folder);
    const QString fixture = QStringLiteral(TAGMINT_BENCH_DATA_DIR "/plain.mp3");
    for (int i = 0; i < kFiles; ++i) {
        const QString path = QStringLiteral("%1/%2.mp3").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        if (!QFile::copy(fixture, path)) {
            std::fprintf(stderr, "cannot copy the fixture\n");
            return 1;
        }
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    }

    QByteArray lines;
    for (int i = 0; i < kFiles; ++i)
        lines += QStringLiteral("Title %1\tArtist %2\tAlbum %3\tGenre\tComment %1\n")
                     .arg(i)
                     .arg(i % 97)
                     .arg(i % 13)
                     .toUtf8();
    const double import = run({QStringLiteral("import"), QStringLiteral("--fields"),
                               QStringLiteral("title,artist,album,genre,comment"), folder},
                              lines);
    const double set = run({QStringLiteral("set"), QStringLiteral("title=Set title"),
                            QStringLiteral("artist=Set artist"), QStringLiteral("album=Set album"),
                            QStringLiteral("genre=Set genre"), QStringLiteral("comment=Set comment"),
                            folder});
    if (import < 0 || set < 0)
        return 1;
    std::printf("tagmint-cli import, %d lines into %d files: %8.0f ms\n", kFiles, kFiles, import);
    std::printf("tagmint-cli set, 5 fields into %d files:       %8.0f ms\n", kFiles, set);
    std::printf("import / set: %.2f\n", import / set);
    return 0;
}
