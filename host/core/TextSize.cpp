#include "host/core/TextSize.h"

bool TextSizeFits(std::int64_t size, std::uint64_t limit) {
    return size >= 0 && static_cast<std::uint64_t>(size) <= limit;
}

std::uint32_t TextSectionSize(std::int64_t length, std::uint64_t limit) {
    if (!TextSizeFits(length, limit) || static_cast<std::uint64_t>(length) >= kMaxSectionBytes) return 0;
    return static_cast<std::uint32_t>(length) + 1;
}
