// The ask dialog in this process, driven by a robot thread while
// AskForCommand runs on the test's thread; the history file lives in a
// temporary application-data folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AskDialog.h"
#include "base/Handles.h"
#include "dialogs/core/DialogRules.h"
#include "support/HistoryFile.h"
#include "tests/robot/AskDialogRobot.h"
#include "tests/robot/Robot.h"
#include "tests/robot/SaveDialogRobot.h"

using namespace std::string_literals;

namespace {

// A user's application-data folder of its own for each test.
class AppDataFolder {
public:
    AppDataFolder() : variable_("APPDATA", dir_.Path().substr(0, dir_.Path().size() - 1)) {}
    std::string History() const { return dir_.File("Pelmarind\\history.txt"); }
    void WriteHistory(const std::string& bytes) const {
        CreateDirectoryA(dir_.File("Pelmarind").c_str(), nullptr);
        WriteFileBytes(History(), bytes);
    }
    // The names in the Pelmarind folder: no new file may be left beside it.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        const HANDLE search = FindFirstFileA(dir_.File("Pelmarind\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

private:
    TempDir dir_;
    ScopedEnvironment variable_;
};

struct OwnerWindow {
    HWND window = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE | WS_CAPTION, 100, 100, 500, 400, nullptr,
                                  nullptr, nullptr, nullptr);
    ~OwnerWindow() { DestroyWindow(window); }
};

TRect RectOf(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

TPoint PositionOf(HWND window) {
    const RECT rect = WindowRectOf(window);
    return TPoint{rect.left, rect.top};
}

TPoint PlacedOver(HWND owner, HWND dialog) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT own = WindowRectOf(dialog);
    return CentredOver(RectOf(WindowRectOf(owner)), own.right - own.left, own.bottom - own.top, RectOf(monitor.rcWork));
}

// Runs the dialog while `robot` acts on it; a dialog still open afterwards
// is cancelled, so that no test hangs.
std::optional<AskAnswer> AskWithRobot(const AskInitial& initial, const std::function<void(HWND dialog)>& robot) {
    const OwnerWindow owner;
    std::atomic<bool> done{false};
    std::thread helper([&] {
        const HWND dialog = WaitForAskDialog(GetCurrentProcessId(), 5000);
        if (dialog == nullptr) return;
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner.window);
        EXPECT_EQ(PositionOf(dialog), PlacedOver(owner.window, dialog)) << "centred over its owner";
        EXPECT_FALSE(IsWindowEnabled(owner.window)) << "modal over its owner";
        robot(dialog);
        for (int i = 0; i < 250 && !done; ++i) Sleep(20);
        while (!done) {
            ADD_FAILURE() << "the dialog was still open: cancelled";
            PressAskCancel(dialog);
            for (int i = 0; i < 50 && !done; ++i) Sleep(20);
        }
    });
    std::optional<AskAnswer> answer = AskForCommand(GetModuleHandleA(nullptr), owner.window, initial);
    done = true;
    helper.join();
    EXPECT_TRUE(IsWindowEnabled(owner.window));
    return answer;
}

struct Options {
    bool pipe, utf8, hide, hideEnabled;
    friend bool operator==(const Options&, const Options&) = default;
};
std::ostream& operator<<(std::ostream& out, const Options& o) {
    return out << "pipe " << o.pipe << " utf8 " << o.utf8 << " hide " << o.hide << " hide enabled " << o.hideEnabled;
}
Options OptionsOf(HWND dialog) {
    return {AskOptionChecked(dialog, IDC_ASK_PIPE), AskOptionChecked(dialog, IDC_ASK_UTF8),
            AskOptionChecked(dialog, IDC_ASK_HIDE), AskControlEnabled(dialog, IDC_ASK_HIDE)};
}

}  // namespace

