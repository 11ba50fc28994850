#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need a QApplication; they run under the offscreen platform.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // No window test may reach a real service: every service points at a
    // local address where nothing listens (tests start stand-ins as needed).
    for (const char* variable : {"TAGMINT_MUSICBRAINZ_URL", "TAGMINT_ACOUSTID_URL", "TAGMINT_COVERART_URL",
                                 "TAGMINT_ALBUMINFO_URL"})
        qputenv(variable, "http://127.0.0.1:9");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tagmint"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
