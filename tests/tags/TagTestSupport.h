#pragma once
// Helpers of the tag tests: a wrapper opened for writing, file bytes,
// digests, plain images, what mutagen reads from ID3 frames, and the check
// that a damaged file is refused and never written.

#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"
#include "tags/ImageCodec.h"
#include "tags/LockedFile.h"
#include "tags/QZTagLibTag.h"
#include "tags/SafeFileCommit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace tagmint::test {

inline std::unique_ptr<QZTagLibTag> openTag(const QString& path)
{
    return QZTagLibTag::tagWithPath(path, QZTagLibTag::OpenForWriting);
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Stands in for the free space of every volume while it lives.
class FreeSpaceOverride {
public:
    explicit FreeSpaceOverride(tags::FreeSpaceProbe probe) : m_previous(tags::setFreeSpaceProbe(probe)) {}
    ~FreeSpaceOverride() { tags::setFreeSpaceProbe(m_previous); }

private:
    tags::FreeSpaceProbe m_previous;
};

// Shortens the wait for a busy file while it lives.
class LockWaitOverride {
public:
    explicit LockWaitOverride(std::chrono::milliseconds wait) : m_previous(tags::LockedFile::lockWaitLimit())
    {
        tags::LockedFile::setLockWaitLimit(wait);
    }
    ~LockWaitOverride() { tags::LockedFile::setLockWaitLimit(m_previous); }

private:
    std::chrono::milliseconds m_previous;
};

inline QString md5(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// The digest of the bytes a tag stores for the image.
inline QString encodedMd5(const QImage& image)
{
    return md5(tagmint::tags::encodeImage(image).bytes);
}

inline QImage solidImage(int width, int height, Qt::GlobalColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The texts of one ID3 frame in what mutagenRead answered.
inline QStringList frameTexts(const QJsonObject& seen, const char* id)
{
    QStringList texts;
    for (const QJsonValue& value : seen["frames"].toObject()[QLatin1String(id)].toArray())
        texts << value.toString();
    return texts;
}

// A damaged file: no wrapper opens it, its record has invalid tags, and a
// save through the record leaves every byte as it was.
inline void expectRefusedAndNeverWritten(const TempDir& dir, const char* name, const QByteArray& bytes)
{
    SCOPED_TRACE(name);
    const QString path = dir.writeFile(QString::fromLatin1(name), bytes);
    EXPECT_FALSE(QZTagLibTag::tagWithPath(path, 0));
    QZTagLibRecord record(path, 0);
    EXPECT_TRUE(record.hasInvalidTags());
    record.setValue(QStringLiteral("New"), QStringLiteral("title"));
    record.saveDataToTagAndDoRenaming();
    EXPECT_EQ(readAll(path), bytes);
}

} // namespace tagmint::test
