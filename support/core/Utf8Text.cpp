#include "support/core/Utf8Text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "support/core/Cp932Table.h"

namespace {

// Eight bytes at once while the text is ASCII, which both directions copy
// as they are: false when the next eight are not all ASCII. (memmove: a
// conversion in place writes behind where it reads.)
template <bool kWrite>
bool CopyEightAscii(const unsigned char* p, std::size_t n, std::size_t& i, char* out, std::size_t& length) {
    if (n - i < 8) return false;
    std::uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) return false;
    if constexpr (kWrite) std::memmove(out + length, p + i, 8);
    i += 8;
    length += 8;
    return true;
}

TextConversion Failure(TextConversion::Fault fault, std::string_view text, std::size_t offset, std::size_t length) {
    TextConversion result;
    result.fault = fault;
    result.offset = offset;
    result.line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
    result.bytes.assign(text.substr(offset, std::min<std::size_t>(length, 4)));
    return result;
}

std::size_t Utf8Length(std::uint32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : 3; }

// A BMP code point as UTF-8.
void PutUtf8(char* out, std::uint32_t c) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
    } else if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The forms code page 932 is converted to.
enum class Form { Utf8, Utf16Le };

std::size_t EncodedLength(Form form, std::uint32_t c) { return form == Form::Utf16Le ? 2 : Utf8Length(c); }

// A BMP code point in the form.
void PutEncoded(Form form, char* out, std::uint32_t c) {
    if (form == Form::Utf8) {
        PutUtf8(out, c);
    } else {
        out[0] = static_cast<char>(c & 0xFF);
        out[1] = static_cast<char>(c >> 8);
    }
}

// Both conversions walk their input twice: once to check it and measure the
// result (kWrite false, `out` unused), once to write it into a string of
// exactly that size, so that a text of hundreds of MiB needs no spare room.
template <Form kForm, bool kWrite>
std::size_t WalkCp932(std::string_view in, char* out, TextConversion& result) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0, length = 0;
    while (i < n) {
        if constexpr (kForm == Form::Utf8) {
            if (CopyEightAscii<kWrite>(p, n, i, out, length)) continue;
        }
        const unsigned char b = p[i];
        std::uint16_t c = kCp932SingleByte[b];
        std::size_t width = 1;
        if (IsCp932LeadByte(b)) {
            if (n - i < 2) {
                result = Failure(TextConversion::Fault::InvalidCp932, in, i, 1);
                return 0;
            }
            c = Cp932Pair(b, p[i + 1]);
            width = 2;
        }
        if (c == kCp932Undefined) {
            result = Failure(TextConversion::Fault::InvalidCp932, in, i, width);
            return 0;
        }
        if constexpr (kWrite) PutEncoded(kForm, out + length, c);
        length += EncodedLength(kForm, c);
        i += width;
    }
    return length;
}

template <Form kForm>
TextConversion ConvertCp932(std::string_view cp932, std::string& converted, std::string_view prefix) {
    TextConversion result;
    const std::size_t length = WalkCp932<kForm, false>(cp932, nullptr, result);
    if (!result.ok()) return result;
    std::string text(prefix.size() + length, '\0');  // (`converted` may be the input's own string)
    std::copy(prefix.begin(), prefix.end(), text.begin());
    WalkCp932<kForm, true>(cp932, text.data() + prefix.size(), result);
    converted = std::move(text);
    return result;
}

// Unicode -> code page 932 for the BMP: a single byte (up to 0xFF), a pair
// (lead byte high), or 0 for none. Built on first use from the decoding table.
class ReverseTable {
public:
    ReverseTable() {
        for (unsigned b = 0x80; b < 0x100; ++b) {
            if (kCp932SingleByte[b] != kCp932Undefined) code_[kCp932SingleByte[b]] = static_cast<std::uint16_t>(b);
        }
        // Where several pairs decode to one character, Windows encodes it as
        // the first of: JIS X 0208 (and the user-defined area, which shares
        // none), NEC row 13 (lead 87), the IBM extensions (FA-FC), the
        // NEC-selected IBM extensions (ED, EE).
        const auto fill = [this](unsigned lead) {
            for (unsigned t = kCp932FirstTrail; t < kCp932FirstTrail + kCp932TrailCount; ++t) {
                const std::uint16_t c = Cp932Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(t));
                if (c != kCp932Undefined && code_[c] == 0) code_[c] = static_cast<std::uint16_t>(lead << 8 | t);
            }
        };
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            const bool later = lead == 0x87 || lead == 0xED || lead == 0xEE || lead >= 0xFA;
            if (IsCp932LeadByte(static_cast<unsigned char>(lead)) && !later) fill(lead);
        }
        for (unsigned lead : {0x87u, 0xFAu, 0xFBu, 0xFCu, 0xEDu, 0xEEu}) fill(lead);
        // The JIS forms of characters that code page 932 decodes to other
        // code points: programs that normalise to JIS give these.
        const std::pair<char16_t, std::uint16_t> jisForms[] = {
            {u'\u301C', 0x8160}, {u'\u2016', 0x8161}, {u'\u2212', 0x817C},
            {u'\u00A2', 0x8191}, {u'\u00A3', 0x8192}, {u'\u00AC', 0x81CA},
        };
        for (const auto& [unicode, cp932] : jisForms) code_[unicode] = cp932;
    }
    std::uint16_t operator[](char32_t c) const { return c < 0x10000 ? code_[c] : 0; }

