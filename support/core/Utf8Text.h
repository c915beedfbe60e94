#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The editor's text is code page 932; a program told to speak UTF-8 gets and
// gives UTF-8. Both directions refuse what they cannot carry exactly, so that
// a "?" or a replacement character never reaches the user's text.

struct TextConversion {
    enum class Fault {
        None,
        InvalidCp932,  // a lead byte at the end or with a bad second byte, an undefined byte or pair
        InvalidUtf8,   // overlong, surrogate, beyond U+10FFFF, truncated, a stray continuation byte
        NoCp932Form,   // a valid character (UTF-8 or UTF-16) that code page 932 lacks
        InvalidUtf16,  // an odd byte count, an unpaired surrogate
    };
    Fault fault = Fault::None;
    std::size_t offset = 0;  // of the first offending byte in the input (a BOM counted)
    std::size_t line = 0;    // 1-based; lines end at LF (so at CR LF too); in UTF-16 at the unit U+000A
    std::string bytes;       // the offending bytes (of NoCp932Form: the character), at most four
    char32_t codePoint = 0;  // the character of NoCp932Form

    bool ok() const { return fault == Fault::None; }
};

// Code page 932 as Windows maps it (what MultiByteToWideChar(932) takes with
// MB_ERR_INVALID_CHARS), to UTF-8, written after `prefix` (a byte-order mark
// where one is wanted; the fault's offset counts only the text). On failure
// `utf8` is left as it was.
TextConversion Cp932ToUtf8(std::string_view cp932, std::string& utf8, std::string_view prefix = {});
// The same to UTF-16 little-endian: every character of code page 932 is one
// 16-bit unit (none lies beyond the BMP).
TextConversion Cp932ToUtf16Le(std::string_view cp932, std::string& utf16, std::string_view prefix = {});

// UTF-8 (a leading BOM dropped) to code page 932, each character to the code
// Windows gives it, and the JIS forms U+301C, U+2016, U+2212, U+00A2, U+00A3,
// U+00AC to the code page 932 characters 0x8160, 0x8161, 0x817C, 0x8191,
// 0x8192, 0x81CA (which decode to U+FF5E, U+2225, U+FF0D, U+FFE0, U+FFE1,
// U+FFE2). On failure `cp932` is left as it was.
TextConversion Utf8ToCp932(std::string_view utf8, std::string& cp932);

// The same, in place: the code page 932 form is never longer than the UTF-8
// one, so a text of hundreds of MiB needs no second copy. On failure `text`
// is left as it was.
TextConversion Utf8ToCp932InPlace(std::string& text);

// UTF-16 (little- or big-endian; a leading BOM of that order dropped) to code
// page 932 in place, each character as Utf8ToCp932 gives it (the JIS forms
// too); a pair of surrogates is a character beyond the BMP, which code page
// 932 lacks. On failure `text` is left as it was.
TextConversion Utf16ToCp932InPlace(std::string& text, bool bigEndian);

// "U+1F600": a code point as messages name it.
std::string CodePointText(char32_t codePoint);

// A program's error output made readable for a message (never a result):
// decoded as UTF-8 when it is well-formed UTF-8 holding a character beyond
// ASCII (programs of many languages write their errors in UTF-8 whatever the
// text's encoding), a character code page 932 lacks written as `missingMark`;
// else taken as code page 932. Either way an incomplete character at the end
// (where the output was cut) is dropped.
std::string ReadableErrorText(std::string_view errors, std::string_view missingMark);
