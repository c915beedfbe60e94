#include <gtest/gtest.h>

#include "support/core/FilterText.h"
#include "support/core/ToolError.h"
#include "tests/unit/TestCodePage.h"

TEST(FirstLines, KeepsTheFirstNonEmptyLinesWithinTheLimits) {
    struct Case { std::string text; std::size_t lines, bytes; std::string expected; };
    const Case cases[] = {
        {"", 5, 100, ""},
        {"error: x\r\n\r\n  at line 3  \nthird\rfourth\n", 3, 100, "error: x\r\nat line 3\r\nthird"},
        {"abcdef\nghi", 5, 8, "abcdef"},
        {"abcdef\nghi", 5, 10, "abcdef\r\ngh"},
        // Never half a double-byte character.
        {"\x83\x47\x83\x89\x81\x5B", 5, 5, "\x83\x47\x83\x89"},
    };
    for (const Case& c : cases) EXPECT_EQ(FirstLines(c.text, c.lines, c.bytes, TestCodePage()), c.expected) << c.text;
}

TEST(FormatMessageTexts, FillsEachPlaceInOnePass) {
    EXPECT_EQ(FormatMessageTexts("a %s b %s c", {"1", "%s"}), "a 1 b %s c");
    EXPECT_EQ(FormatMessageTexts("%s%s", {"x"}), "x");
}

TEST(FormatWideMessageText, FillsEveryPlaceWithTheOneValue) {
    EXPECT_EQ(FormatWideMessageText(L"a %s b %s", L"%s1"), L"a %s1 b %s1");
}
