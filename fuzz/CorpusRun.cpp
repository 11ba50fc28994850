// Runs one fuzz target's entry function over files and folders of inputs,
// without libFuzzer: the test suite's check that every seed and every input
// that once broke a promise still passes.
//
//   fuzz_corpus_run TARGET PATH...

#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

struct Target {
    const char* name;
    void (*entry)(const uint8_t*, size_t);
};

constexpr Target kTargets[] = {
    {"mp4-atoms", &fuzzMp4Atoms},     {"aiff-chunks", &fuzzAiffChunks},
    {"riff-chunks", &fuzzRiffChunks}, {"mpeg-frames", &fuzzMpegFrames},
    {"cache-entries", &fuzzCacheEntries}, {"ogg-pages", &fuzzOggPages},
    {"ape-tags", &fuzzApeTags},       {"asf-objects", &fuzzAsfObjects},
};

QStringList inputsOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return {path};
    QStringList files;
    const QDir folder(path);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        files << folder.filePath(name);
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    const Target* target = nullptr;
    for (const Target& candidate : kTargets) {
        if (argc > 1 && std::strcmp(argv[1], candidate.name) == 0)
            target = &candidate;
    }
    if (!target) {
        std::fprintf(stderr, "usage: fuzz_corpus_run TARGET PATH...\n");
        return 2;
    }
    int inputs = 0;
    for (int i = 2; i < argc; ++i) {
        for (const QString& input : inputsOf(QFile::decodeName(argv[i]))) {
            QFile file(input);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "%s: cannot be read\n", qPrintable(input));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "%s\n", qPrintable(input));
            target->entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%s: %d inputs\n", target->name, inputs);
    // An empty corpus would make a check that cannot fail.
    return inputs > 0 ? 0 : 1;
}
