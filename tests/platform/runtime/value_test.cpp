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
