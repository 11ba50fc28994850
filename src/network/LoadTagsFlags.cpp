#include "network/LoadTagsFlags.h"

namespace tagmint::network {

const QStringList& loadableKeys()
{
    static const QStringList keys = {
        QStringLiteral("title"), QStringLiteral("artist"),      QStringLiteral("album"),
        QStringLiteral("albumArtist"), QStringLiteral("year"), QStringLiteral("trackNumber"),
        QStringLiteral("tracksTotal"), QStringLiteral("image"),
    };
    return keys;
}

const QStringList& loadableTextKeys()
{
    static const QStringList keys = loadableKeys().mid(0, 6);
    return keys;
}

bool hasLoadableKeys(const QStringList& keys)
{
    for (const QString& key : keys) {
        if (loadableKeys().contains(key))
            return true;
    }
    return false;
}

QString loadTagsTitle(quint32 flags)
{
    switch (flags & kLoadTagsSourceMask) {
    case FromPaths:
        return QStringLiteral("Load Tags From Paths");
    case FromNetwork:
        return QStringLiteral("Load Tags From Network");
    default:
        return QStringLiteral("Load Tags From Network and Paths");
    }
}

QString loadTagsProgressText(quint32 flags)
{
    switch (flags & kLoadTagsSourceMask) {
    case FromPaths:
        return QStringLiteral("Loading tags from paths...");
    case FromNetwork:
        return QStringLiteral("Loading tags from network...");
    default:
        return QStringLiteral("Loading tags from network and paths...");
    }
}

} // namespace tagmint::network
