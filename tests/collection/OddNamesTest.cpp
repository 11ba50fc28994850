// File names that are not UTF-8 from the folder scan to the save and back:
// intake by folder, by path and by drop, edits, renames from tags and the
// WAV repair's backup, with the names' bytes checked on disk.

#include "CollectionTestSupport.h"
#include "collection/DroppedFiles.h"
#include "naming/FileNameComposer.h"
#include "support/OddNames.h"
#include "support/TestFiles.h"
#include "table/TableClipboard.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::collection;
using tagmint::text::fromFileSystemPath;
using tagmint::text::toFileSystemPath;

namespace {

class OddNames : public ::testing::Test {
protected:
    test::OddNamesDir dir;
    const QByteArray folder = test::oddFolderName();

    // Copies of a tagged MP3 under every odd name, and a FLAC and an M4A
    // file (their audio facts come from FFmpeg); the files' bytes, sorted.
    QList<QByteArray> fillFolder()
    {
        EXPECT_FALSE(dir.makeFolder(folder).isEmpty());
        QList<QByteArray> names = test::oddFileNames(".mp3");
        for (const QByteArray& name : names)
            EXPECT_FALSE(dir.copyFixture("tagged_v24.mp3", folder + '/' + name).isEmpty());
        names << "Caf\xE9.flac" << "\xE9t\xE9.m4a";
        EXPECT_FALSE(dir.copyFixture("tagged.flac", folder + "/Caf\xE9.flac").isEmpty());
        EXPECT_FALSE(dir.copyFixture("tagged.m4a", folder + "/\xE9t\xE9.m4a").isEmpty());
        std::sort(names.begin(), names.end());
        return names;
    }

