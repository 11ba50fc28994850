#pragma once
// Unlocks the files a job visits when they or a folder above them carry the
// lock flag. Remembers which folders were found unlocked, so a folder of
// thousands of files is tested once instead of once per file.

#include <QByteArray>
#include <QHash>
#include <QString>

class FileFlagsAccess;

namespace tagmint::collection {

class FileUnlocker {
public:
    explicit FileUnlocker(FileFlagsAccess& flags) : m_flags(flags) {}

    // Clears the lock flag on the path and the folders above it (not the
    // root) when any of them carries it.
    void unlockIfLocked(const QString& path);

private:
    bool isLocked(const QByteArray& path);

    FileFlagsAccess& m_flags;
    QHash<QByteArray, bool> m_folderLocked;
};

} // namespace tagmint::collection
