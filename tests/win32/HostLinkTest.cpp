// The host link against the stand-in editor, across processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "host/HostLink.h"
#include "tests/robot/LocalWindow.h"
#include "tests/robot/Robot.h"

namespace {

std::vector<StandinHost::Record> Messages(const StandinHost& host, const std::string& name) {
    std::vector<StandinHost::Record> found;
    for (const auto& r : host.Records("msg")) {
        if (r.count(name)) found.push_back(r);
    }
    return found;
}

// A section of the host's name, created and held by the test as another copy
// of the tool (or the host) would.
KernelHandle HoldSection(HWND host, DWORD size, const std::string& contents) {
    KernelHandle section(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size,
                                            HostSectionName(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(host))).c_str()));
    MappedView view(MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, 0));
    std::memcpy(view.Bytes(), contents.data(), std::min<std::size_t>(contents.size(), size));
    return section;
}

}  // namespace

TEST(HostCapture, TakesTheForegroundHostAndItsOwner) {
    StandinHost host({"--text=abc"});
    ASSERT_TRUE(host.Ready());
    SetForegroundWindow(host.Main());
    InitHostLink();
    EXPECT_EQ(HostWindow, host.Main());
    EXPECT_EQ(HostOwnerWindow, host.Owner());
    EXPECT_NE(HostOwnerWindow, nullptr);
}

TEST(HostCapture, HostWithoutOwnerGivesNoOwnerWindow) {
    StandinHost host({"--no-owner"});
    ASSERT_TRUE(host.Ready());
    SetForegroundWindow(host.Main());
    InitHostLink();
    EXPECT_EQ(HostWindow, host.Main());
    EXPECT_EQ(HostOwnerWindow, nullptr);
}

TEST(HostCapture, OtherClassesInFrontAreNoHost) {
    for (const char* className : {"TZorvaneMainForn", "TZORVANEMAINFORM", "TZorvaneMainForm2"}) {
        LocalWindow window(className);
        ASSERT_EQ(GetForegroundWindow(), window.Get()) << className;
        InitHostLink();
        EXPECT_EQ(HostWindow, nullptr) << className;
        EXPECT_EQ(HostOwnerWindow, nullptr) << className;
        EXPECT_FALSE(IsHostWindow(window.Get())) << className;
    }
    EXPECT_FALSE(IsHostWindow(nullptr));
}

TEST(HostQueries, EditorModeTranslatesTheReply) {
    struct Case { const char* reply; std::uint8_t mode; };
    for (const Case& c : {Case{"10", kModeRuby}, Case{"11", kModeDefault}, Case{"-1", kModeDefault},
                          Case{"0", kModeDefault}, Case{"1", kModeHtml}, Case{"3", kModeIni}}) {
        StandinHost host({std::string("--mode-reply=") + c.reply});
        ASSERT_TRUE(host.Ready());
        EXPECT_EQ(GetEditorMode(host.Main()), c.mode) << "reply " << c.reply;
    }
}

TEST(HostQueries, PathsComeFromTheHiddenChildWindows) {
    const std::string longPath = "C:\\" + std::string(297, 'p');
    StandinHost host({"--exe=C:\\Program Files\\Zorvane\\zorvane.exe", "--ini=" + longPath});
    ASSERT_TRUE(host.Ready());
    EXPECT_EQ(GetHostExeName(host.Main()), "C:\\Program Files\\Zorvane\\zorvane.exe");
    EXPECT_EQ(GetHostIniFilePath(host.Main()), longPath.substr(0, 255));

    StandinHost bare({});
    ASSERT_TRUE(bare.Ready());
    EXPECT_EQ(GetHostExeName(bare.Main()), "");
    EXPECT_EQ(GetHostIniFilePath(bare.Main()), "");
    EXPECT_EQ(GetHostEditWindow(bare.Main()), bare.Edit());
}