    static QList<QByteArray> pathBytes(const RecordList& records)
    {
        QList<QByteArray> paths;
        for (const RecordPtr& record : records)
            paths << toFileSystemPath(record->path());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    QList<QByteArray> inFolder(const QList<QByteArray>& names) const
    {
        QList<QByteArray> paths;
        for (const QByteArray& name : names)
            paths << dir.fileSystemPath(folder + '/' + name);
        return paths;
    }

    SaveResult save(QZTagLibRecordDataArrayController& collection, const RecordList& records)
    {
        SaveResult result;
        EXPECT_TRUE(collection.save(records, {}, [&result](const SaveResult& r) { result = r; }, {},
                                    kRunInline));
        return result;
    }
};

} // namespace

TEST_F(OddNames, TheFolderScanPathsAndDropsOpenEveryFile)
{
    const QList<QByteArray> names = fillFolder();

    QZTagLibRecordDataArrayController scanned;
    const IntakeResult result =
        test::openInline(scanned, {dir.path(folder)}, {}, QZTagLibRecordDataArrayController::kRecordLimit, 0,
                         kLoadAudioProperties);
    EXPECT_EQ(result.added, names.size());
    EXPECT_EQ(result.unsupported, 0);
    EXPECT_EQ(pathBytes(scanned.arrangedObjects()), inFolder(names));
    for (const RecordPtr& record : scanned.arrangedObjects()) {
        SCOPED_TRACE(toFileSystemPath(record->path()).toHex().constData());
        EXPECT_FALSE(record->hasInvalidTags());
        EXPECT_FALSE(record->value("title").toString().isEmpty());
        EXPECT_GT(record->frequencySortValue(), 0);
    }

    // Given one by one, as a command line or the open panel gives them.
    QStringList given;
    for (const QByteArray& path : inFolder(names))
        given << fromFileSystemPath(path);
    QZTagLibRecordDataArrayController direct;
    EXPECT_EQ(test::openInline(direct, given).added, names.size());
    EXPECT_EQ(pathBytes(direct.arrangedObjects()), inFolder(names));

    // Dropped: a file manager's URLs carry the bytes percent-encoded.
    QMimeData drop;
    QList<QUrl> urls;
    for (const QByteArray& path : inFolder(names))
        urls << QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
    urls << QUrl::fromEncoded("file://" + dir.fileSystemPath(folder).toPercentEncoding("/"));
    drop.setUrls(urls);
    EXPECT_EQ(droppedFilesSupportedByTagRecord(table::localFilesFromMimeData(&drop)), given << dir.path(folder));
}

TEST_F(OddNames, EditsAndRenamesKeepTheBytesTheyDoNotChange)
{
    ASSERT_FALSE(dir.makeFolder(folder).isEmpty());
    const QByteArray name = "Caf\xE9 - D\xE9j\xE0 vu \x92.mp3";
    const QString path = dir.copyFixture("tagged_v24.mp3", folder + '/' + name);
    QZTagLibRecordDataArrayController collection;
    const RecordPtr record = test::makeRecord(path);
    collection.addObjects({record});

    // Shown as people read it; the path names the bytes.
    EXPECT_EQ(record->value("filename").toString(), QString::fromUtf8("Café - Déjà vu ’"));
    EXPECT_EQ(record->value("folder").toString(), QString::fromUtf8("Albüm Ã"));
    EXPECT_EQ(record->value("path").toString(), text::readable(path));
    EXPECT_TRUE(record->value("path").toString().endsWith(QString::fromUtf8("/Albüm Ã/Café - Déjà vu ’.mp3")));
    EXPECT_EQ(record->path(), path);

    record->setValue(QStringLiteral("Edited"), QStringLiteral("title"));
    EXPECT_EQ(save(collection, {record}).saved, 1);
    EXPECT_EQ(dir.entries(folder), QList<QByteArray>{name});
    EXPECT_EQ(test::makeRecord(path)->value("title").toString(), "Edited");
    EXPECT_FALSE(record->isDirty());

    // Named after its tags: the new name in UTF-8, in the same folder.
    record->setValue(QStringLiteral("Zoë"), QStringLiteral("artist"));
    record->setValue(naming::composeFileName(record.get(), naming::ComposeArtist | naming::ComposeTitle),
                     QStringLiteral("filename"));
    SaveResult result = save(collection, {record});
    EXPECT_EQ(result.saved, 1);
    EXPECT_EQ(result.renameFailed, 0);
    const QByteArray composed = "Zo\xC3\xAB Edited.mp3";
    EXPECT_EQ(dir.entries(folder), QList<QByteArray>{composed});
    EXPECT_EQ(toFileSystemPath(record->path()), dir.fileSystemPath(folder + '/' + composed));
    EXPECT_EQ(test::makeRecord(record->path())->value("artist").toString(), QString::fromUtf8("Zoë"));

    // A file whose name is left alone keeps every byte through a rename of
    // its neighbour and a save of its own.
    const QByteArray other = test::oddFileNames(".mp3").first();
    const RecordPtr neighbour = test::makeRecord(dir.copyFixture("tagged_v24.mp3", folder + '/' + other));
    collection.addObjects({neighbour});
    neighbour->setValue(QStringLiteral("Other"), QStringLiteral("title"));
    record->setValue(QStringLiteral("Back"), QStringLiteral("filename"));
    result = save(collection, {record, neighbour});
    EXPECT_EQ(result.saved, 2);
    EXPECT_EQ(dir.entries(folder), (QList<QByteArray>{"Back.mp3", other}));
    EXPECT_EQ(test::makeRecord(neighbour->path())->value("title").toString(), "Other");
}

TEST_F(OddNames, ADamagedWavIsBackedUpBesideItsName)
{
    ASSERT_FALSE(dir.makeFolder(folder).isEmpty());
    // info.wav with its data chunk cut short, as an interrupted copy leaves it.
    QFile fixture(test::fixturePath("info.wav"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray cut = fixture.readAll().left(3299);
    const QByteArray name = "Caf\xE9 \xC3.wav";
    const QString path = dir.writeFile(folder + '/' + name, cut);

    QZTagLibRecordDataArrayController collection;
    const RecordPtr record = test::makeRecord(path);
    collection.addObjects({record});
    record->setValue(QStringLiteral("Repaired"), QStringLiteral("title"));
    EXPECT_EQ(save(collection, {record}).saved, 1);
    EXPECT_EQ(dir.entries(folder), (QList<QByteArray>{name, name + ".bak"}));
    QFile backup;
    ASSERT_TRUE(fs::openFile(backup, dir.fileSystemPath(folder + '/' + name + ".bak"), QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), cut);
    EXPECT_EQ(test::makeRecord(path)->value("title").toString(), "Repaired");
}
