#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A QCoreApplication so image plugins and event-loop based code work as in
// the programs; the user's cache and settings folders point into a
// temporary folder so no test touches the real ones.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
