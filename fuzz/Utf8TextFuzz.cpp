// Any bytes, taken as code page 932 and as UTF-8: either converted so that
// the text comes back (as Windows' preferred codes, as the Microsoft forms of
// the JIS characters), or refused at the first bad character.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/core/Utf8Text.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// Where the first ill-formed UTF-8 sequence starts (npos: none), found the
// long way: length from the lead byte, then the code point's range.
std::size_t FirstInvalidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return i;
        std::uint32_t c = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return i;
            c = c << 6 | (t & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return i;
        i += length;
    }
    return std::string_view::npos;
}

// The JIS characters replaced by the Microsoft forms that code page 932 gives back.
std::string MicrosoftForms(std::string text) {
    const char* pairs[][2] = {{"\xE3\x80\x9C", "\xEF\xBD\x9E"}, {"\xE2\x80\x96", "\xE2\x88\xA5"},
                              {"\xE2\x88\x92", "\xEF\xBC\x8D"}, {"\xC2\xA2", "\xEF\xBF\xA0"},
                              {"\xC2\xA3", "\xEF\xBF\xA1"},     {"\xC2\xAC", "\xEF\xBF\xA2"}};
    for (const auto& pair : pairs) {
        const std::string jis = pair[0], microsoft = pair[1];
        for (std::size_t at = text.find(jis); at != std::string::npos; at = text.find(jis, at + microsoft.size())) {
            text.replace(at, jis.size(), microsoft);
        }
    }
    return text;
}

void AsCp932(std::string_view bytes) {
    std::string utf8, cp932, again;
    const TextConversion r = Cp932ToUtf8(bytes, utf8);
    if (r.ok()) {
        Require(Utf8ToCp932(utf8, cp932).ok());
        Require(cp932.size() == bytes.size());  // duplicates have the width of the code they stand for
        Require(Cp932ToUtf8(cp932, again).ok() && again == utf8);
        return;
    }
    Require(r.fault == TextConversion::Fault::InvalidCp932 && utf8.empty());
    Require(r.offset < bytes.size() && !r.bytes.empty() && bytes.substr(r.offset, r.bytes.size()) == r.bytes);
    Require(Cp932ToUtf8(bytes.substr(0, r.offset), utf8).ok());
    const TextConversion alone = Cp932ToUtf8(r.bytes, utf8);
    Require(!alone.ok() && alone.offset == 0);
}

void AsUtf8(std::string_view bytes) {
    std::string cp932, back;
    const TextConversion r = Utf8ToCp932(bytes, cp932);
    const std::size_t invalid = FirstInvalidUtf8(bytes);
    if (r.ok()) {
        Require(invalid == std::string_view::npos);
        Require(Cp932ToUtf8(cp932, back).ok());
        const std::string_view text = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes;
        Require(back == MicrosoftForms(std::string(text)));
        return;
    }
    Require(cp932.empty() && r.offset < bytes.size() && bytes.substr(r.offset, r.bytes.size()) == r.bytes);
    if (r.fault == TextConversion::Fault::InvalidUtf8) {
        Require(invalid == r.offset);
    } else {
        Require(r.fault == TextConversion::Fault::NoCp932Form && r.codePoint >= 0x80);
        Require(invalid == std::string_view::npos || invalid >= r.offset + r.bytes.size());
    }
    Require(Utf8ToCp932(bytes.substr(0, r.offset), cp932).ok());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AsCp932(bytes);
    AsUtf8(bytes);
    return 0;
}
