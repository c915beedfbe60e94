#include <gtest/gtest.h>

#include <string>

#include "host/core/ByteScan.h"

TEST(FindNul, FindsTheFirstNulAtEveryOffset) {
    // Every position relative to the eight-byte steps, and bytes whose high
    // bit is set (which must not look like zeros).
    for (std::size_t size = 0; size <= 24; ++size) {
        const std::string none(size, '\x80');
        EXPECT_EQ(FindNul(none.data(), none.size()), size);
        for (std::size_t at = 0; at < size; ++at) {
            std::string text(size, '\xFF');
            text[at] = '\0';
            if (at + 1 < size) text[at + 1] = '\0';
            EXPECT_EQ(FindNul(text.data(), text.size()), at) << size << " " << at;
        }
    }
    const std::string mixed("\x01\x7F\x80\x81\xFE\xFF\x95\x5C" "abc\0def", 15);
    EXPECT_EQ(FindNul(mixed.data(), mixed.size()), 11u);
}
