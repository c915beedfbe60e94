#include <gtest/gtest.h>

#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "tests/unit/TestCodePage.h"

TEST(ChangeFileExt, ReplacesTheExtensionOfTheLastComponent) {
    struct Case { std::string name, extension, result; };
    const Case cases[] = {
        {"C:\\Temp\\qlk1A2B.tmp", ".txt", "C:\\Temp\\qlk1A2B.txt"},
        {"C:\\a.b\\Temp\\qlk1.tmp", ".html", "C:\\a.b\\Temp\\qlk1.html"},
        {"C:\\a.b\\noext", ".txt", "C:\\a.b\\noext.txt"},
        {"C:\\x\\qlk1.tmp", ".tar.gz", "C:\\x\\qlk1.tar.gz"},
        // 0x83 0x5C is a katakana whose second byte has the value of a
        // backslash: no delimiter, so the dot before it still counts.
        {"C:\\d.\x83\x5C" "x", ".txt", "C:\\d.txt"},
        {"C:\\d.e\\\x83\x5C" "x", ".txt", "C:\\d.e\\\x83\x5C" "x.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(ChangeFileExt(c.name, c.extension, TestCodePage()), c.result) << c.name;
}

TEST(LockedTitle, PrefixAndAtMost256BytesOfTheTitle) {
    const CodePage& cp = TestCodePage();
    EXPECT_EQ(LockedTitle("memo.txt - Editor", cp), std::string(kLockPrefix) + "memo.txt - Editor");
    EXPECT_EQ(LockedTitle("", cp), kLockPrefix);
    const std::string longTitle(300, 't');
    EXPECT_EQ(LockedTitle(longTitle, cp), kLockPrefix + std::string(256, 't'));
    // A double-byte character across the 256th byte is left out whole.
    const std::string straddling = std::string(255, 'a') + "\x83\x65" + "zz";
    EXPECT_EQ(LockedTitle(straddling, cp), kLockPrefix + std::string(255, 'a'));
    const std::string fitting = std::string(254, 'a') + "\x83\x65" + "zz";
    EXPECT_EQ(LockedTitle(fitting, cp), kLockPrefix + std::string(254, 'a') + "\x83\x65");
}

TEST(LaunchFailedMessage, NamesTheWholeCommand) {
    EXPECT_EQ(LaunchFailedMessage("C:\\Tools\\conv.exe", "/html \"a\" ", "C:\\T\\qlk1.tmp"),
              std::string("C:\\Tools\\conv.exe /html \"a\"  C:\\T\\qlk1.tmp\r\n\r\n") + kLaunchFailedSuffix);
    EXPECT_EQ(LaunchFailedMessage("", "", "C:\\T\\qlk1.tmp"), std::string("  C:\\T\\qlk1.tmp\r\n\r\n") + kLaunchFailedSuffix);
}
