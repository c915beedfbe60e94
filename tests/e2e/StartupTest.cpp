// The tool from start to end, as the host's Tools menu or a user starts it.
#include <gtest/gtest.h>

#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "tests/robot/LocalWindow.h"
#include "tests/robot/Probe.h"
#include "tests/robot/Robot.h"

namespace {

std::string ToolCommand(const std::string& arguments = {}) {
    return "\"" + BinPath("pelmarind.exe") + "\"" + (arguments.empty() ? "" : " " + arguments);
}

std::vector<std::string> GetTextKinds(const StandinHost& host) {
    std::vector<std::string> kinds;
    for (const auto& r : host.Records("msg")) {
        if (r.count("HM_GETTEXT")) kinds.push_back(r.at("wparam"));
    }
    return kinds;
}

}  // namespace

TEST(Startup, NotStartedFromTheHostSaysSoAndEnds) {
    LocalWindow front("SomeOtherEditor");
    ChildProcess tool(ToolCommand("/app=x.exe"));
    ASSERT_TRUE(tool.Started());
    const auto box = WaitForMessageBox(tool.Pid(), 15000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, kAppCaption);
    EXPECT_EQ(box->text, kNotStartedFromHost);
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_TRUE(box->exclamationIcon);

    // Meanwhile: no task-bar button, and the main window is empty and off-screen.
    const auto application = TopLevelWindowsOf(tool.Pid(), "TPelmarindApplication");
    ASSERT_EQ(application.size(), 1u);
    // (The platform adds the edge style to any captioned window.)
    EXPECT_EQ(GetWindowLongA(application[0], GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, WS_EX_TOOLWINDOW);
    const auto form = TopLevelWindowsOf(tool.Pid(), "TPelmarindMainForm");
    ASSERT_EQ(form.size(), 1u);
    RECT r{};
    GetWindowRect(form[0], &r);
    EXPECT_EQ(r.left, -100);
    EXPECT_EQ(r.top, -100);
    EXPECT_EQ(r.right, -100);
    EXPECT_EQ(r.bottom, -100);
    EXPECT_EQ(GetWindowLongA(form[0], GWL_STYLE) & (WS_BORDER | WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(GetWindow(form[0], GW_OWNER), application[0]);

    PressButton(box->window, IDOK);
    EXPECT_EQ(tool.Wait(15000), std::optional<DWORD>(0));
}

// On an ANSI code page other than 932 every narrow text would be garbled: the
// tool says so in UTF-16 and ends before it asks the editor anything, locks it
// or starts anything. Under Wine a process takes its code page from the Unix
// locale it was started with, which its children inherit (not from the
// Windows environment): ctest runs this test once more with LC_ALL=C, where
// the editor and the tool get 1252 as on a Western system.
TEST(Startup, OnAnotherCodePageSaysSoReadablyAndLeavesTheEditorAlone) {
    if (GetACP() == 932) GTEST_SKIP() << "code page 932 (the test runs again under LC_ALL=C)";
    ASSERT_EQ(GetACP(), 1252u);
    EndToolCopies();  // (a watcher left by an earlier test would hide one this run started)
    TempDir dir;
    const std::string record = dir.File("probe.log");
    StandinHost host({"--text=hello"},
                     ToolCommand("\"/app=" + ProbePath() + "\" \"--record=" + record + "\""));
    ASSERT_TRUE(host.Ready());
    const auto box = WaitForMessageBox(host.WaitForStartedPid(30000), 15000);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(UnicodeTextOf(box->window), kAppCaptionWide);
    EXPECT_EQ(UnicodeTextOf(GetDlgItem(box->window, 0xFFFF)), FormatWideMessageText(kWrongCodePage, L"1252"));
    EXPECT_TRUE(box->errorIcon);
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_TRUE(IsWindowEnabled(host.Main()) && IsWindowEnabled(host.Owner())) << "while the box shows";

    PressButton(box->window, IDOK);
    ASSERT_TRUE(host.WaitForExit(30000));
    EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0");
    EXPECT_TRUE(host.Records("msg").empty()) << "the editor was asked";
    for (const auto& r : host.AllRecords()) {
        if (r.at("tag") != "state" && r.at("tag") != "after") continue;
        EXPECT_EQ(r.at("title") + "|" + r.at("owner_title"), "memo.txt - Zorvane|Zorvane");
        EXPECT_EQ(r.at("owner_enabled") + r.at("main_enabled"), "11");
    }
    EXPECT_EQ(host.FinalText(), "hello");
    EXPECT_FALSE(FileExists(record)) << "the program ran";
    EXPECT_TRUE(ToolCopies().empty()) << "a watcher was started";
}

TEST(Startup, ReadsTheSelection) {
    StandinHost host({"--text=hello world", "--sel=0,5"}, ToolCommand("\"/app=" + ProbePath() + "\""));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(30000));
    EXPECT_EQ(GetTextKinds(host), std::vector<std::string>{"1"});
    EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0");
}

TEST(Startup, ReadsTheWholeTextWhenNothingIsSelected) {
    TempDir dir;
    struct Case { std::vector<std::string> switches; bool runs; };
    const Case cases[] = {
        {{"--text=hello world", "--sel=3,3"}, true},
        {{"--text="}, true},
        // A "no" to the whole text is a failed read, whatever the length
        // query said: also for a truly empty text, and where the query gave 0
        // because the host named no text-editing window.
        {{"--text=", "--gettext-reply=0"}, false},
        {{"--text=hello", "--editwnd-zero", "--gettext-reply=0"}, false},
    };
    for (const Case& c : cases) {
        const std::string record = dir.File("probe.log");
        DeleteFileA(record.c_str());
        StandinHost host(c.switches, ToolCommand("\"/app=" + ProbePath() + "\" \"--record=" + record + "\""));
        ASSERT_TRUE(host.Ready());
        if (!c.runs) {
            const auto box = WaitForMessageBox(host.WaitForStartedPid(30000), 30000);
            ASSERT_TRUE(box.has_value()) << c.switches[0];
            EXPECT_EQ(box->text, kTextNotTaken);
            PressButton(box->window, IDOK);
        }
        ASSERT_TRUE(host.WaitForExit(30000));
        EXPECT_EQ(GetTextKinds(host), (std::vector<std::string>{"1", "0"})) << c.switches[0];
        EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0");
        EXPECT_EQ(ReadLogRecords(record, "probe").size(), c.runs ? 1u : 0u) << "whether the program ran";
    }
}
