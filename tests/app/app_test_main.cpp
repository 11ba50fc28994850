#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Widget tests need a QApplication; they run under the offscreen platform,
// with the user's cache and settings folders in a temporary folder.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // No window test may reach a real service: every service points at a
    // local address where nothing listens (tests start stand-ins as needed).
    for (const char* variable : {"TAGMINT_MUSICBRAINZ_URL", "TAGMINT_ACOUSTID_URL", "TAGMINT_COVERART_URL",
                                 "TAGMINT_ALBUMINFO_URL"})
        qputenv(variable, "http://127.0.0.1:9");
    // Keys come from the test's own settings.
    qunsetenv("TAGMINT_ACOUSTID_KEY");
    qunsetenv("TAGMINT_ALBUMINFO_KEY");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tagmint"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
