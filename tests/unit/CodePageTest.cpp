#include <gtest/gtest.h>

#include "base/core/CodePage.h"
#include "tests/unit/TestCodePage.h"

// These run against the portable model natively and against the platform's
// own functions under Wine, so both must agree on what the byte logic needs.
TEST(CodePage, LeadBytesOf932) {
    const CodePage& cp = TestCodePage();
    for (int b = 0; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(cp.IsLeadByte(static_cast<unsigned char>(b)), lead) << std::hex << b;
    }
}

TEST(CodePage, FoldingKeepsLengthAndSecondBytes) {
    const CodePage& cp = TestCodePage();
    struct Case { std::string in, lower, upper; };
    const Case cases[] = {
        {"/APP=C:\\Tools", "/app=c:\\tools", "/APP=C:\\TOOLS"},
        // 0x83 0x41 (katakana A): its second byte has the value of "A".
        {"\x83\x41" "B", "\x83\x41" "b", "\x83\x41" "B"},
        // 0x95 0x5C: second byte with the value of a backslash.
        {"\x95\x5C" "x", "\x95\x5C" "x", "\x95\x5C" "X"},
        // Full-width Latin A / a.
        {"\x82\x60", "\x82\x81", "\x82\x60"},
        // Half-width katakana are single bytes and stay.
        {"\xB1\xB2Z", "\xB1\xB2z", "\xB1\xB2Z"},
        // A text ending on a lead byte is folded too; the lead byte stays.
        {"aB\x88", "ab\x88", "AB\x88"},
        // A last byte in the lead-byte range that is a second byte.
        {"aB\x88\x9F", "ab\x88\x9F", "AB\x88\x9F"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cp.Lowered(c.in), c.lower);
        EXPECT_EQ(cp.Uppered(c.in), c.upper);
    }
    EXPECT_TRUE(cp.Equal("abc", "abc"));
}

#include "support/core/Texts.h"

// The build converts the texts to code page 932; a character outside it would
// be replaced silently, so the bytes of a few texts are pinned here.
TEST(Texts, AreCodePage932Bytes) {
    EXPECT_EQ(std::string(kLockPrefix), "[\x83\x8D\x83\x62\x83\x4E] ");
    EXPECT_EQ(std::string(kCannotCreateFile).substr(0, 8), "\xCC\xA7\xB2\xD9 %s ");
    EXPECT_EQ(std::string(kNotStartedFromHost).size(), 37u);
    // A wide text is UTF-16 (UTF-32 natively), not widened bytes.
    EXPECT_EQ(std::wstring(kWrongCodePage).substr(10, 4), L"\u3092\u5B9F\u884C\u3067");
}
