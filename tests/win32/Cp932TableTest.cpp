// The code page 932 table and the conversions built on it against the
// platform's own MultiByteToWideChar(932) and WideCharToMultiByte(932), byte
// by byte and character by character.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/core/Cp932Table.h"
#include "support/core/Utf8Text.h"

namespace {

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text.empty() ? "(none)" : text;
}

// A result after its "a", or a refusal.
std::string Shown(const std::string& result) { return result[0] == '(' ? result : Hex(result.substr(1)); }

// The first few disagreements, and how many there were.
class Mismatches {
public:
    void Add(const std::string& what) {
        if (count_++ < 20) text_ += what + "\n";
    }
    ::testing::AssertionResult None() const {
        if (count_ == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << count_ << " mismatches:\n" << text_;
    }

private:
    std::size_t count_ = 0;
    std::string text_;
};

}  // namespace

TEST(Cp932Table, DecodesEveryByteAndPairAsWindows) {
    Mismatches wrong;
    const auto check = [&](const std::string& bytes, std::uint16_t ours) {
        wchar_t wide[4] = {};
        const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide, 4);
        const std::uint16_t windows = n == 1 ? static_cast<std::uint16_t>(wide[0]) : kCp932Undefined;
        if (ours != windows) {
            char line[64];
            std::snprintf(line, sizeof line, "%s: table %04X, Windows %04X (%d characters)", Hex(bytes).c_str(), ours,
                          windows, n);
            wrong.Add(line);
        }
    };
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (!IsCp932LeadByte(byte)) {
            check(std::string(1, static_cast<char>(byte)), kCp932SingleByte[b]);
            continue;
        }
        for (unsigned t = 0; t < 256; ++t) {
            check(std::string{static_cast<char>(byte), static_cast<char>(t)}, Cp932Pair(byte, static_cast<unsigned char>(t)));
        }
    }
    EXPECT_TRUE(wrong.None());
}

// Every BMP character through Utf8ToCp932 against WideCharToMultiByte without
// best fit. Ours by design: the JIS forms, which Windows refuses, and the
// characters of the single bytes that the decoding refuses, which Windows
// takes. (Each after an "a", so that U+FEFF is not a leading BOM.)
TEST(Cp932Table, EncodesEveryCharacterAsWindows) {
    const std::string refused = "(refused)";
    const struct {
        unsigned unicode;
        std::string cp932;
    } ours[] = {{0x301C, "\x81\x60"}, {0x2016, "\x81\x61"}, {0x2212, "\x81\x7C"},
                {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00AC, "\x81\xCA"},
                {0xF8F0, refused},     {0xF8F1, refused},     {0xF8F2, refused},     {0xF8F3, refused}};
    Mismatches wrong;
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const wchar_t wide = static_cast<wchar_t>(c);
        char utf8[8] = "a", cp932[4];
        const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, &wide, 1, utf8 + 1, 4, nullptr, nullptr);
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, cp932, 4, nullptr, &usedDefault);
        std::string expected = n > 0 && !usedDefault ? "a" + std::string(cp932, n) : refused;
        for (const auto& own : ours) {
            if (own.unicode == c) expected = own.cp932 == refused ? refused : "a" + own.cp932;
        }
        std::string converted;
        const TextConversion r = Utf8ToCp932(std::string(utf8, 1 + utf8Length), converted);
        if (!r.ok()) {
            converted = r.fault == TextConversion::Fault::NoCp932Form && r.codePoint == c ? refused : "(wrong fault)";
        }
        if (converted != expected) {
            wrong.Add(CodePointText(c) + ": ours " + Shown(converted) + ", expected " + Shown(expected));
        }
    }
    EXPECT_TRUE(wrong.None());
}
