#include <gtest/gtest.h>

#include "support/core/DateTime.h"

TEST(DateTimeFromFields, CountsDaysSinceTheEndOf1899) {
    struct Case { int y, mo, d, h, mi, s, ms; double value; };
    const Case cases[] = {
        {1899, 12, 30, 0, 0, 0, 0, 0.0},
        {1900, 1, 1, 0, 0, 0, 0, 2.0},
        {1900, 3, 1, 0, 0, 0, 0, 61.0},  // 1900 was no leap year
        {2000, 1, 1, 12, 0, 0, 0, 36526.5},
        {2000, 3, 1, 0, 0, 0, 0, 36586.0},  // 2000 was one
        {2024, 1, 2, 3, 4, 5, 678, 45293.0 + (3 * 3600000.0 + 4 * 60000.0 + 5678.0) / 86400000.0},
        {1899, 12, 29, 0, 0, 0, 0, -1.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(DateTimeFromFields(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms), c.value) << c.y << "-" << c.mo << "-" << c.d;
    }
    // One millisecond apart is a different value.
    EXPECT_NE(DateTimeFromFields(2024, 5, 6, 7, 8, 9, 10), DateTimeFromFields(2024, 5, 6, 7, 8, 9, 11));
}
