#include <gtest/gtest.h>

#include "host/core/HostProtocol.h"
#include "support/core/CommandLine.h"
#include "support/core/IoModes.h"
#include "tests/unit/TestCodePage.h"

namespace {

using Pieces = std::vector<std::string>;

}  // namespace

TEST(SplitCommandLine, FollowsTheToolsRules) {
    struct Case { std::string line; Pieces pieces; };
    const Case cases[] = {
        {"", {}},
        {"tool.exe", {"tool.exe"}},
        {"\"C:\\Program Files\\tool.exe\" /save", {"C:\\Program Files\\tool.exe", "/save"}},
        // Any bytes 0x01-0x20 separate, runs of them included.
        {"t \t\x01 a\r\nb  ", {"t", "a", "b"}},
        // Quotes around the whole argument or only after the prefix.
        {"t \"/app=C:\\My Tools\\x.exe\"", {"t", "/app=C:\\My Tools\\x.exe"}},
        {"t /app=\"C:\\My Tools\\x.exe\" b", {"t", "/app=C:\\My Tools\\x.exe", "b"}},
        // An empty quoted argument vanishes, also several in a row.
        {"t \"\" a \"\"\"\" b", {"t", "a", "b"}},
        // An opening quote without its closing one runs to the end.
        {"t \"a b", {"t", "a b"}},
        {"t a\"\"b", {"t", "ab"}},
        // A lone quote at the end gives the empty piece that ends the count.
        {"t a \"", {"t", "a"}},
        // Second bytes 0x5C and 0x41 are plain bytes of the piece.
        {"t \x95\x5C \x83\x41", {"t", "\x95\x5C", "\x83\x41"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.pieces) << c.line;
}

TEST(SplitCommandLine, KeepsLongPiecesWhole) {
    const std::string path = "C:\\" + std::string(300, 'd') + "\\conv.exe";
    const Pieces pieces = SplitCommandLine("t /app=" + path + " next");
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[1], "/app=" + path);
    EXPECT_EQ(GetSwitchValueIn(pieces, "/app=", TestCodePage()), path);
}

TEST(SwitchQueries, PresenceSwitches) {
    const CodePage& cp = TestCodePage();
    struct Case { std::string line; const char* switchText; bool found; };
    const Case cases[] = {
        {"t", "/save", false},
        {"t /save", "/save", true},
        {"t /SAVE", "/save", true},
        {"t /HIDE", "/hide", true},
        {"t /hidden", "/hide", false},
        {"t /hides", "/hide", false},
        {"t /nowmodes", "/nowmode", false},
        {"t x/save", "/save", false},
        // The program name is never looked at.
        {"/save", "/save", false},
        {"t a \"/save\"", "/save", true},
    };
    for (const Case& c : cases) EXPECT_EQ(HasSwitchIn(SplitCommandLine(c.line), c.switchText, cp), c.found) << c.line;
}

TEST(SwitchQueries, Values) {
    const CodePage& cp = TestCodePage();
    struct Case { std::string line; const char* prefix; std::string value; };
    const Case cases[] = {
        {"t", "/app=", ""},
        {"t /APP=C:\\Tools\\Conv.EXE", "/app=", "C:\\Tools\\Conv.EXE"},
        {"t /app= /app=x", "/app=", "x"},
        {"t /app=first /app=second", "/app=", "first"},
        {"t /app=", "/app=", ""},
        {"t /ext=txt", "/ext=", "txt"},
        {"t /ext=", "/ext=", ""},
        {"t \"/app=cmd /c sort\"", "/app=", "cmd /c sort"},
        {"t /app=\"cmd /c sort\"", "/app=", "cmd /c sort"},
        // A double-byte character whose second byte is an upper-case letter
        // keeps its bytes in the value.
        {"t /app=\x83\x41\x83\x5A.exe", "/app=", "\x83\x41\x83\x5A.exe"},
    };
    for (const Case& c : cases) EXPECT_EQ(GetSwitchValueIn(SplitCommandLine(c.line), c.prefix, cp), c.value) << c.line;
}

TEST(PassedOnList, LeavesOutTheToolsOwnSwitchesAndQuotesTheRest) {
    const CodePage& cp = TestCodePage();
    struct Case { std::string line; bool withMode; std::uint8_t mode; std::string list; };
    const Case cases[] = {
        {"t", false, kModeNone, ""},
        {"t /nowmode", true, kModeHtml, "/html "},
        {"t /nowmode", true, kModeDefault, "/def "},
        {"t /nowmode", true, kModeNone, "/def "},
        {"t /app=conv.exe a b /nowmode", true, kModeHtml, "/html \"a\" \"b\" "},
        // A prefix test: anything that begins with one of the tool's switches
        // is left out, even where the switch queries give it no effect.
        {"t /hides /nowmodes /app= /APP=x /Ext=t /HIDE /hideaway /io=pipe /IO=", false, kModeNone, ""},
        {"t /iox /io", false, kModeNone, "\"/iox\" \"/io\" "},
        {"t /OUT=copy /out=x /outer /out", false, kModeNone, "\"/outer\" \"/out\" "},
        {"t /ASK /asked /as /a sk", false, kModeNone, "\"/as\" \"/a\" \"sk\" "},
        {"t /DIR=C:\\x /dir= /OutExt=js /outext /out=x /dirs", false, kModeNone, "\"/outext\" \"/dirs\" "},
        {"t /APP=C:\\t\\conv.exe /Hideaway /nowmodes /app= /saveas x \"\" \"y z\" /EXT= /Hide", false, kModeNone,
         "\"/saveas\" \"x\" \"y z\" "},
        {"t /saved \"two words\" \x95\x5C", false, kModeNone, "\"/saved\" \"two words\" \"\x95\x5C\" "},
        {"t \"\" a", false, kModeNone, "\"a\" "},
        // Backslashes before the closing quote doubled (the C runtime reads \" as a
        // quote), others not; nor the second byte of a double-byte character.
        {"t C:\\windows\\ \"a\\\\\" \\\\srv\\x \x95\x5C\\", false, kModeNone,
         "\"C:\\windows\\\\\" \"a\\\\\\\\\" \"\\\\srv\\x\" \"\x95\x5C\\\\\" "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MakePassedOnListFrom(SplitCommandLine(c.line), c.withMode, c.mode, cp), c.list) << c.line;
    }
}

TEST(ToolSwitches, ReadOnceAsTheQueriesReadThem) {
    const CodePage& cp = TestCodePage();
    const Pieces pieces = SplitCommandLine(
        "t /Hide a /app= /APP=C:\\Conv.EXE /app=second \"/dir=C:\\My Project\" /outext=JS /io=pipe,utf8 /save /asks b");
    const ToolSwitches s = ReadToolSwitches(pieces, cp);
    EXPECT_TRUE(s.hide && s.save);
    EXPECT_FALSE(s.ask || s.nowmode);
    EXPECT_EQ(s.app, "C:\\Conv.EXE");
    EXPECT_EQ(s.dir, "C:\\My Project");
    EXPECT_EQ(s.outext, "JS");
    EXPECT_EQ(s.io, "pipe,utf8");
    EXPECT_EQ(s.ext, "");
    EXPECT_EQ(s.passedOn, (Pieces{"a", "/save", "b"}));
    EXPECT_EQ(PassedOnListOf(s.passedOn, true, kModePerl, cp), "/perl \"a\" \"/save\" \"b\" ");
}

TEST(ModeSwitch, OneWordPerMode) {
    const char* expected[] = {"/def ", "/def ", "/html ", "/perl ", "/ruby ", "/ini ", "/bat ",
                              "/cpp ", "/java ", "/vb ",   "/hsp ",  "/pas ", "/def "};
    for (std::uint8_t mode = 0; mode <= 12; ++mode) EXPECT_EQ(ModeSwitch(mode), expected[mode]) << int(mode);
}

TEST(ChooseJob, SaveWinsOverEveryOtherSwitch) {
    const CodePage& cp = TestCodePage();
    EXPECT_EQ(ChooseJob(SplitCommandLine("t /app=x /nowmode /save /hide"), cp), JobKind::SaveToFile);
    EXPECT_EQ(ChooseJob(SplitCommandLine("t /Save"), cp), JobKind::SaveToFile);
    EXPECT_EQ(ChooseJob(SplitCommandLine("t /saveas /app=x"), cp), JobKind::ExternalToolRun);
    EXPECT_EQ(ChooseJob(SplitCommandLine("t"), cp), JobKind::ExternalToolRun);
}

TEST(ParseIoModes, ACommaListOfPipeUtf8AndExactAndNothingElse) {
    const CodePage& cp = TestCodePage();
    struct Case { const char* value; bool valid, pipe, utf8, exact; };
    const Case cases[] = {
        {"", true, false, false, false},          {"pipe", true, true, false, false},
        {"UTF8", true, false, true, false},       {"pipe,utf8", true, true, true, false},
        {"Utf8,Pipe,pipe", true, true, true, false}, {"Exact", true, false, false, true},
        {"pipe,utf8,exact", true, true, true, true},
        {"utf-8", false, false, false, false},    {"pipe,", false, false, false, false},
        {",pipe", false, false, false, false},    {"pipe utf8", false, false, false, false},
        {"exactly", false, false, false, false},
    };
    for (const Case& c : cases) {
        const auto modes = ParseIoModes(c.value, cp);
        ASSERT_EQ(modes.has_value(), c.valid) << c.value;
        if (modes) {
            EXPECT_TRUE(modes->pipe == c.pipe && modes->utf8 == c.utf8 && modes->exact == c.exact) << c.value;
        }
    }
}

TEST(ParseOutputMode, OneWordInAnyCase) {
    const CodePage& cp = TestCodePage();
    struct Case { const char* value; std::optional<OutputMode> mode; };
    const Case cases[] = {
        {"", OutputMode::Replace},     {"replace", OutputMode::Replace}, {"After", OutputMode::After},
        {"SHOW", OutputMode::Show},    {"copy", OutputMode::Copy},       {"none", OutputMode::None},
        {"after,copy", std::nullopt},  {"nothing", std::nullopt},        {"copy ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseOutputMode(c.value, cp), c.mode) << c.value;
}
