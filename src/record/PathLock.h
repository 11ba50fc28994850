#pragma once
// The "locked" state of files and folders: Linux's immutable inode attribute
// (what `chattr +i` sets), on the path itself or any folder above it.

#include <QByteArray>
#include <QString>
#include <optional>

// Access to a path's inode flags. Separate so tests can stand in for file
// systems or users that refuse the attribute.
class FileFlagsAccess {
public:
    virtual ~FileFlagsAccess() = default;
    // nullopt when the flags cannot be read.
    virtual std::optional<quint32> flags(const QByteArray& path) const = 0;
    virtual bool setFlags(const QByteArray& path, quint32 flags) = 0;
    // The bit that marks a path as locked.
    virtual quint32 lockFlag() const = 0;
};

// FS_IOC_GETFLAGS / FS_IOC_SETFLAGS with FS_IMMUTABLE_FL.
class LinuxFileFlags : public FileFlagsAccess {
public:
    std::optional<quint32> flags(const QByteArray& path) const override;
    bool setFlags(const QByteArray& path, quint32 flags) override;
    quint32 lockFlag() const override;

    static LinuxFileFlags& instance();
};

namespace tagmint::record {

// The folder holding the path (file-system form), or empty when the lock
// walk stops there: the root and folders of fewer than 3 bytes are never
// tested.
QByteArray lockTestedParent(const QByteArray& path);

// True when the path or a folder above it carries the lock flag. The walk
// stops before the root folder.
bool isPathLocked(const QString& path, const FileFlagsAccess& access = LinuxFileFlags::instance());

// Clears the lock flag on the path and on every folder above it (not the
// root), leaving all other flags as they were. Silent where refused.
void unlockPath(const QString& path, FileFlagsAccess& access = LinuxFileFlags::instance());

} // namespace tagmint::record
