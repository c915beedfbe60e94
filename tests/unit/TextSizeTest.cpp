#include <gtest/gtest.h>

#include "host/core/TextSize.h"

namespace {

constexpr std::int64_t kGiB = std::int64_t{1} << 30;
constexpr std::uint64_t k32 = MaxTextBytes(4), k64 = MaxTextBytes(8);

}  // namespace

// The limits of both builds, whichever runs the test.
TEST(TextSize, SizesAreCheckedIn64BitsAgainstTheBuildsLimit) {
    EXPECT_EQ(k32, 512u << 20);
    EXPECT_EQ(k64, 0xFFFFFFFEu);
    struct Case { std::int64_t size; std::uint64_t limit; bool fits; std::uint32_t section; };
    const Case cases[] = {
        {0, k32, true, 1},
        {512 << 20, k32, true, (512u << 20) + 1},
        {(512 << 20) + 1, k32, false, 0},
        {kGiB, k32, false, 0},
        // 4 GiB + 10 bytes is not 10 bytes, in either build.
        {4 * kGiB + 10, k32, false, 0},
        {4 * kGiB + 10, k64, false, 0},
        {0xFFFFFFFE, k64, true, 0xFFFFFFFFu},
        {0xFFFFFFFF, k64, false, 0},
        // A limit beyond the section: the text may be held, but not carried.
        {0xFFFFFFFF, UINT64_MAX, true, 0},
        // A negative length (a host's reply of -1) is no size at all.
        {-1, k64, false, 0},
        {INT64_MIN, UINT64_MAX, false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextSizeFits(c.size, c.limit), c.fits) << c.size << " " << c.limit;
        EXPECT_EQ(TextSectionSize(c.size, c.limit), c.section) << c.size << " " << c.limit;
    }
}
