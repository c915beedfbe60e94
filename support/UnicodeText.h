#pragma once
#include <string>
#include <string_view>

// Texts as UTF-16, for what shows or copies Unicode (the result window, the
// clipboard): the rest of the tool speaks code page 932.

// Code page 932 text (a result made ready for the editor) as UTF-16.
std::wstring UnicodeFromCp932(std::string_view cp932);
// A result as the program wrote it, by its byte-order mark (UTF-16LE,
// UTF-16BE, UTF-8), or without one as UTF-8 when `utf8`, else as code page
// 932: so that a character code page 932 lacks is kept.
std::wstring UnicodeResult(std::string_view result, bool utf8);
