// The size checks on any size and limit: a section size, when there is one,
// is the text's length and its NUL and fits the host's 32-bit messages; there
// is one exactly for the lengths of 0 to the smaller of the limit and the
// section's bound; and a length that fits, fits with any larger limit.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/core/TextSize.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int64_t length = 0;
    std::uint64_t limit = 0;
    if (size < sizeof length + sizeof limit) return 0;
    std::memcpy(&length, data, sizeof length);
    std::memcpy(&limit, data + sizeof length, sizeof limit);
    // The sizes near the bounds matter most: a further byte shifts both down.
    if (size > sizeof length + sizeof limit) {
        const unsigned shift = data[sizeof length + sizeof limit] % 64;
        length >>= shift;
        limit >>= shift;
    }
    const bool fits = TextSizeFits(length, limit);
    Require(fits == (length >= 0 && static_cast<std::uint64_t>(length) <= limit));
    const std::uint32_t section = TextSectionSize(length, limit);
    if (section != 0) {
        Require(fits);
        Require(static_cast<std::uint64_t>(section) == static_cast<std::uint64_t>(length) + 1);
    } else {
        Require(!fits || static_cast<std::uint64_t>(length) >= kMaxSectionBytes);
    }
    if (fits && limit != UINT64_MAX) Require(TextSizeFits(length, limit + 1));
    if (fits && length > 0 && static_cast<std::uint64_t>(length) <= kMaxSectionBytes) {
        Require(TextSectionSize(length - 1, limit) != 0);
    }
    return 0;
}
