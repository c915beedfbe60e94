#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "support/core/Utf8Text.h"

// The choices of the Save dialog's 文字コード and 改行 lists, in the lists'
// order. The first of each is the default, which writes the text's bytes as
// they are.
enum class SaveEncoding { Ansi, Utf8, Utf8Bom, Utf16LeBom };
enum class SaveLineEnds { AsTheyAre, CrLf, Lf };

inline constexpr std::size_t kSaveEncodingCount = 4;
inline constexpr std::size_t kSaveLineEndsCount = 3;

// True when the file gets the text's bytes as they are, which need no copy.
constexpr bool SavesTextAsItIs(SaveEncoding encoding, SaveLineEnds lineEnds) {
    return encoding == SaveEncoding::Ansi && lineEnds == SaveLineEnds::AsTheyAre;
}

// The file's bytes for a code page 932 text: first the encoding (a Unicode
// one with the system's own mapping and the refusals of Cp932ToUtf8, the
// byte-order mark where chosen), then the line ends. A text that is not valid
// code page 932 is refused for a Unicode encoding (the fault names the first
// bad byte and its line in the text) and `bytes` is left as it was; ANSI
// takes any bytes.
TextConversion EncodeTextForSave(std::string_view text, SaveEncoding encoding, SaveLineEnds lineEnds,
                                 std::string& bytes);

// Every line end of a text of unitSize-byte units (1: code page 932 or UTF-8,
// whose other characters hold no CR or LF byte; 2: UTF-16 little-endian) made
// the chosen one, in place: CR LF, a lone CR and a lone LF alike. AsTheyAre
// leaves the text alone.
void ConvertLineEnds(std::string& bytes, std::size_t unitSize, SaveLineEnds lineEnds);
