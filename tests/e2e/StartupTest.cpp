// The tool from start to end, as the host's Tools menu or a user starts it.
#include <gtest/gtest.h>

#include "support/core/Texts.h"
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