TEST(HostQueries, AHostThatHasClosedIsNoHost) {
    HWND gone;
    {
        StandinHost host({"--exe=C:\\x.exe", "--text=abc"});
        ASSERT_TRUE(host.Ready());
        gone = host.Main();
        PostMessageA(gone, WM_CLOSE, 0, 0);
        ASSERT_TRUE(host.WaitForExit(10000));
    }
    EXPECT_FALSE(IsHostWindow(gone));
    EXPECT_EQ(GetEditorMode(gone), kModeNone);
    EXPECT_EQ(GetHostExeName(gone), "");
    EXPECT_EQ(GetHostEditWindow(gone), nullptr);
    const THostText read = GetHostAllText(gone);
    EXPECT_EQ(read.Result, HostReadResult::Failed);
    EXPECT_EQ(read.Text, "");
    EXPECT_FALSE(SetHostAllText(gone, "x"));
    // Nothing is brought forward: the window in front stays there.
    LocalWindow front("PelmarindTestFront");
    ASSERT_EQ(GetForegroundWindow(), front.Get());
    BringHostToFront(gone);
    EXPECT_EQ(GetForegroundWindow(), front.Get());
}

TEST(HostQueries, BringHostToFrontRestoresTheLockTimeOut) {
    StandinHost host({});
    ASSERT_TRUE(host.Ready());
    DWORD original = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &original, 0);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(12345), 0);
    {
        LocalWindow other("PelmarindTestFront");
        ASSERT_EQ(GetForegroundWindow(), other.Get());
        BringHostToFront(host.Main());
        // (Wine drops the foreground when the thread input is detached again,
        // so where the host ends up is not checked here.)
        EXPECT_NE(GetForegroundWindow(), other.Get());
    }
    DWORD after = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &after, 0);
    EXPECT_EQ(after, 12345u);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(original)), 0);
}

TEST(TextExchange, ReadsSelectionAndWholeText) {
    const std::string text = "\x93\xFA\x96\x7B\x8C\xEA\r\nline two \x95\x5C";  // Japanese, CR LF, 0x95 0x5C
    StandinHost host({"--text=" + text, "--sel=2,6"});
    ASSERT_TRUE(host.Ready());
    const THostText selection = GetHostSelText(host.Main());
    EXPECT_EQ(selection.Result, HostReadResult::Text);
    EXPECT_EQ(selection.Text, text.substr(2, 4));
    EXPECT_EQ(GetHostAllText(host.Main()).Text, text);
    const auto gets = Messages(host, "HM_GETTEXT");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0].at("wparam"), "1");
    EXPECT_EQ(gets[1].at("wparam"), "0");
    EXPECT_EQ(gets[0].at("lparam"), "0");
}

TEST(TextExchange, SectionFollowsTheWholeTextEvenForTheSelection) {
    StandinHost host({"--text=" + std::string(10000, 'a'), "--sel=0,3"});
    ASSERT_TRUE(host.Ready());
    EXPECT_EQ(GetHostSelText(host.Main()).Text, "aaa");
    const auto gets = Messages(host, "HM_GETTEXT");
    ASSERT_EQ(gets.size(), 1u);
    // 10 001 bytes, page-rounded.
    EXPECT_EQ(gets[0].at("section"), "12288");
}

TEST(TextExchange, EmptyTextAndEmptyEditWindowGiveOneByteSections) {
    StandinHost empty({});
    ASSERT_TRUE(empty.Ready());
    const THostText read = GetHostAllText(empty.Main());
    EXPECT_EQ(read.Result, HostReadResult::Text);
    EXPECT_EQ(read.Text, "");
    EXPECT_EQ(Messages(empty, "HM_GETTEXT").at(0).at("section"), "4096");

    // With no editing window the length is 0 and S is 1: the host's text does
    // not fit (no NUL within the one byte), and a cut text is a failed one.
    StandinHost noEdit({"--editwnd-zero", "--text=hello"});
    ASSERT_TRUE(noEdit.Ready());
    EXPECT_EQ(GetHostEditWindow(noEdit.Main()), nullptr);
    const THostText cut = GetHostAllText(noEdit.Main());
    EXPECT_EQ(cut.Result, HostReadResult::Failed);
    EXPECT_EQ(cut.Text, "");
    EXPECT_EQ(Messages(noEdit, "HM_GETTEXT").size(), 1u);
}