TEST(AskDialog, ChosenLinesRestoreTheirOptionsAndTheAnswerGoesToTheTop) {
    const AppDataFolder appData;
    const std::string kana = "\x83\x65\x83\x58\x83\x67";  // テスト
    appData.WriteHistory("pus\tpy -X utf8 fix.py\r\nh\tcmd /c x.bat\r\n-\ttextconv /upper\r\np\tfind \"" + kana + "\"\r\n");
    const auto answer = AskWithRobot({}, [&](HWND dialog) {
        EXPECT_EQ(AskHistoryList(dialog), (std::vector<std::string>{"py -X utf8 fix.py", "cmd /c x.bat", "textconv /upper",
                                                                    "find \"" + kana + "\""}));
        EXPECT_EQ(AskCommand(dialog), "");
        EXPECT_FALSE(AskControlEnabled(dialog, IDOK)) << "no command yet";
        EXPECT_EQ(OptionsOf(dialog), (Options{true, false, false, false})) << "the menu entry's switches";
        ChooseAskHistoryLine(dialog, 1);
        EXPECT_EQ(OptionsOf(dialog), (Options{false, false, true, true})) << "a file run of an interpreter";
        EXPECT_TRUE(AskControlEnabled(dialog, IDOK));
        const HWND output = GetDlgItem(dialog, IDC_ASK_OUTPUT);
        EXPECT_EQ(SendMessageA(output, CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendMessageA(output, CB_GETCURSEL, 0, 0), 0) << "置き換える, the menu entry's /out=";
        ChooseAskHistoryLine(dialog, 0);
        EXPECT_EQ(OptionsOf(dialog), (Options{true, true, false, false}));
        EXPECT_EQ(SendMessageA(output, CB_GETCURSEL, 0, 0), 2) << "ウィンドウに表示, as the line ran";
        SendMessageA(output, CB_SETCURSEL, 3, 0);
        TypeAskCommand(dialog, " \t ");
        EXPECT_FALSE(AskControlEnabled(dialog, IDOK)) << "blanks only";
        SetAskOption(dialog, IDC_ASK_PIPE, false);
        TypeAskCommand(dialog, "  cmd /c y.bat ");
        EXPECT_TRUE(AskControlEnabled(dialog, IDC_ASK_HIDE));
        SetAskOption(dialog, IDC_ASK_HIDE, true);
        SetAskOption(dialog, IDC_ASK_PIPE, true);
        EXPECT_FALSE(AskControlEnabled(dialog, IDC_ASK_HIDE)) << "no console to hide in a pipe run";
        SetAskOption(dialog, IDC_ASK_PIPE, false);
        TypeAskCommand(dialog, "textconv /upper ");
        EXPECT_FALSE(AskControlEnabled(dialog, IDC_ASK_HIDE)) << "no interpreter call";
        EXPECT_TRUE(AskControlEnabled(dialog, IDOK));
        PressAskRun(dialog);
    });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->command, "textconv /upper");
    EXPECT_FALSE(answer->pipe);
    EXPECT_TRUE(answer->utf8);
    EXPECT_FALSE(answer->hide) << "checked, but it does not apply";
    EXPECT_EQ(answer->output, OutputMode::Copy);
    EXPECT_EQ(ReadFileBytes(appData.History()),
              "uc\ttextconv /upper\r\npus\tpy -X utf8 fix.py\r\nh\tcmd /c x.bat\r\np\tfind \"" + kana + "\"\r\n");
    EXPECT_EQ(appData.Files(), std::vector<std::string>{"history.txt"});
}

// The working folder opens as the menu entry's /dir= gives it, comes with a
// chosen line, and is kept with the command that ran in it.
TEST(AskDialog, TheWorkingFolderComesWithItsLineAndIsKept) {
    const AppDataFolder appData;
    appData.WriteHistory("d\tC:\\My Project\tnpm run build\r\n-\tsort\r\n");
    AskInitial initial;
    initial.folder = "%TEMP%";
    const auto answer = AskWithRobot(initial, [&](HWND dialog) {
        EXPECT_EQ(AskFolder(dialog), "%TEMP%");
        ChooseAskHistoryLine(dialog, 0);
        EXPECT_EQ(AskFolder(dialog), "C:\\My Project");
        ChooseAskHistoryLine(dialog, 1);
        EXPECT_EQ(AskFolder(dialog), "");
        TypeAskFolder(dialog, "  D:\\site ");
        PressAskRun(dialog);
    });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->folder, "D:\\site");
    EXPECT_EQ(ReadFileBytes(appData.History()), "d\tD:\\site\tsort\r\nd\tC:\\My Project\tnpm run build\r\n");
}

// Keys as a user presses them: Shift+Delete in the open list, Esc, Enter.
TEST(AskDialog, ShiftDeleteRemovesALineKeptOnlyByRun) {
    const AppDataFolder appData;
    const std::string before = "p\tsort\r\n-\tcmd /c a.bat\r\nu\tuniq\r\n";
    appData.WriteHistory(before);
    const auto removeThenCancel = AskWithRobot({}, [](HWND dialog) {
        RemoveAskHistoryLine(dialog, 1);
        EXPECT_EQ(AskHistoryList(dialog), (std::vector<std::string>{"sort", "uniq"}));
        PressAskKey(VK_ESCAPE);
    });
    EXPECT_FALSE(removeThenCancel);
    EXPECT_EQ(ReadFileBytes(appData.History()), before) << "nothing written after キャンセル";

    const auto removeThenRun = AskWithRobot({}, [](HWND dialog) {
        EXPECT_EQ(AskHistoryList(dialog).size(), 3u);
        RemoveAskHistoryLine(dialog, 1);
        ChooseAskHistoryLine(dialog, 1);
        EXPECT_EQ(OptionsOf(dialog), (Options{false, true, false, false}));
        PressAskKey(VK_RETURN);
    });
    ASSERT_TRUE(removeThenRun);
    EXPECT_EQ(removeThenRun->command, "uniq");
    EXPECT_EQ(ReadFileBytes(appData.History()), "u\tuniq\r\np\tsort\r\n");
}

