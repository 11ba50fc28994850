#include "audio/OpenAudioReader.h"

#include "audio/FFmpegAudioReader.h"
#include "audio/MidiAudioReader.h"
#include "audio/Mp3AudioReader.h"
#include "audio/WavAudioReader.h"

#include <cerrno>
#include <sys/stat.h>

namespace tagmint::audio {

namespace {

bool hasExtension(const QByteArray& path, const char* extension)
{
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0 || path.indexOf('/', dot) >= 0)
        return false;
    return path.mid(dot + 1).compare(extension, Qt::CaseInsensitive) == 0;
}

// Readers do not throw, but a failed allocation must not escape.
template <typename Make>
std::unique_ptr<QZAudioReader> openGuarded(Make make)
{
    try {
        return make();
    } catch (const std::bad_alloc&) {
        return std::make_unique<QZFailedAudioReader>(NotEnoughMemory);
    } catch (...) {
        return std::make_unique<QZFailedAudioReader>(CouldNotOpenFile);
    }
}

} // namespace

std::unique_ptr<QZAudioReader> openAudioReader(const QByteArray& fileSystemPath, quint32 flags)
{
    struct stat info;
    if (::stat(fileSystemPath.constData(), &info) != 0)
        return std::make_unique<QZFailedAudioReader>(errno == ENOENT || errno == ENOTDIR ? FileDoesNotExist
                                                                                       : CouldNotOpenFile);
    // A FIFO or a device would block or never end.
    if (!S_ISREG(info.st_mode))
        return std::make_unique<QZFailedAudioReader>(CouldNotOpenFile);

    if (hasExtension(fileSystemPath, "mid")) {
        if (flags & RefuseMidi)
            return std::make_unique<QZFailedAudioReader>(CouldNotOpenFile);
        return openGuarded([&] { return std::make_unique<MidiAudioReader>(fileSystemPath); });
    }

    if (!(flags & NoFFmpeg)) {
        std::unique_ptr<QZAudioReader> reader = openGuarded([&] {
            return std::make_unique<FFmpegAudioReader>(fileSystemPath, FFmpegAudioReader::Purpose::Decoding);
        });
        if (reader->error() == NoError || reader->error() == DrmProtectedFile)
            return reader;
    }

    if (hasExtension(fileSystemPath, "mp3"))
        return openGuarded([&] { return std::make_unique<Mp3AudioReader>(fileSystemPath); });
    if (hasExtension(fileSystemPath, "wav"))
        return openGuarded([&] { return std::make_unique<WavAudioReader>(fileSystemPath); });
    return std::make_unique<QZFailedAudioReader>(CouldNotOpenFile);
}

} // namespace tagmint::audio
