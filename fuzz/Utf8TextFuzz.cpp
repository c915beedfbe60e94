// Any bytes, taken as code page 932 and as UTF-8: either converted so that
// the text comes back (as Windows' preferred codes, as the Microsoft forms of
// the JIS characters), or refused at the first bad character. Then as a
// program's result behind each byte-order mark: UTF-16 (either order) decoded
// the long way to UTF-8 must give what the UTF-8 conversion gives, or the same
// refusal; a refused result keeps its bytes. Saved in each encoding with each
// line end: UTF-16 LE holds the characters of UTF-8, and the line ends are
// what a plain rewrite gives. As error output, made readable whole.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/core/Cp932Table.h"
#include "support/core/ResultText.h"
#include "support/core/SaveEncoding.h"
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

// UTF-16LE as UTF-8, unit by unit; `invalid` is the offset of the first
// odd byte or unpaired surrogate (npos: none), where the UTF-8 stops.
std::string Utf16LeAsUtf8(std::string_view bytes, std::size_t& invalid) {
    std::string utf8;
    invalid = std::string_view::npos;
    const auto unit = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    for (std::size_t i = 0; i < bytes.size();) {
        if (i + 1 == bytes.size()) return invalid = i, utf8;
        std::uint32_t c = unit(i);
        i += 2;
        if (c >= 0xDC00 && c <= 0xDFFF) return invalid = i - 2, utf8;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= bytes.size() || unit(i) < 0xDC00 || unit(i) > 0xDFFF) return invalid = i - 2, utf8;
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i) - 0xDC00);
            i += 2;
        }
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | c >> 18);
            utf8 += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

TextConversion AsResult(const std::string& input, std::string& result) {
    result = input;
    const TextConversion r = ResultToCp932(result, false);
    if (!r.ok()) Require(result == input);
    return r;
}

void AsResults(std::string_view bytes) {
    std::string result, expected;
    // UTF-8 behind its mark: converted in place as into a second string.
    const std::string marked = "\xEF\xBB\xBF" + std::string(bytes);
    const TextConversion utf8 = Utf8ToCp932(marked, expected);
    const TextConversion withMark = AsResult(marked, result);
    Require(withMark.fault == utf8.fault && withMark.offset == utf8.offset && withMark.line == utf8.line &&
            withMark.codePoint == utf8.codePoint);
    if (utf8.ok()) {
        Require(result == expected);
        // The line ends found before a conversion from UTF-8 hold after it
        // (the result's one pass serves both), and they are those a byte at
        // a time finds.
        const LineEnds before = FindLineEnds(bytes), after = FindLineEnds(expected);
        Require(before.crLf == after.crLf && before.bareLf == after.bareLf);
    }
    bool crLf = false, bareLf = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') (i > 0 && bytes[i - 1] == '\r' ? crLf : bareLf) = true;
    }
    const LineEnds ends = FindLineEnds(bytes);
    Require(ends.crLf == crLf && ends.bareLf == bareLf);
    if (ResultEncodingOf(bytes) == ResultEncoding::AsItIs) {
        Require(ResultHoldsNul(bytes) == (bytes.find('\0') != std::string_view::npos));
    }

    std::size_t invalid;
    const std::string decoded = Utf16LeAsUtf8(bytes, invalid);
    const TextConversion le = AsResult("\xFF\xFE" + std::string(bytes), result);
    // (Behind a mark, so that a U+FEFF in the bytes stays a character.)
    const TextConversion reference = Utf8ToCp932("\xEF\xBB\xBF" + decoded, expected);
    if (le.ok()) {
        Require(invalid == std::string_view::npos && reference.ok() && result == expected);
        // A NUL found before the conversion is a NUL after it.
        Require(ResultHoldsNul("\xFF\xFE" + std::string(bytes)) == (result.find('\0') != std::string::npos));
    } else if (le.fault == TextConversion::Fault::InvalidUtf16) {
        Require(le.offset == invalid + 2 && reference.ok());
    } else {
        Require(le.fault == TextConversion::Fault::NoCp932Form && !reference.ok());
        Require(le.codePoint == reference.codePoint && le.line == reference.line && (invalid == std::string_view::npos || le.offset < invalid + 2));
    }
    // Big-endian: the same answer at the same place.
    std::string swapped = "\xFE\xFF" + std::string(bytes);
    for (std::size_t i = 2; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    std::string fromLe = result;
    const TextConversion be = AsResult(swapped, result);
    Require(be.fault == le.fault && be.offset == le.offset && be.line == le.line && be.codePoint == le.codePoint);
    if (be.ok()) Require(result == fromLe);
}

