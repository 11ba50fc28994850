#include "collection/FileUnlocker.h"

#include "record/PathLock.h"
#include "util/TextConversion.h"

namespace tagmint::collection {

bool FileUnlocker::isLocked(const QByteArray& path)
{
    const std::optional<quint32> own = m_flags.flags(path);
    if (own && (*own & m_flags.lockFlag()))
        return true;
    const QByteArray parent = record::lockTestedParent(path);
    if (parent.isEmpty())
        return false;
    const auto known = m_folderLocked.constFind(parent);
    if (known != m_folderLocked.constEnd())
        return *known;
    const bool locked = record::isPathLocked(text::fromFileSystemPath(parent), m_flags);
    m_folderLocked.insert(parent, locked);
    return locked;
}

void FileUnlocker::unlockIfLocked(const QString& path)
{
    if (path.isEmpty())
        return;
    QByteArray native = text::toFileSystemPath(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    if (!isLocked(native))
        return;
    record::unlockPath(path, m_flags);
    // Every folder above is unlocked now; what was known may be stale.
    m_folderLocked.clear();
}

} // namespace tagmint::collection
