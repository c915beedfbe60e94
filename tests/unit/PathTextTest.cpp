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

TEST(HandedOnFileName, NeverSplitsAtABlankOrCmdsSpecialCharacters) {
    // The short forms that a volume gives; a folder not listed has none.
    const std::map<std::string, std::string> shortForms = {
        {"C:\\Users\\John Smith\\Temp\\", "C:\\Users\\JOHNSM~1\\Temp\\"},
        {"C:\\Users\\John\\Temp\\", "C:\\Users\\JOHN~1\\Temp\\"},
        // 0x95 0x5C: a kanji whose second byte has the value of a backslash.
        {"C:\\\x95\x5C x\\", "C:\\HYOX~1\\"},
        {"C:\\a,b;c=d\\", "C:\\ABCD~1\\"},
        {"C:\\50% off\\", "C:\\50OFF~1\\"},
        {"C:\\R&D 50%\\", "C:\\R&D~1\\"},
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
        // cmd's special characters: the short form where it has none, else quotes
        // (a valid 8.3 name such as R&D has no other short form).
        {"C:\\a,b;c=d\\qlk1.tmp", "C:\\ABCD~1\\qlk1.tmp"},
        {"C:\\Users\\R&D\\qlk1.tmp", "\"C:\\Users\\R&D\\qlk1.tmp\""},
        {"C:\\x(1)^\\qlk1.tmp", "\"C:\\x(1)^\\qlk1.tmp\""},
        // No quotes stop %NAME%: the short form where it drops the %, else as it is.
        {"C:\\50% off\\qlk1.tmp", "C:\\50OFF~1\\qlk1.tmp"},
        {"C:\\R&D 50%\\qlk1.tmp", "\"C:\\R&D~1\\qlk1.tmp\""},
        {"C:\\50%\\qlk1.tmp", "C:\\50%\\qlk1.tmp"},
        {"D:\\x 50%\\qlk1.tmp", "\"D:\\x 50%\\qlk1.tmp\""},
        // 0x83 0x7C: a katakana whose second byte has the value of |.
        {"C:\\\x83\x7C\\qlk1.tmp", "C:\\\x83\x7C\\qlk1.tmp"},
    };
    for (const Case& c : cases) EXPECT_EQ(HandedOnFileName(c.name, shortForm, TestCodePage()), c.handedOn) << c.name;
}

TEST(UsableProgramPath, QuotedWhereAFileKeepsABlank) {
    struct Case { std::string value, shortForm; bool file; std::string usable; };
    const Case cases[] = {
        {"C:\\Tools\\conv.exe", "C:\\Tools\\conv.exe", true, "C:\\Tools\\conv.exe"},
        {"C:\\My Tools\\conv.exe", "C:\\MYTOOL~1\\conv.exe", true, "C:\\MYTOOL~1\\conv.exe"},
        {"D:\\My Tools\\conv.exe", "D:\\My Tools\\conv.exe", true, "\"D:\\My Tools\\conv.exe\""},
        {"cmd /c x.bat", "cmd /c x.bat", false, "cmd /c x.bat"},
        {"D:\\My Tools\\missing.exe", "D:\\My Tools\\missing.exe", false, "D:\\My Tools\\missing.exe"},
    };
    for (const Case& c : cases) EXPECT_EQ(UsableProgramPath(c.value, c.shortForm, c.file, TestCodePage()), c.usable) << c.value;
}
