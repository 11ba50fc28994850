#pragma once
// A media file held open under an advisory lock: shared while its tags are
// read, exclusive while it is saved, so two saves of one file (from two
// windows, the command line, or any program that takes POSIX or OFD locks)
// never interleave and a reader never sees half a save.

#include "tags/FileFacts.h"

#include <QString>
#include <chrono>
#include <sys/stat.h>
#include <memory>

namespace tagmint::tags {

class LockedFile {
public:
    enum class Access {
        Read,       // shared lock
        Write,      // exclusive lock; read-only files fall back to a shared one
        Unlocked,   // reading back what a save of ours wrote: it holds the lock
    };

    // Opens the regular file at `path` and locks it, waiting at most
    // lockWaitLimit() for other holders. nullptr, with the reason in `error`,
    // when it cannot be opened, is no regular file or stays busy.
    static std::unique_ptr<LockedFile> open(const QString& path, Access access,
                                            QString* error = nullptr);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    int fd() const { return m_fd; }
    const QString& path() const { return m_path; }
    // Whether the process may change the file (for Write: it is open for
    // writing, and locked exclusively where the file system has locks).
    bool allowsWriting() const { return m_allowsWriting; }
    // The file as it was opened.
    const FileStamp& stamp() const { return m_stamp; }
    mode_t mode() const { return m_mode; }
    uid_t owner() const { return m_owner; }
    gid_t group() const { return m_group; }
    nlink_t linkCount() const { return m_links; }

    // After a save replaced the file: `fd`, open for reading and writing and
    // already locked exclusively, is the file from now on.
    void adopt(int fd);

    // Whether `path` names this very file (not one put there since).
    bool isAt(const QString& path) const;

    // Drops the lock; the file stays open.
    void unlock();

    // Takes an exclusive lock on `fd` at once; false when another holds one
    // or the file system has no locks.
    static bool lockExclusivelyNow(int fd);

    // How long open() waits for a busy file. Tests shorten it.
    static std::chrono::milliseconds lockWaitLimit();
    static void setLockWaitLimit(std::chrono::milliseconds limit);

    static QString busyReason();

private:
    LockedFile() = default;
    void takeFacts();
    void takeFacts(const struct stat& info);

    int m_fd = -1;
    QString m_path;
    bool m_allowsWriting = false;
    FileStamp m_stamp;
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
    nlink_t m_links = 0;
};

} // namespace tagmint::tags
