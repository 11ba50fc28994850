#include "tags/WavRepair.h"

#include "audio/OpenAudioReader.h"
#include "record/PathLock.h"
#include "table/ArtworkExport.h"
#include "tags/RiffWalker.h"
#include "tags/SafeFileCommit.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <taglib/wavfile.h>

#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace tagmint::tags::wav {

namespace {

// Room for the scratch copy, a backup and what the tags add, with margin.
constexpr quint64 kFreeSpaceFactor = 5;
constexpr qint64 kCopyBlockSize = qint64(1) << 20;

using text::toFileSystemPath;

bool isLocked(const QByteArray& path)
{
    const FileFlagsAccess& access = LinuxFileFlags::instance();
    const std::optional<quint32> flags = access.flags(path);
    return flags && (*flags & access.lockFlag());
}

// Makes `to` a copy of `from` and puts it on disk.
bool copyContents(QFile& from, QFile& to)
{
    if (!from.seek(0) || !to.seek(0))
        return false;
    qint64 copied = 0;
    const qint64 size = from.size();
    while (copied < size) {
        const QByteArray block = from.read(kCopyBlockSize);
        if (block.isEmpty() || to.write(block) != block.size())
            return false;
        copied += block.size();
    }
    return to.resize(size) && to.flush() && ::fsync(to.handle()) == 0;
}

// A scratch copy of `source` in `folder` with the given permissions; it is
// removed again when dropped. The ".wav" ending lets our audio reader take
// it.
std::unique_ptr<fs::UniqueFile> makeCopy(QFile& source, const QString& folder, mode_t mode)
{
    auto copy = std::make_unique<fs::UniqueFile>(folder, ".tagmint-repair-", ".wav");
    if (!copy->isOpen() || !copyContents(source, copy->file())
        || ::fchmod(copy->file().handle(), mode & 07777) != 0)
        return nullptr;
    copy->file().close();
    return copy;
}

// A copy that is to take the file's place must keep its owner and group.
bool takeOwnerOf(const fs::UniqueFile& copy, const struct stat& original)
{
    const QByteArray& name = copy.fileSystemPath();
    struct stat info;
    if (::stat(name.constData(), &info) != 0)
        return false;
    if (info.st_uid == original.st_uid && info.st_gid == original.st_gid)
        return true;
    return ::chown(name.constData(), original.st_uid, original.st_gid) == 0;
}

bool decodes(const QString& path)
{
    const QByteArray name = toFileSystemPath(path);
    std::unique_ptr<audio::QZAudioReader> reader =
        audio::openAudioReader(name, audio::NoFFmpeg | audio::ProbeFlag);
    // Our own reader knows integer PCM only; float, ADPCM, mu-law and the
    // other codecs are FFmpeg's to decode.
    if (reader->error() == audio::FormatNotSupported)
        reader = audio::openAudioReader(name, audio::ProbeFlag);
    if (reader->error() != audio::NoError)
        return false;
    std::vector<qint16> samples;
    return reader->readPcm(samples) >= 0;
}

// What a save needs: TagLib reads the file with its INFO list, and our walk
// finds every chunk whole.
bool isMended(const QString& path)
{
    try {
        const QByteArray name = toFileSystemPath(path);
        TagLib::RIFF::WAV::File file(name.constData(), false, TagLib::AudioProperties::Average);
        if (!file.isValid() || !file.InfoTag() || !file.hasInfoTag())
            return false;
    } catch (...) {
        return false;
    }
    return riff::checkWaveFile(path) == riff::WaveCondition::Intact;
}

// Writes `mended` over the file itself, keeping its inode; `pristine` puts
// the old bytes back when that fails halfway.
bool overwrite(const QByteArray& path, const fs::UniqueFile& mended, const fs::UniqueFile& pristine)
{
    QFile target;
    QFile source;
    if (!fs::openFile(target, path, QIODevice::ReadWrite)
        || !fs::openFile(source, mended.fileSystemPath(), QIODevice::ReadOnly))
        return false;
    if (copyContents(source, target))
        return true;
    QFile old;
    if (fs::openFile(old, pristine.fileSystemPath(), QIODevice::ReadOnly))
        copyContents(old, target);
    return false;
}

struct Backup {
    QByteArray path;
    // The original is still at its own name too (a second hard link).
    bool linked = false;
};

// Gives the file its backup name: "NAME.wav.bak", or when that is taken
// "NAME.wav (copy 2).bak" and so on. Nothing already there is replaced, a
// link at the backup name included. A second hard link keeps the file at
// its own name until the mended copy replaces it in one step; where the
// file system has no hard links, the file is renamed.
std::optional<Backup> keepBackup(const QString& path)
{
    const QFileInfo info(path);
    const QByteArray from = toFileSystemPath(path);
    bool canLink = true;
    // Another program may take the free name first; then the next one.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::optional<QString> name =
            table::uniqueFileName(info.path(), info.fileName() + QStringLiteral(".bak"));
        if (!name)
            return std::nullopt;
        const QByteArray to = toFileSystemPath(*name);
        if (canLink && ::link(from.constData(), to.constData()) == 0)
            return Backup{to, true};
        if (canLink && errno != EEXIST)
            canLink = false;
        if (!canLink && fs::renameNoReplace(from, to))
            return Backup{to, false};
        if (errno != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

void putBack(const QByteArray& path, const fs::UniqueFile& pristine)
{
    QFile target;
    QFile old;
    if (fs::openFile(target, path, QIODevice::ReadWrite)
        && fs::openFile(old, pristine.fileSystemPath(), QIODevice::ReadOnly))
        copyContents(old, target);
}

} // namespace

bool repairWavFile(const QString& requestedPath)
{
    // Through a link, the file it names is mended and backed up beside it.
    const QString path = fs::canonicalPath(requestedPath);
    if (path.isEmpty())
        return false;
    const QString folder = QFileInfo(path).path();
    const QByteArray fsPath = toFileSystemPath(path);
    const QByteArray fsFolder = toFileSystemPath(folder);

    struct stat info;
    if (::stat(fsPath.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Replacing the file by renames would get round its write protection.
    if (isLocked(fsPath) || isLocked(fsFolder) || ::access(fsPath.constData(), W_OK) != 0)
        return false;
    const std::optional<quint64> freeSpace = freeSpaceIn(fsFolder);
    if (!freeSpace || quint64(info.st_size) > *freeSpace / kFreeSpaceFactor)
        return false;

    QFile original;
    if (!fs::openFile(original, fsPath, QIODevice::ReadOnly))
        return false;
    // A scratch copy beside the file can take its place by a rename.
    bool besideFile = true;
    std::unique_ptr<fs::UniqueFile> mended = makeCopy(original, folder, info.st_mode);
    if (!mended) {
        besideFile = false;
        mended = makeCopy(original, QDir::tempPath(), info.st_mode);
    }
    if (!mended)
        return false;

    const QString mendedPath = mended->path();
    if (!decodes(mendedPath) || !riff::mendWaveFile(mendedPath) || !isMended(mendedPath)
        || !decodes(mendedPath))
        return false;

    // Renames would cut other hard links off, could change the owner and
    // are refused in append-only folders; the file is then written over.
    if (besideFile && info.st_nlink == 1 && folderAllowsRenames(fsFolder) && takeOwnerOf(*mended, info)) {
        if (const std::optional<Backup> backup = keepBackup(path)) {
            if (::rename(mended->fileSystemPath().constData(), fsPath.constData()) == 0) {
                mended->keep();
                if (isMended(path))
                    return true;
                ::rename(backup->path.constData(), fsPath.constData());
                return false;
            }
            // (A rename between two links of one file would do nothing.)
            if (backup->linked ? ::unlink(backup->path.constData()) != 0
                               : ::rename(backup->path.constData(), fsPath.constData()) != 0)
                return false;
        }
    }

    // Outside the folder first: a folder that refuses renames may refuse
    // removing the scratch copy too.
    std::unique_ptr<fs::UniqueFile> pristine = makeCopy(original, QDir::tempPath(), info.st_mode);
    if (!pristine)
        pristine = makeCopy(original, folder, info.st_mode);
    if (!pristine || !overwrite(fsPath, *mended, *pristine))
        return false;
    if (isMended(path))
        return true;
    putBack(fsPath, *pristine);
    return false;
}

} // namespace tagmint::tags::wav