TEST(TextExchange, ReplyWithLowestByteZeroIsARefusal) {
    struct Case { const char* reply; HostReadResult result; const char* text; };
    for (const Case& c : {Case{"256", HostReadResult::Refused, ""}, Case{"1", HostReadResult::Text, "hello"},
                          Case{"0x301", HostReadResult::Text, "hello"}, Case{"0", HostReadResult::Refused, ""}}) {
        StandinHost host({"--text=hello", std::string("--gettext-reply=") + c.reply});
        ASSERT_TRUE(host.Ready());
        const THostText read = GetHostAllText(host.Main());
        EXPECT_EQ(read.Result, c.result) << "reply " << c.reply;
        EXPECT_EQ(read.Text, c.text) << "reply " << c.reply;
    }
}

TEST(TextExchange, HostWithoutNulIsAFailedRead) {
    StandinHost host({"--text=hello", "--no-nul"});
    ASSERT_TRUE(host.Ready());
    const THostText read = GetHostAllText(host.Main());
    EXPECT_EQ(read.Result, HostReadResult::Failed);
    EXPECT_EQ(read.Text, "");
}

TEST(TextExchange, WritesSelectionAndWholeText) {
    StandinHost host({"--text=hello world", "--sel=0,5"});
    ASSERT_TRUE(host.Ready());
    EXPECT_TRUE(SetHostSelText(host.Main(), "\x83\x65\x83\x58\x83\x67"));  // katakana
    EXPECT_EQ(GetHostAllText(host.Main()).Text, "\x83\x65\x83\x58\x83\x67 world");
    EXPECT_TRUE(SetHostAllText(host.Main(), ""));
    EXPECT_EQ(GetHostAllText(host.Main()).Text, "");
    const auto sets = Messages(host, "HM_SETTEXT");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].at("wparam"), "1");
    EXPECT_EQ(sets[0].at("lparam"), "7");
    EXPECT_EQ(sets[1].at("wparam"), "0");
    EXPECT_EQ(sets[1].at("lparam"), "1");
    EXPECT_EQ(sets[1].at("bytes"), "0");
}

TEST(TextExchange, WritingATextWithNulCarriesItUpToTheNul) {
    StandinHost host({"--text=old"});
    ASSERT_TRUE(host.Ready());
    EXPECT_TRUE(SetHostAllText(host.Main(), std::string("ab\0cd", 5)));
    const auto sets = Messages(host, "HM_SETTEXT");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].at("lparam"), "6");
    EXPECT_EQ(sets[0].at("bytes"), "2");
    EXPECT_EQ(GetHostAllText(host.Main()).Text, "ab");
}

// A section of the tool's name that is already there belongs to someone
// else: whatever its size, it is neither written nor read, and the transfer
// fails before the host is asked.
TEST(TextExchange, ASectionAlreadyThereIsNeverWrittenOver) {
    for (const DWORD size : {DWORD{100}, DWORD{100000}}) {
        StandinHost host({"--text=" + std::string(10000, 'b'), "--sel=0,1"});
        ASSERT_TRUE(host.Ready());
        KernelHandle held = HoldSection(host.Main(), size, "stale");
        EXPECT_EQ(GetHostSelText(host.Main()).Result, HostReadResult::Failed) << size;
        EXPECT_EQ(GetHostAllText(host.Main()).Result, HostReadResult::Failed) << size;
        EXPECT_FALSE(SetHostAllText(host.Main(), std::string(5000, 'c'))) << size;
        EXPECT_TRUE(Messages(host, "HM_GETTEXT").empty()) << size;
        EXPECT_TRUE(Messages(host, "HM_SETTEXT").empty()) << size;
        MappedView view(MapViewOfFile(held.Get(), FILE_MAP_READ, 0, 0, 0));
        EXPECT_EQ(std::string(view.Bytes(), 6), std::string("stale\0", 6)) << size;
    }
    // A host that keeps the section of one transfer open: the next transfer
    // finds it there.
    StandinHost host({"--text=kept", "--keep-section"});
    ASSERT_TRUE(host.Ready());
    EXPECT_EQ(GetHostAllText(host.Main()).Text, "kept");
    EXPECT_EQ(GetHostAllText(host.Main()).Result, HostReadResult::Failed);
    EXPECT_FALSE(SetHostAllText(host.Main(), "done"));
    EXPECT_EQ(Messages(host, "HM_GETTEXT").size(), 1u);
    EXPECT_TRUE(Messages(host, "HM_SETTEXT").empty());
}
