#pragma once
// Sets the immutable attribute on a path for the life of the object. Needs
// CAP_LINUX_IMMUTABLE and a file system that supports the attribute;
// isActive() tells whether it took.

#include "record/PathLock.h"
#include "util/TextConversion.h"

class ScopedImmutable {
public:
    explicit ScopedImmutable(const QString& path)
        : m_path(tagmint::text::toFileSystemPath(path))
    {
        LinuxFileFlags& access = LinuxFileFlags::instance();
        if (const auto flags = access.flags(m_path))
            m_active = access.setFlags(m_path, *flags | access.lockFlag());
    }
    ~ScopedImmutable() { release(); }
    ScopedImmutable(const ScopedImmutable&) = delete;
    ScopedImmutable& operator=(const ScopedImmutable&) = delete;

    bool isActive() const { return m_active; }
    void release()
    {
        LinuxFileFlags& access = LinuxFileFlags::instance();
        if (const auto flags = access.flags(m_path))
            access.setFlags(m_path, *flags & ~access.lockFlag());
        m_active = false;
    }

private:
    QByteArray m_path;
    bool m_active = false;
};
