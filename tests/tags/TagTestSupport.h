#pragma once
// Helpers of the tag tests: a wrapper opened for writing, file bytes,
// digests, plain images, what mutagen reads from ID3 frames, a full edit
// through the record, and the check that a damaged file is refused and
// never written.

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
#include <QMap>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

inline struct stat statOf(const QString& path)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
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

inline const QString kTitle = QString::fromUtf8("Ünïcode Title");

// Sets every editable field and an image through the record, saves, and
// checks that a reload reads them all; answers the digest of the image written.
inline QString editAndSave(const QString& path)
{
    const QImage image = solidImage(10, 6, Qt::darkRed);
    const QList<std::pair<const char*, QString>> values = {
        {"title", kTitle},        {"artist", "An Artist"},     {"album", "An Album"},
        {"albumArtist", "Album Artist"}, {"genre", "Ambient"}, {"comment", "A comment"},
        {"composer", "A Composer"}, {"grouping", "A Grouping"}, {"copyright", "2020 Label"},
        {"encodedBy", "An Encoder"}, {"initialKey", "C#m"},    {"tempo", "121"},
        {"year", "2020"},         {"trackNumber", "5"},        {"tracksTotal", "12"},
        {"discNumber", "1"},      {"discsTotal", "2"},
    };
    {
        QZTagLibRecord record(path, 0);
        for (const auto& [key, value] : values)
            record.setValue(value, QString::fromLatin1(key));
        record.setImage(image);
        EXPECT_TRUE(record.saveDataToTagAndDoRenaming());
    }
    QZTagLibRecord reloaded(path, 0);
    for (const auto& [key, value] : values)
        EXPECT_EQ(reloaded.value(QString::fromLatin1(key)).toString(), value) << key;
    EXPECT_EQ(reloaded.image().size(), QSize(10, 6));
    return encodedMd5(image);
}

// Every key of the object with its values as texts, pairs as "5/12".
inline QMap<QString, QString> texts(const QJsonObject& object)
{
    QMap<QString, QString> result;
    for (auto it = object.begin(); it != object.end(); ++it) {
        QStringList values;
        for (const QJsonValue& value : it.value().toArray()) {
            values << (value.isArray() ? QStringLiteral("%1/%2").arg(value[0].toInt()).arg(value[1].toInt())
                                       : value.isDouble() ? QString::number(value.toInt()) : value.toString());
        }
        result[it.key()] = values.join(QLatin1Char('|'));
    }
    return result;
}

// What editAndSave leaves in a Xiph comment.
inline const QMap<QString, QString> kEditedXiphFields = {
    {"TITLE", kTitle},         {"ARTIST", "An Artist"},     {"ALBUM", "An Album"},
    {"ALBUMARTIST", "Album Artist"}, {"ALBUMARTIST2", "Album Artist"}, {"GENRE", "Ambient"},
    {"COMMENT", "A comment"},  {"COMPOSER", "A Composer"},  {"GROUPING", "A Grouping"},
    {"COPYRIGHT", "2020 Label"}, {"ENCODEDBY", "An Encoder"}, {"INITIALKEY", "C#m"},
    {"BPM", "121"},            {"DATE", "2020"},            {"TRACKNUMBER", "5/12"},
    {"TRACKNUM", "5/12"},      {"DISCNUMBER", "1/2"},
};

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
