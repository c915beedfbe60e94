#pragma once
#include <optional>
#include <string_view>

#include "base/core/CodePage.h"

// How the text travels to and from the program, from the value of /io=: a
// comma-separated list of "pipe" (standard input and output instead of a
// temporary file), "utf8" (the program reads and writes UTF-8) and "exact"
// (the result's line ends are kept byte for byte), in any case. An empty
// value is none of them.
struct IoModes {
    bool pipe = false;
    bool utf8 = false;
    bool exact = false;
};

// Nothing when the list holds anything else (a mistyped word must not let a
// run go ahead in a mode the user did not ask for).
std::optional<IoModes> ParseIoModes(std::string_view value, const CodePage& cp);

// Where the result goes, from the value of /out= (one word, in any case):
// in place of the text handed over (replace, and an empty value), right
// after it (after), in the result window (show), on the clipboard (copy), or
// nowhere: the result is not looked at (none).
enum class OutputMode { Replace, After, Show, Copy, None };
// Nothing for any other value.
std::optional<OutputMode> ParseOutputMode(std::string_view value, const CodePage& cp);
