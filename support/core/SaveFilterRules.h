#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/core/CodePage.h"
#include "support/core/AppIni.h"

// The Save dialog's file types and the default file name, free of the platform.

// Every byte-exact occurrence of pattern in text replaced.
std::string ReplaceAll(const std::string& pattern, const std::string& replacement, const std::string& text);

// One file-type entry of a document kind (editor mode 2 to 11), with its
// leading "|": the name, the list in parentheses with "," for ";", then the
// list; an empty list stands for "*.*".
std::string MakeFilterItem(const std::string& patternList, std::uint8_t mode);

// The Save dialog's Filter: thirteen entries, description|patterns each.
std::string MakeFilterText(const TAppIni& settings);

// The 1-based entry preselected for an editor mode: the document kind's
// entry when its pattern list is set, else the user entry (2).
int FilterIndexForMode(std::uint8_t mode, const TAppIni& settings);

// One line with the bytes a file name cannot hold replaced by "-" or dropped;
// double-byte characters are copied whole.
std::string CleanFileNameLine(std::string_view line, const CodePage& cp);

// The first line of the text that still holds something once cleaned, cut to
// 60 bytes and trimmed; empty when there is none.
std::string MakeDefaultFileName(std::string_view text, const CodePage& cp);

inline constexpr std::size_t kDefaultFileNameLimit = 60;
