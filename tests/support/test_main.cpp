#include <QCoreApplication>
#include <gtest/gtest.h>

// A QCoreApplication so image plugins and event-loop based code work as in
// the programs.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
