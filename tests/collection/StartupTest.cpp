// What the program does at start and with dropped names: the open-file
// limit, its identity, and which dropped paths a window takes.

#include "collection/ApplicationIdentity.h"
#include "collection/DroppedFiles.h"
#include "collection/OpenFileLimit.h"
#include "support/TestFiles.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace tagmint;
using namespace tagmint::collection;

namespace {

// A stand-in for getrlimit/setrlimit that refuses values above a ceiling.
struct FakeLimits {
    rlimit current{256, 256};
    rlim_t ceiling = RLIM_INFINITY;
    QList<rlim_t> attempts;

    FileLimitAccess access()
    {
        return {[this](rlimit& limit) {
                    limit = current;
                    return true;
                },
                [this](const rlimit& limit) {
                    attempts.append(limit.rlim_cur);
                    if (limit.rlim_cur > ceiling)
                        return false;
                    current = limit;
                    return true;
                }};
    }
};

TEST(OpenFileLimit, RaisesALowLimitTo4096ElseTo10240)
{
    FakeLimits low;
    EXPECT_EQ(raiseOpenFileLimit(low.access()), 4096u);
    EXPECT_EQ(low.current.rlim_max, 4096u);

    FakeLimits refusing;
    refusing.ceiling = 1024;
    EXPECT_EQ(raiseOpenFileLimit(refusing.access()), 256u);
    EXPECT_EQ(refusing.attempts, (QList<rlim_t>{4096, 10240}));

    // Only 4096 refused (a hard limit in between is not a case the system
    // knows, but the order of tries is what counts).
    FakeLimits odd;
    bool first = true;
    FileLimitAccess access = odd.access();
    auto set = access.set;
    access.set = [&first, set](const rlimit& limit) {
        if (std::exchange(first, false))
            return false;
        return set(limit);
    };
    EXPECT_EQ(raiseOpenFileLimit(access), 10240u);

    FakeLimits high;
    high.current = {8192, 8192};
    EXPECT_EQ(raiseOpenFileLimit(high.access()), 8192u);
    EXPECT_TRUE(high.attempts.isEmpty());
}

TEST(ApplicationIdentity, FieldsAreCutAndMakeTheClientIdentification)
{
    ApplicationIdentity identity = tagmintIdentity("1.2");
    identity.vendorName = QString(300, 'v');
    setApplicationIdentity(identity);
    EXPECT_EQ(applicationIdentity().vendorName.size(), 259);
    EXPECT_EQ(clientIdentification(), "Tagmint/1.2 +https://tagmint.org");
}

TEST(DroppedFiles, KeepsExistingFoldersAndSupportedFiles)
{
    test::TempDir dir;
    const QString song = dir.copyFixture("plain.mp3");
    const QString text = dir.writeFile("notes.txt", "x");
    QDir(dir.path()).mkdir("Album");
    const QString folder = dir.filePath("Album");
    const QString upper = dir.copyFixture("plain.flac", "LOUD.FLAC");

    const QStringList names{QStringLiteral("\t") + song + QStringLiteral("\r\n"), text, folder,
                            dir.filePath("gone.mp3"), QString(), upper};
    EXPECT_EQ(droppedFiles(names), (QStringList{song, text, folder, upper}));
    EXPECT_EQ(droppedFilesSupportedByTagRecord(names), (QStringList{song, folder, upper}));
}

} // namespace
