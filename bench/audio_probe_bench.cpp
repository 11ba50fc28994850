// Probing audio properties: 2000 files (CBR MP3, VBR MP3, FLAC, M4A, WAV)
// cold, warm from the memory cache, and warm from the disk cache in a new
// process, against a plain libavformat loop (open input, find stream info)
// over the same files. Targets: cold CBR MP3 at least 3x faster than the
// loop on those files; warm probes at least 20x faster than cold.

#include "audio/AudioProbe.h"
#include "audio/AudioPropertiesCache.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

using tagmint::audio::AudioPropertiesCache;

constexpr int kFilesPerKind = 400;

struct Kind {
    const char* name;
    const char* file;
    QStringList encode;
};

// 30 seconds of a tone with a little noise, one file per kind; the 2000
// paths are hard links to these, so they cost no disk space but are
// separate files to every cache.
const std::vector<Kind>& kinds()
{
    static const std::vector<Kind> list = {
        {"CBR MP3", "cbr.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}},
        {"VBR MP3", "vbr.mp3", {"-c:a", "libmp3lame", "-q:a", "4"}},
        {"FLAC", "tone.flac", {"-c:a", "flac"}},
        {"M4A", "tone.m4a", {"-c:a", "aac", "-b:a", "128k"}},
        {"WAV", "tone.wav", {"-c:a", "pcm_s16le"}},
    };
    return list;
}

bool makeSource(const QString& path, const QStringList& encode)
{
    QProcess ffmpeg;
    QStringList arguments = {"-v", "error", "-y", "-nostdin", "-f", "lavfi", "-i",
                             "sine=frequency=440:sample_rate=44100:duration=30", "-f", "lavfi", "-i",
                             "anoisesrc=amplitude=0.05:sample_rate=44100:duration=30", "-filter_complex",
                             "amix=inputs=2", "-ac", "2"};
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments + encode + QStringList{path});
    return ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0;
}

struct Files {
    std::vector<QByteArray> all;   // in kind order
    std::vector<QByteArray> cbr;   // the CBR MP3 ones
};

Files makeFiles(const QString& folder)
{
    Files files;
    for (const Kind& kind : kinds()) {
        const QString source = folder + QLatin1String("/source-") + QLatin1String(kind.file);
        if (!makeSource(source, kind.encode)) {
            std::fprintf(stderr, "ffmpeg failed for %s\n", kind.name);
            std::exit(1);
        }
        for (int i = 0; i < kFilesPerKind; ++i) {
            const QByteArray link = QFile::encodeName(QStringLiteral("%1/%2-%3").arg(folder).arg(i).arg(QLatin1String(kind.file)));
            if (::link(QFile::encodeName(source).constData(), link.constData()) != 0) {
                std::perror("link");
                std::exit(1);
            }
            files.all.push_back(link);
            if (QByteArray(kind.name) == "CBR MP3")
                files.cbr.push_back(link);
        }
    }
    return files;
}

