#include "settings/PersistentCacheStore.h"

#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>
#include <optional>

using tagmint::test::TempDir;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray entryBytes(quint32 magic, quint32 time, quint32 length, const QByteArray& data)
{
    QByteArray bytes(12, Qt::Uninitialized);
    qToLittleEndian(magic, bytes.data());
    qToLittleEndian(time, bytes.data() + 4);
    qToLittleEndian(length, bytes.data() + 8);
    return bytes + data;
}

quint32 now()
{
    return quint32(QDateTime::currentSecsSinceEpoch());
}

// Sets an environment variable for one scope and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

class PersistentCacheStoreTest : public ::testing::Test {
protected:
    TempDir root;
};

TEST_F(PersistentCacheStoreTest, UserCacheRootFollowsTheEnvironment)
{
    {
        ScopedEnv xdg("XDG_CACHE_HOME", QByteArray("/var/tmp/xdg-cache"));
        EXPECT_EQ(PersistentCacheStore::userCacheRoot(), QStringLiteral("/var/tmp/xdg-cache"));
    }
    {
        ScopedEnv xdg("XDG_CACHE_HOME", std::nullopt);
        ScopedEnv home("HOME", QByteArray("/home/someone"));
        EXPECT_EQ(PersistentCacheStore::userCacheRoot(), QStringLiteral("/home/someone/.cache"));
        // A relative XDG folder is not a folder by the XDG rules.
        ScopedEnv relative("XDG_CACHE_HOME", QByteArray("cache"));
        EXPECT_EQ(PersistentCacheStore::userCacheRoot(), QStringLiteral("/home/someone/.cache"));
    }
    {
        ScopedEnv xdg("XDG_CACHE_HOME", std::nullopt);
        ScopedEnv home("HOME", std::nullopt);
        ScopedEnv logname("LOGNAME", QByteArray("alice"));
        ScopedEnv user("USER", QByteArray("bob"));
        EXPECT_EQ(PersistentCacheStore::userCacheRoot(), QStringLiteral("/home/alice/.cache"));
        ScopedEnv noLogname("LOGNAME", std::nullopt);
        EXPECT_EQ(PersistentCacheStore::userCacheRoot(), QStringLiteral("/home/bob/.cache"));
    }
}

TEST_F(PersistentCacheStoreTest, FileKeysAndBuckets)
{
    // Blanks, controls and the punctuation list become "_", letters fold.
    EXPECT_EQ(PersistentCacheStore::fileKey("Hello World"), "hello_world");
    EXPECT_EQ(PersistentCacheStore::fileKey("a!@#$%^&*()-+=\\/?><;\"'[]{}|~`b"), "a____________________________b");
    EXPECT_EQ(PersistentCacheStore::fileKey("tab\there.new\n"), "tab_here.new_");
    // 63 bytes keep their name; 64 become the MD5 digest.
    const QByteArray key63(63, 'K');
    EXPECT_EQ(PersistentCacheStore::fileKey(key63), QByteArray(63, 'k'));
    EXPECT_EQ(PersistentCacheStore::fileKey(QByteArray(64, 'x')), "c1bb4f81d892b2d57947682aeb252456");

    // Known answers, computed independently; the last has bytes above 127,
    // which the hash takes as negative.
    EXPECT_EQ(PersistentCacheStore::bucketOf("abc"), 212);
    EXPECT_EQ(PersistentCacheStore::bucketOf("hello_world"), 97);
    EXPECT_EQ(PersistentCacheStore::bucketOf("c1bb4f81d892b2d57947682aeb252456"), 75);
    EXPECT_EQ(PersistentCacheStore::bucketOf(QByteArray("caf\xc3\xa9")), 118);

    PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
    EXPECT_EQ(store.directory(), root.path() + QStringLiteral("/tagmint/Answers"));
    EXPECT_EQ(store.entryPath("Hello World"), store.directory() + QStringLiteral("/97/hello_world"));
}

TEST_F(PersistentCacheStoreTest, EntryFileFormatByteByByte)
{
    PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
    const quint32 before = now();
    ASSERT_TRUE(store.put("key", QByteArray("\x00\x01payload", 9)));
    const quint32 after = now();

    const QByteArray bytes = readAll(store.entryPath("key"));
    ASSERT_EQ(bytes.size(), 12 + 9);
    EXPECT_EQ(bytes.left(4), QByteArray("\x04\x03\x02\x01", 4));  // 0x01020304, little-endian
    const quint32 written = qFromLittleEndian<quint32>(bytes.constData() + 4);
    EXPECT_GE(written, before);
    EXPECT_LE(written, after);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 8), 9u);
    EXPECT_EQ(bytes.mid(12), QByteArray("\x00\x01payload", 9));
    // Nothing else lies in the bucket: the temporary file was renamed.
    EXPECT_EQ(QDir(QFileInfo(store.entryPath("key")).path()).entryList(QDir::Files).size(), 1);
}