// The code points of UTF-8 that the conversion wrote (so well-formed).
std::u32string DecodeUtf8(std::string_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        points += c;
        i += length;
    }
    return points;
}

// Line ends rewritten the plain way, on code points.
std::u32string PlainLineEnds(const std::u32string& text, SaveLineEnds lineEnds) {
    if (lineEnds == SaveLineEnds::AsTheyAre) return text;
    const std::u32string end = lineEnds == SaveLineEnds::CrLf ? U"\r\n" : U"\n";
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        if (text[i] == U'\r' || text[i] == U'\n') out += end;
        else out += text[i];
    }
    return out;
}

void Saved(std::string_view bytes) {
    std::string utf8;
    const bool valid = Cp932ToUtf8(bytes, utf8).ok();
    const std::u32string points = valid ? DecodeUtf8(utf8) : std::u32string();
    for (SaveLineEnds lineEnds : {SaveLineEnds::AsTheyAre, SaveLineEnds::CrLf, SaveLineEnds::Lf}) {
        std::string ansi, viaUtf8, viaUtf16;
        Require(EncodeTextForSave(bytes, SaveEncoding::Ansi, lineEnds, ansi).ok());
        // Code page 932 has no CR or LF byte inside a character: ANSI's line
        // ends are those of the bytes taken one by one.
        std::u32string ansiPoints(bytes.begin(), bytes.end()), ansiBack(ansi.begin(), ansi.end());
        for (char32_t& c : ansiPoints) c &= 0xFF;
        for (char32_t& c : ansiBack) c &= 0xFF;
        Require(ansiBack == PlainLineEnds(ansiPoints, lineEnds));
        const TextConversion r8 = EncodeTextForSave(bytes, SaveEncoding::Utf8Bom, lineEnds, viaUtf8);
        const TextConversion r16 = EncodeTextForSave(bytes, SaveEncoding::Utf16LeBom, lineEnds, viaUtf16);
        Require(r8.ok() == valid && r16.ok() == valid && r8.offset == r16.offset && r8.line == r16.line);
        if (!valid) continue;
        Require(viaUtf8.substr(0, 3) == "\xEF\xBB\xBF" && viaUtf16.substr(0, 2) == "\xFF\xFE");
        Require(viaUtf16.size() % 2 == 0);
        std::u32string fromUtf16;
        for (std::size_t i = 2; i < viaUtf16.size(); i += 2) {
            fromUtf16 += static_cast<char32_t>(static_cast<unsigned char>(viaUtf16[i]) |
                                               static_cast<unsigned char>(viaUtf16[i + 1]) << 8);
        }
        const std::u32string expected = PlainLineEnds(points, lineEnds);
        Require(DecodeUtf8(std::string_view(viaUtf8).substr(3)) == expected && fromUtf16 == expected);
    }
}

// As a program's error output made readable: never longer than the bytes
// (the mark is no longer than any character it stands for), and never ending
// inside a double-byte character.
void AsErrorOutput(std::string_view bytes) {
    const std::string readable = ReadableErrorText(bytes, "*");
    Require(readable.size() <= bytes.size());
    std::size_t i = 0;
    while (i < readable.size()) i += IsCp932LeadByte(static_cast<unsigned char>(readable[i])) ? 2 : 1;
    Require(i == readable.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AsCp932(bytes);
    AsUtf8(bytes);
    AsResults(bytes);
    Saved(bytes);
    AsErrorOutput(bytes);
    return 0;
}
