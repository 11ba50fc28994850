#pragma once
// File-system steps several subsystems share. Paths are path texts (see
// text::fromFileSystemPath): Qt's file classes would encode them as UTF-8
// and miss a file whose name is not, so these go through the bytes.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/types.h>

namespace tagmint::fs {

// Renames `from` to `to` only when nothing (not even a link) is at `to`;
// false with errno set otherwise. Atomic where the file system supports it,
// else a check just before the rename.
bool renameNoReplace(const QByteArray& from, const QByteArray& to);

// What a path names, links followed.
enum class PathKind { Missing, File, Folder, Other };
PathKind kindOf(const QString& path);

// True when anything is at the path, a dangling link included.
bool isTaken(const QString& path);

// Makes the folder and every missing folder above it; true when it is
// there afterwards.
bool makeFolders(const QByteArray& fileSystemPath);

// The path made absolute against the working folder, and cleaned.
QString absolutePath(const QString& path);

// The absolute path with every link, "." and ".." resolved; empty when
// nothing is there.
QString canonicalPath(const QString& path);

// Opens `file` on an existing file, QIODevice::ReadOnly or ReadWrite; the
// file closes the descriptor. False with errno set.
bool openFile(QFile& file, const QByteArray& fileSystemPath, QIODevice::OpenMode mode);

// A new file under a free name "PREFIX??????SUFFIX" in a folder, open for
// reading and writing; removed again when dropped unless kept.
class UniqueFile {
public:
    // `mode` goes through the umask as for any new file.
    UniqueFile(const QString& folder, const QByteArray& prefix, const QByteArray& suffix,
               mode_t mode = 0600);
    ~UniqueFile();
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    QFile& file() { return m_file; }
    const QByteArray& fileSystemPath() const { return m_name; }
    QString path() const;
    // Leaves the file (now usually under another name) where it is.
    void keep() { m_keep = true; }

private:
    QFile m_file;
    QByteArray m_name;
    bool m_keep = false;
};

} // namespace tagmint::fs