private:
    std::uint16_t code_[0x10000] = {};
};

const ReverseTable& Reverse() {
    static const ReverseTable table;
    return table;
}

// One character's code page 932 code, of one byte or two, at `length` (only
// counted when not writing).
template <bool kWrite>
void PutCp932Code(std::uint16_t code, char* out, std::size_t& length) {
    if (code <= 0xFF) {
        if constexpr (kWrite) out[length] = static_cast<char>(code);
        ++length;
    } else {
        if constexpr (kWrite) {
            out[length] = static_cast<char>(code >> 8);
            out[length + 1] = static_cast<char>(code & 0xFF);
        }
        length += 2;
    }
}

// One UTF-8 sequence at p[i] (its first byte not ASCII), well-formed by
// Unicode's table 3-7 (the second byte's range excludes overlongs, surrogates
// and code points beyond U+10FFFF): its code point and its length; or the
// number of bytes that show its fault, and whether the text ends inside it.
struct Utf8Sequence {
    char32_t c = 0;
    std::size_t length = 0;
    std::size_t bad = 0;
    bool truncated = false;
};
inline Utf8Sequence DecodeUtf8(const unsigned char* p, std::size_t n, std::size_t i) {
    Utf8Sequence s;
    const unsigned char b = p[i];
    unsigned low = 0x80, high = 0xBF;
    std::size_t need;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1, s.c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2, s.c = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3, s.c = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        s.bad = 1;
        return s;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k == n) {
            s.bad = k, s.truncated = true;
            return s;
        }
        const unsigned t = p[i + k];
        if (t < low || t > high) {
            s.bad = k + 1;
            return s;
        }
        s.c = s.c << 6 | (t & 0x3F);
        low = 0x80, high = 0xBF;
    }
    s.length = need + 1;
    return s;
}

// In place (`out` the input's own bytes) too: each character is read whole
// before its code, never wider than its UTF-8 form, is written.
template <bool kWrite>
std::size_t WalkUtf8(std::string_view in, std::size_t start, char* out, TextConversion& result) {
    const ReverseTable& reverse = Reverse();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = start, length = 0;
    while (i < n) {
        if (CopyEightAscii<kWrite>(p, n, i, out, length)) continue;
        const unsigned char b = p[i];
        if (b < 0x80) {
            if constexpr (kWrite) out[length] = static_cast<char>(b);
            ++i;
            ++length;
            continue;
        }
        const Utf8Sequence sequence = DecodeUtf8(p, n, i);
        if (sequence.bad != 0) {
            result = Failure(TextConversion::Fault::InvalidUtf8, in, i, sequence.bad);
            return 0;
        }
        const char32_t c = sequence.c;
        const std::uint16_t code = reverse[c];
        if (code == 0) {
            result = Failure(TextConversion::Fault::NoCp932Form, in, i, sequence.length);
            result.codePoint = c;
            return 0;
        }
        PutCp932Code<kWrite>(code, out, length);
        i += sequence.length;
    }
    return length;
}

// The fault of a UTF-16 text: its line counted in units U+000A (a byte 0A
// may be half of another character).
TextConversion Utf16Failure(TextConversion::Fault fault, std::string_view text, std::size_t start, std::size_t offset,
                            std::size_t length, bool bigEndian) {
    TextConversion result;
    result.fault = fault;
    result.offset = offset;
    result.line = 1;
    for (std::size_t k = start; k + 2 <= offset; k += 2) {
        const char low = bigEndian ? text[k + 1] : text[k], high = bigEndian ? text[k] : text[k + 1];
        if (low == '\n' && high == '\0') ++result.line;
    }
    result.bytes.assign(text.substr(offset, std::min<std::size_t>(length, 4)));
    return result;
}

