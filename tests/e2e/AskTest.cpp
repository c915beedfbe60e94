// A command typed at run time (/ask), from end to end: the stand-in editor
// starts the tool from its Tools menu, the robot plays the user at the ask
// dialog, and one application-data folder keeps the history from run to run.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "base/CodePageWin32.h"
#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "tests/robot/AskDialogRobot.h"
#include "tests/robot/Robot.h"

using namespace std::string_literals;

namespace {

constexpr DWORD kTimeoutMs = 30000;

struct Options {
    bool pipe, utf8, hide;
    friend bool operator==(const Options&, const Options&) = default;
};
std::ostream& operator<<(std::ostream& out, const Options& o) {
    return out << "pipe " << o.pipe << " utf8 " << o.utf8 << " hide " << o.hide;
}
Options OptionsOf(HWND dialog) {
    return {AskOptionChecked(dialog, IDC_ASK_PIPE), AskOptionChecked(dialog, IDC_ASK_UTF8),
            AskOptionChecked(dialog, IDC_ASK_HIDE)};
}

// One start of the tool from the menu entry, in the order of the table: the
// history each run finds is the one the runs before it left.
struct Step {
    const char* what;
    std::string arguments;  // the menu entry's, beside the tool
    std::string text;       // the editor's, before
    std::optional<std::string> historyBefore;  // written over the file first
    std::vector<std::string> listed;           // the history list as it opens
    Options initial;                           // the options as it opens
    std::function<void(HWND dialog)> user;     // ends with 実行 or キャンセル
    bool runs;                                 // 実行: the editor is locked
    std::string finalText;
    std::string launchFailure;  // the program a launch-failure message names
    std::optional<std::string> historyAfter;  // nothing: the file as it was
};

}  // namespace

TEST(Ask, TypedCommandsRunAndTheHistoryIsKept) {
    TempDir appData;
    ScopedEnvironment variable("APPDATA", appData.Path().substr(0, appData.Path().size() - 1));
    const std::string history = appData.File("Pelmarind\\history.txt");
    const std::string fullWidth = "\x82\x81\x82\x82\x82\x83";  // ａｂｃ
    const std::string damaged = "p\tsort\r\n\0\x01"s;

    const Step steps[] = {
        {"a filter typed into an empty history", "/ask", "abc", std::nullopt, {}, {true, false, false},
         [](HWND dialog) {
             EXPECT_FALSE(AskControlEnabled(dialog, IDOK)) << "no command yet";
             TypeAskCommand(dialog, "  textconv /stdio /upper ");
             PressAskRun(dialog);
         },
         true, "ABC", "", "p\ttextconv /stdio /upper\r\n"},
        // /io=utf8 opens without the pipe; the chosen line brings its own.
        {"the second run finds it first, with its options", "/ask /io=utf8", fullWidth, std::nullopt,
         {"textconv /stdio /upper"}, {false, true, false},
         [](HWND dialog) {
             ChooseAskHistoryLine(dialog, 0);
             EXPECT_EQ(OptionsOf(dialog), (Options{true, false, false}));
             EXPECT_EQ(AskCommand(dialog), "textconv /stdio /upper");
             TypeAskCommand(dialog, "textconv /halfwidth");
             SetAskOption(dialog, IDC_ASK_PIPE, false);
             SetAskOption(dialog, IDC_ASK_UTF8, false);
             PressAskRun(dialog);
         },
         true, "abc", "", "-\ttextconv /halfwidth\r\np\ttextconv /stdio /upper\r\n"},
        {"キャンセル after a removal: nothing happens", "/ask /hide", "abc", std::nullopt,
         {"textconv /halfwidth", "textconv /stdio /upper"}, {false, false, true},
         [](HWND dialog) {
             RemoveAskHistoryLine(dialog, 0);
             EXPECT_EQ(AskHistoryList(dialog), std::vector<std::string>{"textconv /stdio /upper"});
             PressAskKey(VK_ESCAPE);
         },
         false, "abc", "", std::nullopt},
        // The removal is kept with 実行, even when the program cannot start.
        {"Shift+Delete, then a command that cannot start", "/ask", "abc", std::nullopt,
         {"textconv /halfwidth", "textconv /stdio /upper"}, {true, false, false},
         [](HWND dialog) {
             RemoveAskHistoryLine(dialog, 1);
             EXPECT_EQ(AskHistoryList(dialog), std::vector<std::string>{"textconv /halfwidth"});
             TypeAskCommand(dialog, "C:\\nowhere\\conv.exe /x");
             SetAskOption(dialog, IDC_ASK_PIPE, true);  // the line chosen after the removal had it off
             PressAskKey(VK_RETURN);
         },
         true, "abc", "C:\\nowhere\\conv.exe /x", "p\tC:\\nowhere\\conv.exe /x\r\n-\ttextconv /halfwidth\r\n"},
        {"a damaged history: an empty list, the file left as it was", "/ask", "abc", damaged, {},
         {true, false, false},
         [](HWND dialog) {
             TypeAskCommand(dialog, "textconv /stdio /upper");
             PressAskRun(dialog);
         },
         true, "ABC", "", std::nullopt},
    };

    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.historyBefore) {
            CreateDirectoryA(appData.File("Pelmarind").c_str(), nullptr);
            WriteFileBytes(history, *step.historyBefore);
        }
        const std::string before = ReadFileBytes(history);
        StandinHost host({"--text=" + step.text},
                         "\"" + BinPath("pelmarind.exe") + "\" " + step.arguments);
        ASSERT_TRUE(host.Ready());
        const DWORD pid = host.WaitForStartedPid(kTimeoutMs);
        const HWND dialog = WaitForAskDialog(pid, kTimeoutMs);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), host.Main());
        EXPECT_EQ(AskHistoryList(dialog), step.listed);
        EXPECT_EQ(OptionsOf(dialog), step.initial);
        step.user(dialog);
        if (!step.launchFailure.empty()) {
            const auto box = WaitForMessageBox(pid, kTimeoutMs);
            ASSERT_TRUE(box.has_value());
            EXPECT_EQ(box->text, LaunchFailedMessage(step.launchFailure, "", "")) << "a filter has no file";
            PressButton(box->window, IDOK);
        }
        // The tool ends by itself: no other message, no second dialog.
        ASSERT_TRUE(host.WaitForExit(kTimeoutMs));
        EXPECT_EQ(host.FinalText(), step.finalText);
        EXPECT_EQ(ReadFileBytes(history), step.historyAfter.value_or(before));
        bool locked = false;
        for (const auto& state : host.Records("state")) {
            locked = locked || state.at("title") == LockedTitle("memo.txt - Zorvane", SystemCodePage());
        }
        EXPECT_EQ(locked, step.runs) << "locked for a run only";
        const auto after = host.Records("after");
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after[0].at("main_enabled"), "1");
        EXPECT_EQ(after[0].at("title"), "memo.txt - Zorvane");
    }
}
