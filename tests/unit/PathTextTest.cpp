#include <gtest/gtest.h>

#include <map>

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

TEST(HandedOnFileName, NeverSplitsAtABlank) {
    // The short forms that a volume gives; a folder not listed has none.
    const std::map<std::string, std::string> shortForms = {
        {"C:\\Users\\John Smith\\Temp\\", "C:\\Users\\JOHNSM~1\\Temp\\"},
        {"C:\\Users\\John\\Temp\\", "C:\\Users\\JOHN~1\\Temp\\"},
        // 0x95 0x5C: a kanji whose second byte has the value of a backslash.
        {"C:\\\x95\x5C x\\", "C:\\HYOX~1\\"},
    };
    const auto shortForm = [&](const std::string& folder) {
        const auto found = shortForms.find(folder);
        return found == shortForms.end() ? folder : found->second;
    };
    struct Case { std::string name, handedOn; };
    const Case cases[] = {
        // Without a blank, as it is (though its folder has a short form).
        {"C:\\Users\\John\\Temp\\qlk1A2B.tmp", "C:\\Users\\John\\Temp\\qlk1A2B.tmp"},
        {"C:\\Users\\John Smith\\Temp\\qlk1A2B.tmp", "C:\\Users\\JOHNSM~1\\Temp\\qlk1A2B.tmp"},
        {"C:\\Users\\John Smith\\Temp\\qlk1A2B.html", "C:\\Users\\JOHNSM~1\\Temp\\qlk1A2B.html"},
        {"C:\\\x95\x5C x\\qlk1.tmp", "C:\\HYOX~1\\qlk1.tmp"},
        {"D:\\No Short\\qlk1.tmp", "\"D:\\No Short\\qlk1.tmp\""},
        // An extension with a blank in it (from /ext=).
        {"C:\\Users\\John Smith\\Temp\\qlk1.a b", "\"C:\\Users\\John Smith\\Temp\\qlk1.a b\""},
    };
    for (const Case& c : cases) EXPECT_EQ(HandedOnFileName(c.name, shortForm, TestCodePage()), c.handedOn) << c.name;
}
