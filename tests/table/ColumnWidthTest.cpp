// Auto-size and auto-fit widths, measured with a fake font of 7 points per
// character.

#include "table/ColumnWidth.h"

#include <gtest/gtest.h>

using namespace tagmint::table;

namespace {

ColumnContent contentOf(const QStringList& texts)
{
    ColumnContent content;
    content.texts = [texts](const QString&) { return texts; };
    content.measure = [](const QString& text) { return 7.0 * double(text.size()); };
    return content;
}

float autoWidth(const QString& identifier, AutoWidth type, const ColumnContent& content)
{
    return autoWidthOfColumn(*columnDescription(identifier), type, content);
}

} // namespace

TEST(ColumnWidth, AutoSizeTakesTheLongestTextWithAMarginWithinTheLimits)
{
    const ColumnContent content = contentOf({QString(20, 'a'), QString(30, 'b'), ""});
    EXPECT_EQ(autoWidth("title", AutoWidth::Size, content), 230);
    // The file-name column keeps 30 points after its longest name.
    EXPECT_EQ(autoWidth("filename", AutoWidth::Size, content), 240);
    EXPECT_EQ(autoWidth("title", AutoWidth::Size, contentOf({"ab"})), 70);
    EXPECT_EQ(autoWidth("title", AutoWidth::Size, contentOf({QString(500, 'x'), "ab"})), 600);
    EXPECT_EQ(autoWidth("title", AutoWidth::Size, contentOf({})), 70);
}

TEST(ColumnWidth, AutoFitAveragesTheTextsThatReachTheMinimum)
{
    // 140 and 280 count; 14 is below the minimum of 70 and stays out.
    const ColumnContent content = contentOf({QString(20, 'a'), QString(40, 'b'), "cc"});
    EXPECT_EQ(autoWidth("title", AutoWidth::Fit, content), 210);
    EXPECT_EQ(autoWidth("title", AutoWidth::Fit, contentOf({"a", "b"})), 70);
    EXPECT_EQ(autoWidth("title", AutoWidth::Fit, contentOf({QString(200, 'x')})), 600);
}

TEST(ColumnWidth, FixedColumnsAndNoFontChangeNothingArtworkTakesItsLimits)
{
    ColumnContent content = contentOf({QString(20, 'a')});
    EXPECT_EQ(autoWidth("frequency", AutoWidth::Size, content), 0);   // 100 to 100
    EXPECT_EQ(autoWidth("pathext", AutoWidth::Fit, content), 0);
    EXPECT_EQ(autoWidth("num", AutoWidth::Size, content), 0);
    content.measure = nullptr;
    EXPECT_EQ(autoWidth("title", AutoWidth::Size, content), 0);
    EXPECT_EQ(autoWidth("image", AutoWidth::Size, content), 120);
    EXPECT_EQ(autoWidth("image", AutoWidth::Fit, content), 50);
}

// 20,000 rows: only the texts that can decide the width are measured, and
// the widest is found also when it has fewer characters than many others.
TEST(ColumnWidth, BigColumnsMeasureOnlyTheTextsThatCanDecide)
{
    QStringList texts;
    for (int row = 0; row < 20000; ++row)
        texts << QStringLiteral("Title number %1 of the long list").arg(row, 5, 10, QLatin1Char('0'));
    texts[12345] = QString(24, QChar(0x6F22));   // 24 wide characters: 336 points
    ColumnContent content;
    content.texts = [&texts](const QString&) { return texts; };
    int measured = 0;
    content.measure = [&measured](const QString& text) {
        ++measured;
        return 7.0 * double(estimatedTextWidth(text));
    };
    EXPECT_EQ(autoWidth("title", AutoWidth::Size, content), 356);
    EXPECT_LE(measured, kWidestCandidates);

    // The same text in every row is measured once; the average comes from
    // a sample of the rows.
    measured = 0;
    texts = QStringList(20000, QString(30, 'a'));
    EXPECT_EQ(autoWidth("album", AutoWidth::Size, content), 230);
    EXPECT_EQ(measured, 1);
    for (int row = 0; row < texts.size(); row += 2)
        texts[row] = QString(20, 'b') + QString::number(row);
    measured = 0;
    EXPECT_NEAR(autoWidth("album", AutoWidth::Fit, content), (210 + 7 * 24.5) / 2, 2);
    EXPECT_LE(measured, kAverageSample + 1);
}
