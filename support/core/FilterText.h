#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "base/core/CodePage.h"

// The first lines of a program's error output, for a message: at most
// `maxLines` lines (CR LF, LF or CR ending each), at most `maxBytes` bytes in
// all, never cut inside a double-byte character; empty lines and blanks at
// the ends dropped, lines ended with CR LF.
std::string FirstLines(std::string_view text, std::size_t maxLines, std::size_t maxBytes, const CodePage& cp);
