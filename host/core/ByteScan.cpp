#include "host/core/ByteScan.h"

#include <cstdint>
#include <cstring>

std::size_t FindNul(const char* bytes, std::size_t size) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        // Non-zero exactly when one of the eight bytes is zero.
        if (((word - kOnes) & ~word & kHighs) != 0) break;
    }
    for (; i < size; ++i) {
        if (bytes[i] == '\0') return i;
    }
    return size;
}
