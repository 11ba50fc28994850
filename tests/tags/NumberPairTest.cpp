#include "tags/NumberPair.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tagmint::tags;

namespace {

TEST(NumberPair, ParsesTheFormsFoundInTags)
{
    const struct {
        const char* text;
        int number, total;
    } cases[] = {
        {"", 0, 0},      {"5/12", 5, 12}, {"7", 7, 0},       {"/12", 0, 12},     {"-3", 0, 0},
        {"3/-4", 3, 0},  {"3 of 12", 3, 0}, {" 4 / 9", 4, 9}, {"1/2/3", 1, 2},  {"abc", 0, 0},
        {"07/010", 7, 10}, {"99999999999", INT_MAX, 0},
    };
    for (const auto& c : cases) {
        const NumberPair pair = parseNumberPair(QString::fromUtf8(c.text));
        EXPECT_EQ(pair.number, c.number) << c.text;
        EXPECT_EQ(pair.total, c.total) << c.text;
    }
}

TEST(NumberPair, FormatsNumberWithOptionalTotal)
{
    EXPECT_EQ(formatNumberPair(5, 12, ZeroNumber::Empty), "5/12");
    EXPECT_EQ(formatNumberPair(5, 0, ZeroNumber::Empty), "5");
    EXPECT_EQ(formatNumberPair(5, -2, ZeroNumber::Zero), "5");
    // A total alone is never written.
    EXPECT_EQ(formatNumberPair(0, 12, ZeroNumber::Empty), "");
    EXPECT_EQ(formatNumberPair(0, 12, ZeroNumber::Zero), "0");
    EXPECT_EQ(formatNumberPair(-1, 3, ZeroNumber::Empty), "");
}

} // namespace
