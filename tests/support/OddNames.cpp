#include "support/OddNames.h"

#include "support/TestFiles.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

namespace tagmint::test {

QByteArray oddFolderName()
{
    return QByteArray("Alb\xFCm \xC3");
}

QList<QByteArray> oddFileNames(const QByteArray& extension)
{
    QList<QByteArray> names;
    // Sixteen consecutive high bytes never form UTF-8.
    for (int first = 0x80; first < 0x100; first += 16) {
        QByteArray name = "bytes " + QByteArray::number(first, 16) + ' ';
        for (int byte = first; byte < first + 16; ++byte)
            name += char(byte);
        names << name + extension;
    }
    names << "lone \xC3 lead" + extension          // a lead byte without its follower
          << "overlong \xC0\xAF \xE0\x80\xAF" + extension
          << "surrogate \xED\xA0\x80" + extension
          << "cut \xE2\x82" + extension             // a sequence cut short
          << "Caf\xE9 - D\xE9j\xE0 vu \x92" + extension
          << "private \xEE\xBE\x80" + extension;    // valid UTF-8 of U+EF80
    return names;
}

OddNamesDir::OddNamesDir() = default;

OddNamesDir::~OddNamesDir()
{
    ::nftw(
        fileSystemPath().constData(),
        [](const char* path, const struct stat*, int, FTW* walk) {
            return walk->level == 0 ? 0 : ::remove(path);
        },
        16, FTW_DEPTH | FTW_PHYS);
}

QByteArray OddNamesDir::fileSystemPath(const QByteArray& relative) const
{
    const QByteArray root = QFile::encodeName(m_dir.path());
    return relative.isEmpty() ? root : root + '/' + relative;
}

QString OddNamesDir::path(const QByteArray& relative) const
{
    return text::fromFileSystemPath(fileSystemPath(relative));
}

QString OddNamesDir::makeFolder(const QByteArray& relative) const
{
    return fs::makeFolders(fileSystemPath(relative)) ? path(relative) : QString();
}

QString OddNamesDir::writeFile(const QByteArray& relative, const QByteArray& bytes) const
{
    const int fd = ::open(fileSystemPath(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return QString();
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written ? path(relative) : QString();
}

QString OddNamesDir::copyFixture(const QString& fixture, const QByteArray& relative) const
{
    QFile source(fixturePath(fixture));
    return source.open(QIODevice::ReadOnly) ? writeFile(relative, source.readAll()) : QString();
}

QList<QByteArray> OddNamesDir::entries(const QByteArray& relativeFolder) const
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(fileSystemPath(relativeFolder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << name;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tagmint::test
