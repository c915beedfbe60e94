#include <gtest/gtest.h>

#include "support/core/Utf8Text.h"

namespace {

// UTF-8 written as text (u8 literals are not converted to code page 932 by
// the build, narrow ones are).
std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(Utf8Text, Cp932ToUtf8AndBack) {
    struct Case {
        const char* why;
        std::string cp932, utf8, back;  // back: the code page 932 the UTF-8 gives, when not `cp932`
    };
    const Case cases[] = {
        // 日本語① (NEC row 13), 0x8160 (U+FF5E), ｱ (half-width), 纊 (IBM extension)
        {"Japanese", "\x93\xFA\x96\x7B\x8C\xEA\x87\x40\x81\x60\xB1\xFA\x5C", U8(u8"日本語①～ｱ纊"), ""},
        {"ASCII with backslash and tilde, lines", "a\\b~\r\nc\n", "a\\b~\r\nc\n", ""},
        {"ASCII runs around a kanji", "abcdefghij\x93\xFA" "abcdefgh", U8(u8"abcdefghij日abcdefgh"), ""},
        {"0x80", "\x80", "\xC2\x80", ""},
        {"user-defined area", "\xF0\x40\xF9\xFC", "\xEE\x80\x80\xEE\x9D\x97", ""},
        // Codes that another code also decodes to: Windows' preferred code comes back.
        {"NEC row 13 duplicate of JIS", "\x87\x90", U8(u8"≒"), "\x81\xE0"},
        {"IBM duplicate of NEC row 13", "\xFA\x4A", U8(u8"Ⅰ"), "\x87\x54"},
        {"NEC-selected IBM duplicate of IBM", "\xED\x40\xEE\xEF", U8(u8"纊ⅰ"), "\xFA\x5C\xFA\x40"},
        {"empty", "", "", ""},
    };
    for (const Case& c : cases) {
        std::string utf8, back;
        ASSERT_TRUE(Cp932ToUtf8(c.cp932, utf8).ok()) << c.why;
        EXPECT_EQ(utf8, c.utf8) << c.why;
        ASSERT_TRUE(Utf8ToCp932(utf8, back).ok()) << c.why;
        EXPECT_EQ(back, c.back.empty() ? c.cp932 : c.back) << c.why;
    }
}

TEST(Utf8Text, Utf8FormsOfCp932Characters) {
    struct Case {
        const char* why;
        std::string utf8, cp932;
    };
    const Case cases[] = {
        {"BOM dropped", U8(u8"\uFEFFあ"), "\x82\xA0"},
        {"only a BOM", "\xEF\xBB\xBF", ""},
        {"JIS forms and the Microsoft forms", U8(u8"〜～‖∥−－¢￠£￡¬￢"),
         "\x81\x60\x81\x60\x81\x61\x81\x61\x81\x7C\x81\x7C\x81\x91\x81\x91\x81\x92\x81\x92\x81\xCA\x81\xCA"},
    };
    for (const Case& c : cases) {
        std::string cp932;
        ASSERT_TRUE(Utf8ToCp932(c.utf8, cp932).ok()) << c.why;
        EXPECT_EQ(cp932, c.cp932) << c.why;
    }
}

TEST(Utf8Text, RefusesWithThePlace) {
    using Fault = TextConversion::Fault;
    struct Case {
        const char* why;
        bool fromCp932;
        std::string input;
        Fault fault;
        std::size_t offset, line;
        std::string bytes, codePoint;
    };
    const Case cases[] = {
        {"lead byte at the end", true, "ab\r\nc\x82", Fault::InvalidCp932, 5, 2, "\x82", ""},
        {"line break as second byte", true, "\x82\n", Fault::InvalidCp932, 0, 1, "\x82\n", ""},
        {"second byte 7F", true, "x\n\n\x81\x7F", Fault::InvalidCp932, 3, 3, "\x81\x7F", ""},
        {"second byte beyond FC", true, "\x81\xFD", Fault::InvalidCp932, 0, 1, "\x81\xFD", ""},
        {"undefined pair", true, "\x82\xA0\x85\x40", Fault::InvalidCp932, 2, 1, "\x85\x40", ""},
        // (Windows decodes these to U+F8F0-U+F8F3 only when told to accept anything.)
        {"single byte A0", true, "\xB1\xA0", Fault::InvalidCp932, 1, 1, "\xA0", ""},
        {"single byte FF", true, "abcdefgh\xFF", Fault::InvalidCp932, 8, 1, "\xFF", ""},
        {"overlong", false, "a\xC0\xAF", Fault::InvalidUtf8, 1, 1, "\xC0", ""},
        {"overlong of three bytes", false, "\xE0\x80\xAF", Fault::InvalidUtf8, 0, 1, "\xE0\x80", ""},
        {"surrogate", false, "\n\xED\xA0\x80", Fault::InvalidUtf8, 1, 2, "\xED\xA0", ""},
        {"beyond U+10FFFF", false, "\xF4\x90\x80\x80", Fault::InvalidUtf8, 0, 1, "\xF4\x90", ""},
        {"F5", false, "\xF5\x80\x80\x80", Fault::InvalidUtf8, 0, 1, "\xF5", ""},
        {"stray continuation byte", false, "abcdefghij\x80", Fault::InvalidUtf8, 10, 1, "\x80", ""},
        {"truncated at the end", false, "a\n\xE3\x81", Fault::InvalidUtf8, 2, 2, "\xE3\x81", ""},
        {"truncated by ASCII", false, "\xE3\x81" "a", Fault::InvalidUtf8, 0, 1, "\xE3\x81" "a", ""},
        {"emoji", false, U8(u8"一行目\r\n😀"), Fault::NoCp932Form, 11, 2, "\xF0\x9F\x98\x80", "U+1F600"},
        {"yen sign (Windows' best fit only)", false, U8(u8"\u00A5"), Fault::NoCp932Form, 0, 1, "\xC2\xA5", "U+00A5"},
        {"BOM not at the start", false, U8(u8"a\uFEFF"), Fault::NoCp932Form, 1, 1, "\xEF\xBB\xBF", "U+FEFF"},
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        const TextConversion r = c.fromCp932 ? Cp932ToUtf8(c.input, out) : Utf8ToCp932(c.input, out);
        EXPECT_EQ(r.fault, c.fault) << c.why;
        EXPECT_EQ(r.offset, c.offset) << c.why;
        EXPECT_EQ(r.line, c.line) << c.why;
        EXPECT_EQ(r.bytes, c.bytes) << c.why;
        if (!c.codePoint.empty()) {
            EXPECT_EQ(CodePointText(r.codePoint), c.codePoint) << c.why;
        }
        EXPECT_EQ(out, "untouched") << c.why;
    }
}

TEST(Utf8Text, ReadableErrorText) {
    struct Case {
        const char* why;
        std::string errors, readable;
    };
    const Case cases[] = {
        {"ASCII", "error: x\r\n", "error: x\r\n"},
        {"UTF-8 Japanese", U8(u8"行 3: 構文エラー"), "\x8D\x73 3: \x8D\x5C\x95\xB6\x83\x47\x83\x89\x81\x5B"},
        {"characters code page 932 lacks", U8(u8"✘ 名 ─"), "* \x96\xBC \x84\x9F"},
        {"an emoji", U8(u8"a😀b"), "a*b"},
        {"a UTF-8 character cut at the end", U8(u8"名前") .substr(0, 5), "\x96\xBC"},
        {"code page 932", "\x8D\x73 3: \x83\x47\x83\x89\x81\x5B", "\x8D\x73 3: \x83\x47\x83\x89\x81\x5B"},
        {"code page 932 cut after a lead byte", "\x83\x47\x83", "\x83\x47"},
        {"bytes that are neither", "\xFF\x80", "\xFF\x80"},
        {"UTF-8 then a bad byte: code page 932", "\xE5\x90\x8D\xFF", "\xE5\x90\x8D\xFF"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadableErrorText(c.errors, "*"), c.readable) << c.why;
}
