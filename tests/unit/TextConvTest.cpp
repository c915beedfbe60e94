#include <gtest/gtest.h>

#include "tools/textconv/core/TextConv.h"

namespace {

struct Case {
    const char* why;
    std::string in, out;
};

}  // namespace

TEST(TextConvHalfwidth, FullWidthFormsBecomeAscii) {
    const Case cases[] = {
        {"full-width space", "\x81\x40", " "},
        {"digits", "\x82\x4F\x82\x58", "09"},
        {"upper case ends", "\x82\x60\x82\x79", "AZ"},
        {"lower case ends", "\x82\x81\x82\x9A", "az"},
        {"punctuation of row 81", "\x81\x49\x81\x94\x81\x90\x81\x93\x81\x95\x81\x69\x81\x6A\x81\x96\x81\x7B\x81\x43",
         "!#$%&()*+,"},
        {"more punctuation", "\x81\x7C\x81\x44\x81\x5E\x81\x46\x81\x47\x81\x83\x81\x81\x81\x84\x81\x48\x81\x97",
         "-./:;<=>?@"},
        {"brackets and the rest", "\x81\x6D\x81\x5F\x81\x6E\x81\x4F\x81\x51\x81\x4D\x81\x6F\x81\x62\x81\x70\x81\x60",
         "[\\]^_`{|}~"},
        {"quotes of both extension rows", "\xFA\x57\xFA\x56\xEE\xFC\xEE\xFB", "\"'\"'"},
        {"mixed with ASCII and kana", "a\x82\x60" "b\x83\x41\xB1", "aAb\x83\x41\xB1"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ToHalfwidth(c.in), c.out) << c.why;
}

TEST(TextConvHalfwidth, NeverSplitsADoubleByteCharacter) {
    const Case cases[] = {
        // 0x83 0x82 (katakana MO): its second byte is the lead byte of the
        // full-width letters; the 0x60 after it is a grave accent of its own.
        {"second byte 0x82", "\x83\x82\x60", "\x83\x82\x60"},
        // 0x88 0x81 (kanji): the next pair 0x40 ... is not a full-width space.
        {"second byte 0x81", "\x88\x81\x40", "\x88\x81\x40"},
        {"full-width letter after a kanji", "\x88\x81\x82\x60", "\x88\x81" "A"},
        {"other full-width signs stay", "\x81\x8F\x81\x41\x81\x42", "\x81\x8F\x81\x41\x81\x42"},
        {"undefined pairs stay", "\x82\x59\x82\x5F\x82\x7A\x82\x80\x82\x9B", "\x82\x59\x82\x5F\x82\x7A\x82\x80\x82\x9B"},
        {"dangling lead byte at the end", "\x82\x60\x82", "A\x82"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToHalfwidth(c.in), c.out) << c.why;
}

TEST(TextConvUpper, OnlySingleByteLetters) {
    const Case cases[] = {
        {"ascii", "abc xyz 123", "ABC XYZ 123"},
        {"already upper", "ABC", "ABC"},
        // 0x83 0x61 (katakana) and 0x95 0x7A (kanji): second bytes with the
        // values of "a" and "z".
        {"second bytes that look like letters", "\x83\x61" "a\x95\x7A", "\x83\x61" "A\x95\x7A"},
        {"full-width letters stay", "\x82\x81", "\x82\x81"},
        {"half-width kana stay", "\xB1" "a", "\xB1" "A"},
        {"dangling lead byte", "a\x83", "A\x83"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUpperAscii(c.in), c.out) << c.why;
}

TEST(TextConvSort, SortsLinesKeepingTheBreaksInPlace) {
    const Case cases[] = {
        {"CR LF and a last break", "c\r\na\r\nb\r\n", "a\r\nb\r\nc\r\n"},
        {"no break after the last line", "b\r\nc\r\na", "a\r\nb\r\nc"},
        {"LF only", "b\na\n", "a\nb\n"},
        {"mixed breaks stay where they were", "b\r\na\nc", "a\r\nb\nc"},
        {"empty lines sort first", "b\r\n\r\na\r\n", "\r\na\r\nb\r\n"},
        {"bytes compare unsigned: double-byte after ASCII", "\x82\xA0\r\nz\r\n", "z\r\n\x82\xA0\r\n"},
        {"Shift-JIS order", "\x82\xA2\r\n\x82\xA0\r\n", "\x82\xA0\r\n\x82\xA2\r\n"},
        {"a lone CR is part of the line", "b\rx\r\na\r\n", "a\r\nb\rx\r\n"},
        {"prefix sorts first", "ab\r\na\r\n", "a\r\nab\r\n"},
        {"single line", "x", "x"},
        {"empty", "", ""},
        {"only a break", "\r\n", "\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(SortLines(c.in), c.out) << c.why;
}

TEST(TextConv, StepsRunHalfwidthThenUpperThenSort) {
    TextConvOptions all;
    all.sort = all.halfwidth = all.upper = true;
    // Full-width "b" becomes "B" before the sort, so it sorts before "a".
    EXPECT_EQ(ConvertText("a\r\n\x82\x82\r\n", all), "A\r\nB\r\n");
    EXPECT_EQ(ConvertText("\x82\x82\r\na\r\n", TextConvOptions{true, false, false}), "a\r\n\x82\x82\r\n");
    EXPECT_EQ(ConvertText("b\r\na", TextConvOptions{}), "b\r\na");
}

TEST(TextConv, ArgumentsAreSwitchesThenTheFile) {
    struct ArgsCase {
        std::vector<std::string> arguments;
        bool ok, sort, halfwidth, upper;
        std::string file;
    };
    const ArgsCase cases[] = {
        {{"/sort", "C:\\t\\qlk1.tmp"}, true, true, false, false, "C:\\t\\qlk1.tmp"},
        {{"/SORT", "/HalfWidth", "/upper", "f"}, true, true, true, true, "f"},
        {{"/html", "/nowmode", "/sort", "f"}, true, true, false, false, "f"},
        // The last argument is the file even when it looks like a switch.
        {{"/sort", "/upper"}, true, true, false, false, "/upper"},
        {{"f"}, true, false, false, false, "f"},
        {{}, false, false, false, false, ""},
        // A filter has no file: every argument is a switch.
        {{"/sort", "/Stdio", "/upper"}, true, true, false, true, ""},
    };
    for (const ArgsCase& c : cases) {
        TextConvOptions options;
        std::string file;
        ASSERT_EQ(ParseTextConvArguments(c.arguments, options, file), c.ok);
        EXPECT_EQ(options.sort, c.sort);
        EXPECT_EQ(options.halfwidth, c.halfwidth);
        EXPECT_EQ(options.upper, c.upper);
        EXPECT_EQ(file, c.file);
    }
}

TEST(TextConv, DelayIsDecimalMillisecondsUpToAMinute) {
    const struct {
        const char* argument;
        unsigned delayMs;
    } cases[] = {
        {"/delay=1500", 1500}, {"/DELAY=0", 0},  {"/delay=60000", 60000}, {"/delay=99999", 60000},
        {"/delay=123456", 0},  {"/delay=", 0},   {"/delay=1e3", 0},       {"/delay=-5", 0},
    };
    for (const auto& c : cases) {
        TextConvOptions options;
        std::string file;
        ASSERT_TRUE(ParseTextConvArguments({c.argument, "f"}, options, file));
        EXPECT_EQ(options.delayMs, c.delayMs) << c.argument;
        EXPECT_EQ(file, "f");
    }
}

TEST(TextConv, FolderOfAPath) {
    const Case cases[] = {
        {"backslash", "C:\\temp\\qlk1.tmp", "C:\\temp\\"},
        {"slash", "dir/file", "dir/"},
        {"no folder", "file.txt", ""},
        // 0x95 0x5C (a kanji whose second byte is a backslash) is no separator.
        {"second byte backslash", "C:\\\x95\x5C\\\x95\x5C.txt", "C:\\\x95\x5C\\"},
        {"second byte backslash at the end", "C:\\d\\\x95\x5C", "C:\\d\\"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FolderOf(c.in), c.out) << c.why;
}