// A file that cannot be read as a history shows an empty list and is never
// replaced; one with some entries left is written back with them.
TEST(AskDialog, AnUnreadableHistoryIsEmptyAndLeftAsItIs) {
    struct Case {
        const char* why;
        std::string bytes;
        bool lockedAway;
        std::vector<std::string> shown;
        std::optional<std::string> after;  // nothing: unchanged
    };
    const std::vector<Case> cases = {
        {"not text", "-\tsort\r\n\0\x01\x02"s, false, {}, std::nullopt},
        {"text, but no entry", "[history]\r\nsort=1\r\n", false, {}, std::nullopt},
        {"open elsewhere without sharing", "-\tsort\r\n", true, {}, std::nullopt},
        {"some lines damaged", "x\tbad\r\np\tsort\r\nno tab\r\n", false, {"sort"}, "-\tnew\r\np\tsort\r\n"},
        {"empty", "", false, {}, "-\tnew\r\n"},
    };
    for (const Case& c : cases) {
        const AppDataFolder appData;
        appData.WriteHistory(c.bytes);
        FileHandle lock;
        if (c.lockedAway) {
            lock.Reset(CreateFileA(appData.History().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(lock) << c.why;
        }
        const auto answer = AskWithRobot({false, false, false}, [&](HWND dialog) {
            EXPECT_EQ(AskHistoryList(dialog), c.shown) << c.why;
            TypeAskCommand(dialog, "new");
            PressAskRun(dialog);
        });
        lock.Reset();
        EXPECT_TRUE(answer) << c.why << ": the run goes ahead";
        EXPECT_EQ(ReadFileBytes(appData.History()), c.after.value_or(c.bytes)) << c.why;
        EXPECT_EQ(appData.Files(), std::vector<std::string>{"history.txt"}) << c.why;
    }
}

TEST(HistoryFile, RoundTripFromNoFolderAndTheLimit) {
    const AppDataFolder appData;
    ASSERT_EQ(HistoryFilePath(), appData.History());
    const LoadedHistory missing = LoadHistory(appData.History());
    EXPECT_TRUE(missing.entries.empty());
    EXPECT_TRUE(missing.replaceable) << "a missing file is an empty history";
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(UpdateHistory(appData.History(), [&](std::vector<HistoryEntry>& history) {
            RememberCommand(history, HistoryEntry{"echo \x83\x65 " + std::to_string(i), i % 2 == 0, false, false});
        }));
    }
    const LoadedHistory loaded = LoadHistory(appData.History());
    ASSERT_EQ(loaded.entries.size(), kHistoryLimit);
    EXPECT_EQ(loaded.entries.front(), (HistoryEntry{"echo \x83\x65 59", false, false, false}));
    EXPECT_EQ(loaded.entries.back(), (HistoryEntry{"echo \x83\x65 10", true, false, false}));
    EXPECT_EQ(appData.Files(), std::vector<std::string>{"history.txt"});
}

// Copies of the tool updating the history at the same moment take turns:
// no update is refused and none is lost.
TEST(HistoryFile, TwoCopiesWritingAtOnceLoseNothing) {
    const AppDataFolder appData;
    constexpr int kEach = static_cast<int>(kHistoryLimit / 2);
    const std::string sync = "pelmarind-history-" + std::to_string(GetCurrentProcessId());
    const KernelHandle ready(CreateSemaphoreA(nullptr, 0, 2, (sync + "-ready").c_str()));
    const KernelHandle go(CreateEventA(nullptr, TRUE, FALSE, (sync + "-go").c_str()));
    ASSERT_TRUE(ready && go);
    std::vector<ChildProcess> copies;
    for (const char* tag : {"a", "b"}) {
        copies.emplace_back("\"" + BinPath("history_driver.exe") + "\" \"" + appData.History() + "\" " + tag + " " +
                            std::to_string(kEach) + " " + sync);
        ASSERT_TRUE(copies.back().Started());
    }
    for (int i = 0; i < 2; ++i) ASSERT_EQ(WaitForSingleObject(ready.Get(), 30000), WAIT_OBJECT_0);
    SetEvent(go.Get());
    for (ChildProcess& copy : copies) EXPECT_EQ(copy.Wait(60000), std::optional<DWORD>(0)) << "updates refused";
    const LoadedHistory loaded = LoadHistory(appData.History());
    std::vector<std::string> commands;
    for (const HistoryEntry& entry : loaded.entries) commands.push_back(entry.command);
    std::sort(commands.begin(), commands.end());
    std::vector<std::string> expected;
    for (const char* tag : {"a", "b"}) {
        for (int i = 0; i < kEach; ++i) expected.push_back(tag + (" " + std::to_string(i)));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(appData.Files(), std::vector<std::string>{"history.txt"});
}

// A command the reader would skip (here one that ends in half a double-byte
// character) is not written: a file holding only it would be read as no
// history at all and never replaced again.
TEST(HistoryFile, AnEntryTheReaderWouldSkipIsNotWritten) {
    const AppDataFolder appData;
    for (const std::string& command : {"cut \x82"s, "sort"s}) {
        HistoryEntry entry;
        entry.command = command;
        EXPECT_TRUE(UpdateHistory(appData.History(), [&](std::vector<HistoryEntry>& history) {
            RememberCommand(history, entry);
        })) << command;
    }
    EXPECT_EQ(ReadFileBytes(appData.History()), "-\tsort\r\n");
}
