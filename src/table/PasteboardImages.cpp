#include "table/PasteboardImages.h"

#include <atomic>

namespace {

std::atomic<quint32> g_copyNumber{0};

} // namespace

PasteboardImages& PasteboardImages::shared()
{
    static PasteboardImages images;
    return images;
}

quint32 PasteboardImages::nextCopyNumber() { return ++g_copyNumber; }

QString PasteboardImages::token(const QString& key, quint32 copyNumber, int index)
{
    return QStringLiteral("%1%2-%3").arg(key).arg(copyNumber, 0, 16).arg(index, 0, 16);
}

QString PasteboardImages::addPastedPicture(const tagmint::tags::TagPicture& picture)
{
    const QString key = QStringLiteral("image%1").arg(nextCopyNumber(), 0, 16);
    m_pictures.insert(key, picture);
    return key;
}

tagmint::tags::TagPicture PasteboardImages::pictureForValue(const QString& key, const QString& value) const
{
    if (!value.startsWith(key))
        return {};
    return m_pictures.value(value);
}
