#pragma once
#include <cstddef>
#include <cstdint>

// Sizes of the texts the tool holds: the host's text, the program's result,
// in the tool's memory, in the host's section and in files. Each size is
// taken in 64 bits and checked against what the build can hold before
// anything is read or allocated: cut to 32 bits, a result of 4 GiB + 10 bytes
// would pass for one of 10 bytes.

// The host's messages carry a section's size (a text and its NUL) in 32 bits.
inline constexpr std::uint64_t kMaxSectionBytes = 0xFFFFFFFFu;

// The largest text that a build with pointers of `pointerBytes` bytes takes.
// A 32-bit program holds a text twice at once (its own copy and a view of the
// section) in the 2 GiB of address space that its code, the system's
// libraries and their heaps share, in one piece each: 512 MiB. A 64-bit
// program is bounded by the section alone.
constexpr std::uint64_t MaxTextBytes(std::size_t pointerBytes) {
    return pointerBytes >= 8 ? kMaxSectionBytes - 1 : std::uint64_t{512} << 20;
}
inline constexpr std::uint64_t kMaxTextBytes = MaxTextBytes(sizeof(void*));

// Whether a text of `size` bytes (a file's size, a length the host reports:
// both come signed) has 0 to `limit` bytes.
bool TextSizeFits(std::int64_t size, std::uint64_t limit);

// The size of the section that carries a text of `length` bytes and its NUL:
// length + 1; 0 when the text does not fit `limit` or the section's size would
// not fit the host's messages.
std::uint32_t TextSectionSize(std::int64_t length, std::uint64_t limit);