// As WalkUtf8, in place too: a unit of two bytes gives one or two bytes.
template <bool kWrite, bool kBigEndian>
std::size_t WalkUtf16(std::string_view in, std::size_t start, char* out, TextConversion& result) {
    const ReverseTable& reverse = Reverse();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    constexpr std::size_t kHigh = kBigEndian ? 0 : 1, kLow = 1 - kHigh;
    const auto unit = [p](std::size_t at) -> char32_t { return char32_t{p[at + kHigh]} << 8 | p[at + kLow]; };
    const auto fail = [&](TextConversion::Fault fault, std::size_t at, std::size_t length) {
        result = Utf16Failure(fault, in, start, at, length, kBigEndian);
        return std::size_t{0};
    };
    std::size_t i = start, length = 0;
    while (i < n) {
        if (n - i < 2) return fail(TextConversion::Fault::InvalidUtf16, i, 1);
        // Four ASCII units at once.
        if (n - i >= 8) {
            const unsigned high = p[i + kHigh] | p[i + 2 + kHigh] | p[i + 4 + kHigh] | p[i + 6 + kHigh];
            const unsigned low = p[i + kLow] | p[i + 2 + kLow] | p[i + 4 + kLow] | p[i + 6 + kLow];
            if ((high | (low & 0x80)) == 0) {
                if constexpr (kWrite) {
                    const char four[4] = {static_cast<char>(p[i + kLow]), static_cast<char>(p[i + 2 + kLow]),
                                          static_cast<char>(p[i + 4 + kLow]), static_cast<char>(p[i + 6 + kLow])};
                    std::memcpy(out + length, four, 4);
                }
                i += 8;
                length += 4;
                continue;
            }
        }
        char32_t c = unit(i);
        std::size_t width = 2;
        if (c >= 0xD800 && c <= 0xDBFF && n - i >= 4 && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            width = 4;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return fail(TextConversion::Fault::InvalidUtf16, i, 2);
        }
        const std::uint16_t code = c < 0x80 ? static_cast<std::uint16_t>(c) : reverse[c];
        if (code == 0 && c != 0) {
            fail(TextConversion::Fault::NoCp932Form, i, width);
            result.codePoint = c;
            return 0;
        }
        PutCp932Code<kWrite>(code, out, length);
        i += width;
    }
    return length;
}

template <bool kBigEndian>
TextConversion Utf16InPlace(std::string& text) {
    const std::string_view bom = kBigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const std::size_t start = std::string_view(text).substr(0, 2) == bom ? 2 : 0;
    TextConversion result;
    WalkUtf16<false, kBigEndian>(text, start, nullptr, result);
    if (!result.ok()) return result;
    text.resize(WalkUtf16<true, kBigEndian>(text, start, text.data(), result));
    return result;
}

}  // namespace

TextConversion Cp932ToUtf8(std::string_view cp932, std::string& utf8, std::string_view prefix) {
    return ConvertCp932<Form::Utf8>(cp932, utf8, prefix);
}

TextConversion Cp932ToUtf16Le(std::string_view cp932, std::string& utf16, std::string_view prefix) {
    return ConvertCp932<Form::Utf16Le>(cp932, utf16, prefix);
}

TextConversion Utf8ToCp932(std::string_view utf8, std::string& cp932) {
    const std::size_t start = utf8.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    TextConversion result;
    const std::size_t length = WalkUtf8<false>(utf8, start, nullptr, result);
    if (!result.ok()) return result;
    std::string text(length, '\0');  // (`cp932` may be the input's own string)
    WalkUtf8<true>(utf8, start, text.data(), result);
    cp932 = std::move(text);
    return result;
}

TextConversion Utf8ToCp932InPlace(std::string& text) {
    const std::size_t start = std::string_view(text).substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    TextConversion result;
    WalkUtf8<false>(text, start, nullptr, result);
    if (!result.ok()) return result;
    text.resize(WalkUtf8<true>(text, start, text.data(), result));
    return result;
}

TextConversion Utf16ToCp932InPlace(std::string& text, bool bigEndian) {
    return bigEndian ? Utf16InPlace<true>(text) : Utf16InPlace<false>(text);
}

std::string CodePointText(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

std::string ReadableErrorText(std::string_view errors, std::string_view missingMark) {
    const auto* p = reinterpret_cast<const unsigned char*>(errors.data());
    const std::size_t n = errors.size();
    // UTF-8 when every sequence is well-formed (the last may be cut) and at
    // least one is not ASCII: code page 932 text of any length is seldom that.
    bool utf8 = false;
    std::size_t end = n;
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const Utf8Sequence sequence = DecodeUtf8(p, n, i);
        if (sequence.truncated) {
            end = i;
            break;
        }
        utf8 = sequence.bad == 0;
        if (!utf8) break;
        i += sequence.length;
    }
    std::string readable;
    if (utf8) {
        const ReverseTable& reverse = Reverse();
        readable.reserve(end);
        for (std::size_t i = 0; i < end;) {
            if (p[i] < 0x80) {
                readable += static_cast<char>(p[i++]);
                continue;
            }
            const Utf8Sequence sequence = DecodeUtf8(p, n, i);
            const std::uint16_t code = reverse[sequence.c];
            if (code == 0) {
                readable += missingMark;
            } else {
                std::size_t length = readable.size();
                readable.resize(length + 2);
                PutCp932Code<true>(code, readable.data(), length);
                readable.resize(length);
            }
            i += sequence.length;
        }
        return readable;
    }
    // Code page 932: a lead byte that the cut left alone goes.
    std::size_t length = 0;
    while (length < n) {
        const std::size_t step = IsCp932LeadByte(p[length]) ? 2 : 1;
        if (length + step > n) break;
        length += step;
    }
    return std::string(errors.substr(0, length));
}