double probeAll(const std::vector<QByteArray>& paths)
{
    QElapsedTimer timer;
    timer.start();
    QZAudioProperties properties;
    for (const QByteArray& path : paths) {
        if (!tagmint::audio::probeAudioProperties(path, &properties) || properties.sampleRate == 0) {
            std::fprintf(stderr, "probe failed: %s\n", path.constData());
            std::exit(1);
        }
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

double libavformatLoop(const std::vector<QByteArray>& paths)
{
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& path : paths) {
        AVFormatContext* context = nullptr;
        if (avformat_open_input(&context, path.constData(), nullptr, nullptr) == 0) {
            avformat_find_stream_info(context, nullptr);
            avformat_close_input(&context);
        }
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

std::vector<QByteArray> listFiles(const QString& folder)
{
    std::vector<QByteArray> paths;
    for (const QString& name : QDir(folder).entryList({"*-*"}, QDir::Files, QDir::Name)) {
        if (!name.startsWith(QLatin1String("source-")))
            paths.push_back(QFile::encodeName(folder + QLatin1Char('/') + name));
    }
    return paths;
}

// The child process: every file once, answered from the disk cache.
int diskPass(const QString& folder)
{
    const std::vector<QByteArray> paths = listFiles(folder);
    const double ms = probeAll(paths);
    std::printf("%.3f %llu\n", ms, static_cast<unsigned long long>(AudioPropertiesCache::shared().filesRead()));
    return 0;
}

void line(const char* what, double ms, int count)
{
    std::printf("  %-44s %9.1f ms  %7.1f us/file\n", what, ms, ms * 1000.0 / count);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_QUIET);
    if (argc == 3 && QByteArray(argv[1]) == "--disk-pass")
        return diskPass(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir workspace;
    const QString folder = workspace.filePath(QStringLiteral("files"));
    const QString cache = workspace.filePath(QStringLiteral("cache"));
    QDir().mkpath(folder);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));

    std::printf("Making %d files...\n", kFilesPerKind * int(kinds().size()));
    const Files files = makeFiles(folder);
    const int count = int(files.all.size());

    // The yardstick first, so both read from a warm page cache.
    const double avAll = libavformatLoop(files.all);
    const double avCbr = libavformatLoop(files.cbr);

    // Cold: the CBR MP3 files on their own first, then the rest.
    const double coldCbr = probeAll(files.cbr);
    std::vector<QByteArray> rest(files.all.begin() + kFilesPerKind, files.all.end());
    const double coldAll = coldCbr + probeAll(rest);
    // Cache files are written behind the probes; this is how long they
    // took beyond the cold pass.
    QElapsedTimer flushTimer;
    flushTimer.start();
    AudioPropertiesCache::shared().flush();
    const double flushMs = double(flushTimer.nsecsElapsed()) / 1e6;

    // The memory cache holds 1024 entries; a second pass over all 2000 finds
    // most of them on disk. The memory figure comes from the newest 500
    // files, each probed four times.
    const quint64 readBefore = AudioPropertiesCache::shared().filesRead();
    const double warmSameProcess = probeAll(files.all);
    std::vector<QByteArray> newest(files.all.end() - 500, files.all.end());
    probeAll(newest);
    std::vector<QByteArray> repeated;
    for (int i = 0; i < 4; ++i)
        repeated.insert(repeated.end(), newest.begin(), newest.end());
    const double warmMemory = probeAll(repeated) * double(count) / double(repeated.size());
    const quint64 rereads = AudioPropertiesCache::shared().filesRead() - readBefore;

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--disk-pass"), folder});
    child.waitForFinished(-1);
    const QList<QByteArray> answer = child.readAllStandardOutput().trimmed().split(' ');
    const double warmDisk = answer.value(0).toDouble();
    const QByteArray childReads = answer.value(1);

    std::printf("\n%d files (%d each of CBR MP3, VBR MP3, FLAC, M4A, WAV; 30 s, 44.1 kHz stereo)\n", count,
                kFilesPerKind);
    line("libavformat loop, all files", avAll, count);
    line("libavformat loop, CBR MP3 only", avCbr, kFilesPerKind);
    line("probe cold, all files", coldAll, count);
    line("probe cold, CBR MP3 only", coldCbr, kFilesPerKind);
    line("probe warm, memory cache (per 2000)", warmMemory, count);
    line("probe warm, same process, all files", warmSameProcess, count);
    line("probe warm, disk cache, new process", warmDisk, count);
    std::printf("  %-44s %9.1f ms\n", "disk-cache writes still pending after cold", flushMs);
    std::printf("\n  files read again while warm: %llu (same process), %s (new process)\n",
                static_cast<unsigned long long>(rereads), childReads.constData());
    std::printf("  cold CBR MP3 vs libavformat on them: %.1fx faster (target >= 3x)\n", avCbr / coldCbr);
    std::printf("  cold all vs libavformat on all:      %.1fx faster\n", avAll / coldAll);
    std::printf("  warm memory vs cold:                 %.1fx faster (target >= 20x)\n", coldAll / warmMemory);
    std::printf("  warm disk (new process) vs cold:     %.1fx faster (target >= 20x)\n", coldAll / warmDisk);
    return 0;
}