TEST_F(PersistentCacheStoreTest, PutReplacesGetAnswersAlikeKeysShare)
{
    PersistentCacheStore store(QStringLiteral("Answers"), 3600, 0, root.path());
    QByteArray data;
    quint32 time = 0;
    EXPECT_EQ(store.get("never written", &data), PersistentCacheStore::Absent);
    EXPECT_FALSE(store.put("", "x"));
    EXPECT_EQ(store.get("", &data), PersistentCacheStore::Absent);

    ASSERT_TRUE(store.put("k", "a much longer first value"));
    ASSERT_TRUE(store.put("k", "short"));
    EXPECT_EQ(store.get("k", &data, &time), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "short");
    EXPECT_NEAR(double(time), double(now()), 5.0);

    // Empty data is an entry too.
    ASSERT_TRUE(store.put("empty", QByteArray()));
    EXPECT_EQ(store.get("empty", &data), PersistentCacheStore::Fresh);
    EXPECT_TRUE(data.isEmpty());

    // Keys that sanitise alike share an entry.
    ASSERT_TRUE(store.put("Some Key", "first"));
    EXPECT_EQ(store.get("some_key", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "first");
    ASSERT_TRUE(store.put(QByteArray(70, 'q'), "long"));
    EXPECT_EQ(store.get(QByteArray(70, 'Q'), &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "long");
}

TEST_F(PersistentCacheStoreTest, OldEntriesAnswerAsExpiredWithTheirData)
{
    PersistentCacheStore weekly(QStringLiteral("Weekly"), 604800, 0, root.path());
    ASSERT_TRUE(weekly.put("k", "old answer"));
    const quint32 eightDaysAgo = now() - 8 * 86400;
    writeAll(weekly.entryPath("k"), entryBytes(0x01020304, eightDaysAgo, 10, "old answer"));

    QByteArray data;
    quint32 time = 0;
    EXPECT_EQ(weekly.get("k", &data, &time), PersistentCacheStore::Expired);
    EXPECT_EQ(data, "old answer");
    EXPECT_EQ(time, eightDaysAgo);

    // A lifetime of 0 never expires.
    PersistentCacheStore noLifetime(QStringLiteral("NoLifetime"), 0, 0, root.path());
    ASSERT_TRUE(noLifetime.put("k", "x"));
    writeAll(noLifetime.entryPath("k"), entryBytes(0x01020304, 1, 1, "x"));
    EXPECT_EQ(noLifetime.get("k", &data), PersistentCacheStore::Fresh);
}

TEST_F(PersistentCacheStoreTest, DamagedEntriesReadAsAbsentAndAreReplaced)
{
    PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
    ASSERT_TRUE(store.put("k", "good"));
    const QString path = store.entryPath("k");
    const quint32 t = now();

    struct Damage {
        const char* what;
        QByteArray bytes;
    };
    const Damage damages[] = {
        {"wrong magic", entryBytes(0x04030201, t, 4, "good")},
        {"short header", entryBytes(0x01020304, t, 4, "good").left(11)},
        {"short data", entryBytes(0x01020304, t, 10, "good")},
        {"absurd length", entryBytes(0x01020304, t, 0xfffffff0u, "good")},
        {"empty file", QByteArray()},
    };
    for (const Damage& damage : damages) {
        writeAll(path, damage.bytes);
        QByteArray data = "untouched";
        EXPECT_EQ(store.get("k", &data), PersistentCacheStore::Absent) << damage.what;
        EXPECT_EQ(data, "untouched") << damage.what;
        ASSERT_TRUE(store.put("k", "again")) << damage.what;
        EXPECT_EQ(store.get("k", &data), PersistentCacheStore::Fresh) << damage.what;
        EXPECT_EQ(data, "again") << damage.what;
    }
}

TEST_F(PersistentCacheStoreTest, AFolderThatCannotBeMadeAnswersNothing)
{
    // A regular file where a folder should be.
    const QString blocker = root.writeFile(QStringLiteral("blocker"), "not a folder");
    PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, blocker);
    EXPECT_FALSE(store.isUsable());
    EXPECT_FALSE(store.put("k", "v"));
    QByteArray data;
    EXPECT_EQ(store.get("k", &data), PersistentCacheStore::Absent);
}

TEST_F(PersistentCacheStoreTest, RemoveOnDestroyFlag)
{
    QString kept;
    QString removed;
    {
        PersistentCacheStore keep(QStringLiteral("Keep"), 0, 0, root.path());
        PersistentCacheStore drop(QStringLiteral("Drop"), 0, PersistentCacheStore::RemoveOnDestroy, root.path());
        ASSERT_TRUE(keep.put("k", "v"));
        ASSERT_TRUE(drop.put("k", "v"));
        kept = keep.directory();
        removed = drop.directory();
    }
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_FALSE(QFileInfo::exists(removed));
}

// --- Batches ----------------------------------------------------------------

using Batch = std::vector<std::pair<QByteArray, QByteArray>>;

QStringList batchFiles(const PersistentCacheStore& store)
{
    return QDir(store.directory() + QStringLiteral("/batches")).entryList(QDir::Files | QDir::Hidden);
}

// Rewrites every batch entry's time of writing (they carry the entry
// file's header after the key).
void setBatchTimes(const PersistentCacheStore& store, quint32 time)
{
    for (const QString& name : batchFiles(store)) {
        const QString path = store.directory() + QStringLiteral("/batches/") + name;
        QByteArray bytes = readAll(path);
        for (qsizetype at = bytes.indexOf(QByteArray("\x04\x03\x02\x01", 4)); at >= 0;
             at = bytes.indexOf(QByteArray("\x04\x03\x02\x01", 4), at + 1))
            qToLittleEndian(time, bytes.data() + at + 4);
        writeAll(path, bytes);
    }
}

TEST_F(PersistentCacheStoreTest, BatchEntriesAnswerLikeEntryFiles)
{
    PersistentCacheStore store(QStringLiteral("Answers"), 3600, 0, root.path());
    const QByteArray longKey(70, 'L');
    const quint32 before = now();
    ASSERT_TRUE(store.putBatch({{"first", "one"}, {"Second Key", "two"}, {longKey, "long"}, {"empty", ""}}));
    ASSERT_TRUE(store.putBatch({{"first", "one again"}}));
    EXPECT_FALSE(store.putBatch({{"", "no key"}}));

    // Read by this store and by a second one, as another process would.
    PersistentCacheStore other(QStringLiteral("Answers"), 3600, 0, root.path());
    for (PersistentCacheStore* reader : {&store, &other}) {
        QByteArray data;
        quint32 time = 0;
        EXPECT_EQ(reader->get("first", &data, &time), PersistentCacheStore::Fresh);
        EXPECT_EQ(data, "one again");
        EXPECT_GE(time, before);
        EXPECT_EQ(reader->get("second_key", &data), PersistentCacheStore::Fresh);  // alike keys share
        EXPECT_EQ(data, "two");
        EXPECT_EQ(reader->get(longKey, &data), PersistentCacheStore::Fresh);
        EXPECT_EQ(data, "long");
        data = "stale";
        EXPECT_EQ(reader->get("empty", &data), PersistentCacheStore::Fresh);
        EXPECT_TRUE(data.isEmpty());
        EXPECT_EQ(reader->get("never", &data), PersistentCacheStore::Absent);
    }
    // Two batches, no entry files and nothing half-written left behind.
    EXPECT_EQ(batchFiles(store).size(), 2);
    EXPECT_FALSE(QFileInfo::exists(store.entryPath("first")));

    setBatchTimes(store, now() - 7200);
    PersistentCacheStore later(QStringLiteral("Answers"), 3600, 0, root.path());
    QByteArray data;
    EXPECT_EQ(later.get("first", &data), PersistentCacheStore::Expired);
    EXPECT_EQ(data, "one again");
}

TEST_F(PersistentCacheStoreTest, EntryFilesOfOtherProcessesAreFoundInNewBucketFolders)
{
    // A store written in batches has no bucket folders and does not look
    // for entry files there; a bucket folder made since is listed within a
    // second.
    PersistentCacheStore reader(QStringLiteral("Answers"), 0, 0, root.path());
    ASSERT_TRUE(reader.putBatch({{"batched", "from a batch"}}));
    QByteArray data;
    EXPECT_EQ(reader.get("written later", &data), PersistentCacheStore::Absent);

    PersistentCacheStore writer(QStringLiteral("Answers"), 0, 0, root.path());
    ASSERT_TRUE(writer.put("written later", "from an entry file"));
    QThread::msleep(1100);
    EXPECT_EQ(reader.get("written later", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "from an entry file");
    EXPECT_EQ(reader.get("batched", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "from a batch");
}

TEST_F(PersistentCacheStoreTest, TheNewerOfEntryFileAndBatchAnswers)
{
    {
        PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
        ASSERT_TRUE(store.put("k", "from the entry file"));
        ASSERT_TRUE(store.putBatch({{"k", "from the batch"}}));
        writeAll(store.entryPath("k"), entryBytes(0x01020304, now() - 100, 19, "from the entry file"));
    }
    PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
    QByteArray data;
    EXPECT_EQ(store.get("k", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "from the batch");

    // An entry file written after the batch wins; a damaged one does not.
    writeAll(store.entryPath("k"), entryBytes(0x01020304, now() + 100, 5, "newer"));
    EXPECT_EQ(store.get("k", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "newer");
    writeAll(store.entryPath("k"), entryBytes(0x01020304, now() + 100, 50, "cut short"));
    EXPECT_EQ(store.get("k", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "from the batch");
}

TEST_F(PersistentCacheStoreTest, DamagedOrUnfinishedBatchesGiveOnlyWholeEntries)
{
    QString batch;
    {
        PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
        ASSERT_TRUE(store.putBatch({{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}}));
        batch = store.directory() + QStringLiteral("/batches/") + batchFiles(store).value(0);
        // A batch another process is still writing has a hidden name.
        writeAll(store.directory() + QStringLiteral("/batches/.unfinished"),
                 readAll(batch).replace("alpha", "ALPHA"));
    }
    const QByteArray whole = readAll(batch);
    const qsizetype betaEnds = whole.indexOf("beta") + 4;
    struct Damage {
        const char* what;
        QByteArray bytes;
        QByteArray expected[3];   // a, b, c; empty: absent
    };
    QByteArray wrongMagic = whole;
    wrongMagic[betaEnds + 4 + 1 + 1] = 'X';   // the header magic of "c"
    const Damage damages[] = {
        {"whole", whole, {"alpha", "beta", "gamma"}},
        {"cut inside the last entry", whole.left(whole.size() - 2), {"alpha", "beta", {}}},
        {"cut after an entry", whole.left(betaEnds), {"alpha", "beta", {}}},
        {"a damaged entry header", wrongMagic, {"alpha", "beta", {}}},
        {"a foreign file", QByteArray("QZCX") + whole.mid(4), {{}, {}, {}}},
        {"no bytes", QByteArray(), {{}, {}, {}}},
    };
    for (const Damage& damage : damages) {
        writeAll(batch, damage.bytes);
        PersistentCacheStore store(QStringLiteral("Answers"), 0, 0, root.path());
        const char* keys[] = {"a", "b", "c"};
        for (int i = 0; i < 3; ++i) {
            QByteArray data;
            const auto lookup = store.get(keys[i], &data);
            EXPECT_EQ(lookup, damage.expected[i].isEmpty() ? PersistentCacheStore::Absent
                                                           : PersistentCacheStore::Fresh)
                << damage.what << " " << keys[i];
            if (lookup != PersistentCacheStore::Absent) {
                EXPECT_EQ(data, damage.expected[i]) << damage.what;
            }
        }
    }
}

TEST_F(PersistentCacheStoreTest, ManyBatchesAreMergedAndReadersOfTheOldOnesGoOn)
{
    PersistentCacheStore writer(QStringLiteral("Answers"), 0, 0, root.path());
    ASSERT_TRUE(writer.putBatch({{"kept", "first value"}, {"replaced", "old"}}));
    PersistentCacheStore reader(QStringLiteral("Answers"), 0, 0, root.path());
    QByteArray data;
    ASSERT_EQ(reader.get("kept", &data), PersistentCacheStore::Fresh);   // indexes the first batch

    ASSERT_TRUE(writer.putBatch({{"replaced", "new"}}));
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(writer.putBatch({{"key " + QByteArray::number(i), QByteArray::number(i)}}));
    EXPECT_LE(batchFiles(writer).size(), 8);

    PersistentCacheStore fresh(QStringLiteral("Answers"), 0, 0, root.path());
    for (PersistentCacheStore* store : {&writer, &fresh}) {
        EXPECT_EQ(store->get("kept", &data), PersistentCacheStore::Fresh);
        EXPECT_EQ(data, "first value");
        EXPECT_EQ(store->get("replaced", &data), PersistentCacheStore::Fresh);
        EXPECT_EQ(data, "new");
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(store->get("key " + QByteArray::number(i), &data), PersistentCacheStore::Fresh);
            EXPECT_EQ(data, QByteArray::number(i));
        }
    }
    // The merge removed the first batch; the reader still holds it open.
    EXPECT_EQ(reader.get("kept", &data), PersistentCacheStore::Fresh);
    EXPECT_EQ(data, "first value");
}

} // namespace
