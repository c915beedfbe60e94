#pragma once
// The byte logic of the example converter: code page 932 text in, text out.
// Every step walks the text character by character, so that the second byte
// of a double-byte character is never taken for a character of its own.
#include <string>
#include <string_view>
#include <vector>

struct TextConvOptions {
    bool sort = false;       // /sort
    bool halfwidth = false;  // /halfwidth
    bool upper = false;      // /upper
    unsigned delayMs = 0;    // /delay=MS: wait this long first (a slow program, to watch the editor locked)
    bool stdio = false;      // /stdio: the text comes from standard input, the result goes to standard output
};

// The arguments after the program name: switches (matched without regard to
// case; unknown ones, such as the tool's mode switches, are ignored) and the
// file, which is the last argument (none with /stdio, where every argument is
// a switch). False when there is no argument at all.
bool ParseTextConvArguments(const std::vector<std::string>& arguments, TextConvOptions& options, std::string& file);

// Full-width forms of the printable ASCII characters and the full-width space
// become their single-byte ASCII counterparts.
std::string ToHalfwidth(std::string_view text);

// a-z become A-Z; double-byte characters stay as they are.
std::string ToUpperAscii(std::string_view text);

// Sorts the lines by their bytes (stable). Each line break stays at its
// position: the first line of the result ends as the first line of the input
// did (CR LF, LF, or nothing for a last line without one).
std::string SortLines(std::string_view text);

// The steps asked for, in the order half-width, upper case, sort.
std::string ConvertText(std::string_view text, const TextConvOptions& options);

// The folder part of a path, up to and including its last separator ("\" or
// "/", never the second byte of a double-byte character); "" when it has none.
std::string FolderOf(std::string_view path);
