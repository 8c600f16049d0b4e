#include <gtest/gtest.h>

#include "platform/runtime/value.h"

TEST(Value, DatesRoundTripThroughJulianDays) {
    struct Case { int y, m, d; bool valid; } cases[] = {
        {2013, 1, 1, true}, {2000, 2, 29, true}, {1900, 2, 29, false}, {2024, 13, 1, false}, {1, 1, 1, true}, {9999, 12, 31, true},
    };
    for (auto c : cases) {
        rt::Date d = rt::Date::fromYMD(c.y, c.m, c.d);
        EXPECT_EQ(!d.empty(), c.valid) << c.y << "-" << c.m << "-" << c.d;
        if (c.valid) {
            EXPECT_EQ(d.year(), c.y);
            EXPECT_EQ(d.month(), c.m);
            EXPECT_EQ(d.day(), c.d);
        }
    }
    EXPECT_LT(rt::Date::fromYMD(1999, 12, 31), rt::Date::fromYMD(2000, 1, 1));
}

TEST(Value, ArraysAreSharedByReference) {
    rt::Value a = rt::Value::array({1, "x"});
    rt::Value b = a;
    b.arr()->push_back(true);
    EXPECT_EQ(a.len(), 3u);
    EXPECT_TRUE(a.same(b));
    EXPECT_EQ(a.at(2).str(), "x");
    EXPECT_TRUE(a.at(9).isNil());
    EXPECT_EQ(rt::Value(2.5).str(), "");
}

// Every day of the years 1 to 9999 reads back as the day it was made from, one day number
// after the other.
TEST(DateTest, EveryDayOfTheYearsOneToNineThousandRoundTrips) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int64_t expected = rt::Date::fromYMD(1, 1, 1).julian();
    int wrong = 0;
    for (int y = 1; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m) {
            const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
            for (int d = 1; d <= days[m - 1] + (m == 2 && leap); ++d, ++expected) {
                const rt::Date date = rt::Date::fromYMD(y, m, d);
                int yy = 0, mm = 0, dd = 0;
                date.toYMD(yy, mm, dd);
                wrong += date.julian() != expected || yy != y || mm != m || dd != d;
            }
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(rt::Date::fromYMD(10000, 1, 1).empty());
}
