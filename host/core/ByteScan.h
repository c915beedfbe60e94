#pragma once
#include <cstddef>

// Position of the first NUL byte in bytes[0, size), or `size` when there is
// none. Scans eight bytes at a time: the texts that pass through the host's
// section run to many megabytes.
std::size_t FindNul(const char* bytes, std::size_t size);
