#include <gtest/gtest.h>

#include "support/core/ResultText.h"
#include "support/core/Texts.h"

namespace {

using Fault = TextConversion::Fault;

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

TEST(ResultText, ConvertedByTheByteOrderMark) {
    struct Case {
        const char* why;
        std::string result;
        bool utf8;
        std::string cp932;  // when the conversion succeeds
        Fault fault;
        std::size_t offset, line;
        char32_t codePoint;
    };
    const std::string le = "\xFF\xFE", be = "\xFE\xFF";
    const Case cases[] = {
        {"UTF-16LE", le + Bytes({'s', 0, 'o', 0, 'r', 0, 't', 0}), false, "sort", Fault::None, 0, 0, 0},
        // Four ASCII units at once, then a kanji, a JIS form (U+301C) and a half-width katakana.
        {"UTF-16LE, lines", le + Bytes({'a', 0, 'b', 0, 'c', 0, 'd', 0, '\r', 0, '\n', 0, 0x42, 0x30, 0x1C, 0x30, 0x71, 0xFF}),
         false, "abcd\r\n\x82\xA0\x81\x60\xB1", Fault::None, 0, 0, 0},
        {"UTF-16BE", be + Bytes({0x30, 0x42, 0, 'a'}), false, "\x82\xA0" "a", Fault::None, 0, 0, 0},
        {"UTF-8 with BOM", Bytes({0xEF, 0xBB, 0xBF, 0xE3, 0x81, 0x82}), false, "\x82\xA0", Fault::None, 0, 0, 0},
        {"only a BOM", le, false, "", Fault::None, 0, 0, 0},
        {"no BOM: as it is", "\x82\xA0\xEF\xBB\xBF", false, "\x82\xA0\xEF\xBB\xBF", Fault::None, 0, 0, 0},
        {"no BOM under utf8: UTF-8", "\xE3\x81\x82", true, "\x82\xA0", Fault::None, 0, 0, 0},
        {"a BOM wins over utf8", le + Bytes({0x42, 0x30}), true, "\x82\xA0", Fault::None, 0, 0, 0},
        {"e-acute, which Shift_JIS lacks", le + Bytes({'a', 0, '\n', 0, 0xE9, 0}), false, "", Fault::NoCp932Form, 6, 2, 0xE9},
        {"beyond the BMP (a surrogate pair)", be + Bytes({0, '\n', 0xD8, 0x3D, 0xDE, 0x00}), false, "", Fault::NoCp932Form, 4,
         2, 0x1F600},
        // U+4E0A (a kanji) holds a byte 0A but is no line end.
        {"line counted in units", le + Bytes({0x0A, 0x4E, 0xE9, 0x00}), false, "", Fault::NoCp932Form, 4, 1, 0xE9},
        {"odd byte count", le + Bytes({'a', 0, 'b'}), false, "", Fault::InvalidUtf16, 4, 1, 0},
        {"unpaired high surrogate", le + Bytes({0x00, 0xD8, 'a', 0}), false, "", Fault::InvalidUtf16, 2, 1, 0},
        {"lone low surrogate", be + Bytes({0xDC, 0x00}), false, "", Fault::InvalidUtf16, 2, 1, 0},
        {"UTF-8 with BOM, e-acute", Bytes({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}), false, "", Fault::NoCp932Form, 4, 1, 0xE9},
    };
    for (const Case& c : cases) {
        std::string result = c.result;
        const TextConversion conversion = ResultToCp932(result, c.utf8);
        EXPECT_EQ(conversion.fault, c.fault) << c.why;
        if (c.fault == Fault::None) {
            EXPECT_EQ(result, c.cp932) << c.why;
            continue;
        }
        EXPECT_EQ(result, c.result) << c.why;
        EXPECT_EQ(conversion.offset, c.offset) << c.why;
        EXPECT_EQ(conversion.line, c.line) << c.why;
        EXPECT_EQ(conversion.codePoint, c.codePoint) << c.why;
    }
    TextConversion fault;
    fault.fault = Fault::InvalidUtf16;
    EXPECT_EQ(ConversionFaultText(fault), kInvalidUtf16);
}

TEST(ResultText, NulAfterTheEncodingStep) {
    const std::string le = "\xFF\xFE", be = "\xFE\xFF";
    const std::string ascii = Bytes({'a', 0, 'b', 0, 'c', 0, 'd', 0});
    const std::pair<std::string, bool> cases[] = {
        {"abc", false},
        {std::string("ab\0c", 4), true},
        {le + ascii + ascii + Bytes({'e', 0}), false},
        {le + ascii + Bytes({0, 0}), true},  // in the tail after whole words
        {le + ascii + Bytes({'x', 0, 0, 0}) + ascii, true},
        {be + Bytes({0x30, 0x00, 0x00, 0x42}), false},  // 00 00 across two units
        {"\xEF\xBB\xBF" + std::string(1, '\0'), true},
        // In a block of 32 bytes, and after both kinds of line end were seen early.
        {std::string(40, 'a') + '\0' + std::string(40, 'b'), true},
        {"\r\n\n" + std::string(300000, 'a') + '\0', true},
        {"\r\n\n" + std::string(300000, 'a'), false},
    };
    for (const auto& [result, holds] : cases) EXPECT_EQ(ResultHoldsNul(result), holds) << result.size();
}

TEST(ResultText, FindsLineEndsAcrossWords) {
    struct Case { std::string text; bool crLf, bareLf, ends; };
    const Case cases[] = {
        {"", false, false, false},
        {"\n", false, true, true},
        {"a\r", false, false, true},
        // CR the last byte of one block of 32 (or of 16), LF the first of the next.
        {std::string(31, 'a') + "\r\n" + std::string(40, 'b'), true, false, false},
        {std::string(15, 'a') + "\r\n" + std::string(40, 'b'), true, false, false},
        {std::string(31, 'a') + "\r" + std::string(31, 'b') + "\n" + std::string(40, 'c'), false, true, false},
        {std::string(63, 'a') + "\r\n", true, false, true},
        {"\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\n", true, true, true},
        {std::string(100000, 'a') + "\r\n" + std::string(100000, 'b') + "\n", true, true, true},
    };
    for (const Case& c : cases) {
        const LineEnds ends = FindLineEnds(c.text);
        EXPECT_TRUE(ends.crLf == c.crLf && ends.bareLf == c.bareLf && ends.endsInLineEnd == c.ends) << c.text;
    }
}

TEST(ResultText, LineEndsLikeTheText) {
    struct Case { std::string text, result, after; };
    const Case cases[] = {
        {"a\r\nb\r\n", "x\ny\n", "x\r\ny\r\n"},
        {"a\r\nb", "x\ny\n", "x\r\ny"},
        {"b\r\na", "a\r\nb\r\n", "a\r\nb"},
        {"one line", "one line\n", "one line"},
        {"abc", "\n", ""},
        // More than one line end more, or one after a CR: kept.
        {"a\r\nb", "x\r\ny\r\n\r\n", "x\r\ny\r\n\r\n"},
        {"ab", "x\r\r\n", "x\r\r\n"},
        // The text ends in a line end (a CR counts).
        {"a\r\n", "x\n", "x\r\n"},
        {"a\r", "x\n", "x\n"},
        // A text with bare LF: no CR LF added.
        {"a\nb", "x\ny\n", "x\ny"},
        {"a\r\nb\nc", "x\ny", "x\ny"},
        // A result that mixes both kinds is left as it is.
        {"a\r\nb", "x\r\ny\nz\n", "x\r\ny\nz\n"},
        {"a\r\nb", "0123456\r\nabcdefg\n", "0123456\r\nabcdefg\n"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        // With the text's line ends looked at before, and with the text itself.
        std::string result = c.result, again = c.result;
        EXPECT_EQ(MatchLineEnds(FindLineEnds(c.text), result), c.result != c.after) << c.text << "|" << c.result;
        EXPECT_EQ(result, c.after) << c.text << "|" << c.result;
        MatchLineEnds(std::string_view(c.text), again);
        EXPECT_EQ(again, c.after) << c.text << "|" << c.result;
    }
}

TEST(ResultText, ChangedByTimeSizeOrBytes) {
    struct Case { bool timeChanged; const char *handedOver, *result; bool changed; };
    const Case cases[] = {
        {true, "abc", "abc", true}, {false, "abc", "abc", false}, {false, "abc", "abcd", true},
        {false, "abc", "abd", true}, {false, "", "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ResultChanged(c.timeChanged, c.handedOver, c.result), c.changed) << c.result;
}

TEST(ResultText, PreparedInOrder) {
    struct Case { const char* why; IoModes modes; std::string result; ResultVerdict verdict; std::string after; };
    const Case cases[] = {
        {"converted, then CR LF", {}, "\xFF\xFE" + Bytes({'x', 0, '\n', 0, 'y', 0}), ResultVerdict::Ready, "x\r\ny"},
        {"exact keeps the line ends", {.exact = true}, "x\ny\n", ResultVerdict::Ready, "x\ny\n"},
        // The line ends found in the one pass before a conversion from UTF-8 serve after it.
        {"UTF-8 behind its mark, then CR LF", {}, "\xEF\xBB\xBFx\ny\n", ResultVerdict::Ready, "x\r\ny"},
        {"as it is, then CR LF", {}, "x\ny\n", ResultVerdict::Ready, "x\r\ny"},
        {"NUL: untouched", {}, "\xFF\xFE" + Bytes({'x', 0, 0, 0}), ResultVerdict::HoldsNul, "\xFF\xFE" + Bytes({'x', 0, 0, 0})},
        {"not code page 932: untouched", {.utf8 = true}, "x\n\xF0\x9F\x98\x80", ResultVerdict::NotCp932,
         "x\n\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        std::string result = c.result;
        EXPECT_EQ(PrepareResult(result, c.modes, std::string_view("a\r\nb")).verdict, c.verdict) << c.why;
        EXPECT_EQ(result, c.after) << c.why;
    }
}

TEST(ResultText, TextWithResultAfter) {
    struct Case { const char* why; std::string text, result, after; };
    const Case cases[] = {
        {"a text that ends with its line end", "a\r\n", "b\r\n", "a\r\nb\r\n"},
        {"no line end: one of CR LF between", "a\r\nb", "c", "a\r\nb\r\nc"},
        {"no line end: one of LF after a text of LFs", "a\nb", "c", "a\nb\nc"},
        {"a single line: CR LF", "a", "c", "a\r\nc"},
        {"an empty result adds nothing", "a", "", "a"},
        {"an empty text: the result alone", "", "c", "c"},
        {"the text's bytes as they are", "\x93\xFA\x96\x7B", "x", "\x93\xFA\x96\x7B\r\nx"},
    };
    for (const Case& c : cases) EXPECT_EQ(TextWithResultAfter(c.text, c.result), c.after) << c.why;
}
