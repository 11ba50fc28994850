// Which status message the bar shows, when it goes away, and the row count.

#include "table/StatusBarModel.h"

#include <gtest/gtest.h>

namespace {

class StatusBar : public ::testing::Test {
protected:
    qint64 now = 1'000'000;
    StatusBarModel bar{[this] { return now; }};

    void post(const QString& verb, int priority)
    {
        bar.notify(StatusNotification::makeMessage(verb, QString(), QString(), priority));
    }
};

} // namespace

TEST_F(StatusBar, EqualPrioritiesNeedAPauseBetweenThem)
{
    post(QStringLiteral("First"), 3);
    now += 100;
    post(QStringLiteral("Second"), 3);
    EXPECT_EQ(bar.messageLabel(), QStringLiteral("First"));
    now += 200;
    post(QStringLiteral("Third"), 3);
    EXPECT_EQ(bar.messageLabel(), QStringLiteral("Third"));
}

TEST_F(StatusBar, HigherPrioritiesHoldUntilTheyDecay)
{
    post(QStringLiteral("Important"), 4);
    now += 1000;
    bar.expire();
    post(QStringLiteral("Find"), 2);
    EXPECT_EQ(bar.messageLabel(), QStringLiteral("Important"));

    now += 600;
    ASSERT_TRUE(bar.nextDeadline());
    EXPECT_LE(*bar.nextDeadline(), now);
    bar.expire();
    EXPECT_EQ(bar.priority(), 0);
    post(QStringLiteral("Find"), 2);
    EXPECT_EQ(bar.messageLabel(), QStringLiteral("Find"));

    // A reset lets anything through at once.
    post(QStringLiteral("Big"), 9);
    bar.notify(StatusNotification::resetPriority());
    post(QStringLiteral("Small"), 1);
    EXPECT_EQ(bar.messageLabel(), QStringLiteral("Small"));
}

TEST_F(StatusBar, MessagesExpireAfterTheirLifetime)
{
    bar.notify(StatusNotification::makeMessage(QStringLiteral("Saved"), QStringLiteral("3 files"),
                                               QStringLiteral("3 files were saved."), 4));
    EXPECT_EQ(bar.messageLabel(), QStringLiteral("Saved: 3 files"));
    EXPECT_EQ(bar.messageToolTip(), QStringLiteral("Status of last operation. Click for more details."));

    now += 21'999;
    bar.expire();
    EXPECT_EQ(bar.message(), QStringLiteral("3 files were saved."));
    now += 1;
    bar.expire();
    EXPECT_TRUE(bar.messageLabel().isEmpty());
    EXPECT_EQ(bar.messageToolTip(), QStringLiteral("Status of last operation."));
    EXPECT_FALSE(bar.nextDeadline());
}

TEST(StatusNotification, SubjectsStartLowerCaseUnlessTheyAreColumnTitles)
{
    EXPECT_EQ(StatusNotification::makeMessage(QStringLiteral("Cleared"), QStringLiteral("Title"), {})
                  .shortMessage,
              QStringLiteral("title"));
    EXPECT_EQ(StatusNotification::makeMessage(QStringLiteral("Cleared"), QStringLiteral("Title"), {}, 3,
                                              StatusNotification::KeepSubjectCase)
                  .shortMessage,
              QStringLiteral("Title"));
}

TEST_F(StatusBar, RowCountExplainsFilteringAndChanges)
{
    bar.updateRowCount(10, 3, true);
    EXPECT_EQ(bar.countLabel(), QStringLiteral("3 of 10*"));
    EXPECT_EQ(bar.countDetails(), QStringLiteral("The table contains 10 rows.\n"
                                                 "3 rows were filtered.\n"
                                                 "* The table has modified cells."));

    bar.updateRowCount(1, 1, false);
    EXPECT_EQ(bar.countLabel(), QStringLiteral("1"));
    EXPECT_EQ(bar.countDetails(), QStringLiteral("The table contains 1 row."));

    bar.updateRowCount(4, 0, false);
    EXPECT_EQ(bar.countDetails(), QStringLiteral("The table contains 4 rows.\n"
                                                 "No rows were found that match to text to find."));

    post(QStringLiteral("Opened"), 3);
    bar.updateRowCount(0, 0, false);
    EXPECT_TRUE(bar.countLabel().isEmpty());
    EXPECT_TRUE(bar.messageLabel().isEmpty());
}
