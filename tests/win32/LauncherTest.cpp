// The launcher against the probe child: what the started program sees, what
// is left open, and how the wait serves the tool's messages.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "base/core/ScopeGuard.h"
#include "support/Launcher.h"
#include "support/ProcessTree.h"
#include "tests/robot/HandleCount.h"
#include "tests/robot/HexText.h"
#include "tests/robot/Probe.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The probe with its record going to `record` and these instructions.
std::string ProbeArguments(const std::string& record, const std::string& instructions = {}) {
    return Quoted("--record=" + record) + (instructions.empty() ? "" : " " + instructions);
}

// Runs launcher_driver in `dir` with the startup information the launcher is
// to find there; its exit code (0 true, 1 false), or nothing on a time-out.
std::optional<DWORD> RunDriver(const std::string& program, const std::string& arguments, bool hide,
                               const STARTUPINFOA& driverStartup, const std::string& dir) {
    std::string line = Quoted(BinPath("launcher_driver.exe")) + (hide ? " 1 " : " 0 ") + HexText(program) + " " +
                       HexText(arguments);
    STARTUPINFOA startup = driverStartup;
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &created)) {
        return std::nullopt;
    }
    const KernelHandle process(created.hProcess), thread(created.hThread);
    if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

}  // namespace

TEST(RunAndWait, ProgramsThatCannotStartGiveFalseAndLeaveNothingOpen) {
    TempDir dir;
    WriteFileBytes(dir.File("notes.txt"), "not a program");
    const std::optional<DWORD> before = OpenHandleCount();
    ASSERT_TRUE(before.has_value());
    ASSERT_GT(*before, 0u);
    for (const std::string& program :
         {dir.File("missing.exe"), std::string(), std::string("\"unclosed quote"), dir.Path(),
          dir.File("notes.txt"), std::string("Z:\\no\\such\\folder\\probe.exe")}) {
        EXPECT_FALSE(RunAndWait(program, "x", false)) << program;
        EXPECT_FALSE(RunAndWait(program, "x", true)) << program;
        EXPECT_EQ(OpenHandleCount(), before) << program;
    }
}

TEST(RunAndWait, ChildSeesProgramBlankArgumentsAndBothHandlesAreClosed) {
    TempDir dir;
    const std::string record = dir.File("probe.log");
    const std::string probe = Quoted(ProbePath());
    struct Case {
        std::string program, arguments;
    };
    const Case cases[] = {
        {probe, ProbeArguments(record)},
        // The tool's tail: passed-on list, a second blank, the temporary file.
        {probe, ProbeArguments(record) + " \"a\" \"b c\"  C:\\users\\root\\Temp\\qlk1A2B.tmp"},
        {probe, ProbeArguments(record) + "   trailing blanks   "},
        // Japanese bytes, one with a second byte of the value of a backslash.
        {probe, ProbeArguments(record) + " \"\x83\x65\x83\x58\x83\x67\" \x95\x5C"},
        {probe, ProbeArguments(record) + " \"quoted \"\"inside\"\"\" 'single'"},
        // The unquoted short form of a path, as the tool gives it.
        {ProbePath(), ProbeArguments(record) + " x"},
    };
    // The first start and wait open a few handles that the platform keeps for
    // the process (its message queue among them); count from after that.
    ASSERT_TRUE(RunAndWait(probe, ProbeArguments(record), false));
    const std::optional<DWORD> before = OpenHandleCount();
    ASSERT_TRUE(before.has_value());
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        ASSERT_TRUE(RunAndWait(c.program, c.arguments, false)) << c.arguments;
        const auto started = ReadLogRecords(record, "probe");
        ASSERT_EQ(started.size(), 1u) << c.arguments;
        EXPECT_EQ(ProbeCommandLine(started[0]), c.program + " " + c.arguments);
        // Returned only after the child ended.
        EXPECT_EQ(ReadLogRecords(record, "done").size(), 1u) << c.arguments;
        EXPECT_EQ(OpenHandleCount(), before) << c.arguments;
    }
}

// A bare "cmd" in the launcher's current folder is a copy of the probe, so the
// probe records what the launcher gave an interpreter call.
TEST(RunAndWait, HidesOnlyInterpreterCallsThatRunOneCommand) {
    TempDir dir;
    const std::string record = dir.File("probe.log");
    const std::string interpreter = InstallProbeAsInterpreter(dir);
    const std::string args = ProbeArguments(record, "\"a\"  C:\\temp\\qlk1.tmp");
    constexpr WORD kOwnShow = SW_SHOWMINNOACTIVE;
    struct Case {
        const char* why;
        std::string program, arguments;
        bool hide;
        WORD expectedShow;
    };
    const Case cases[] = {
        {"cmd /c", "cmd /c sort", args, true, SW_HIDE},
        {"upper case, hyphen", "CMD.EXE -C sort", args, true, SW_HIDE},
        {"command run at once", "cmd /c", args, true, SW_HIDE},
        {"no hide flag", "cmd /c sort", args, false, kOwnShow},
        {"keep-running switch", "cmd /k sort", args, true, kOwnShow},
        {"interpreter named with its folder", interpreter + " /c sort", args, true, kOwnShow},
        {"switch in the arguments, not the program", "cmd", "/c " + args, true, kOwnShow},
        {"no interpreter", Quoted(ProbePath()), "/c " + args, true, kOwnShow},
    };
    STARTUPINFOA own{};
    own.dwFlags = STARTF_USESHOWWINDOW;
    own.wShowWindow = kOwnShow;
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        ASSERT_EQ(RunDriver(c.program, c.arguments, c.hide, own, dir.Path()), 0u) << c.why;
        const auto started = ReadLogRecords(record, "probe");
        ASSERT_EQ(started.size(), 1u) << c.why;
        EXPECT_EQ(started[0].at("show"), std::to_string(c.expectedShow)) << c.why;
        EXPECT_EQ(started[0].at("flags"), "101") << c.why;
        EXPECT_EQ(ProbeCommandLine(started[0]), c.program + " " + c.arguments) << c.why;
    }
}

// The tool's own show state goes on unchanged even when its own flags did not
// name it; the flags become the show state and the standard handles.
TEST(RunAndWait, PassesOnTheToolsOwnShowStateWhateverItsFlags) {
    TempDir dir;
    const std::string record = dir.File("probe.log");
    for (const WORD show : {WORD{SW_SHOWMAXIMIZED}, WORD{SW_SHOWNORMAL}, WORD{SW_HIDE}}) {
        STARTUPINFOA own{};
        own.wShowWindow = show;
        DeleteFileA(record.c_str());
        ASSERT_EQ(RunDriver(Quoted(ProbePath()), ProbeArguments(record), true, own, dir.Path()), 0u);
        const auto started = ReadLogRecords(record, "probe");
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].at("show"), std::to_string(show));
        EXPECT_EQ(started[0].at("flags"), "101");
    }
}

TEST(RunAndWait, ReportsAProgramThatCannotStartFromItsOwnProcess) {
    TempDir dir;
    STARTUPINFOA own{};
    EXPECT_EQ(RunDriver(dir.File("missing.exe"), "x", true, own, dir.Path()), 1u);
}

TEST(RunAndWait, EndsWithTheChildWhileItsGrandchildRuns) {
    TempDir dir;
    const std::string record = dir.File("probe.log");
    ASSERT_TRUE(RunAndWait(Quoted(ProbePath()), ProbeArguments(record, "--spawn=20000"), false));
    const auto done = ReadLogRecords(record, "done");
    ASSERT_EQ(done.size(), 1u);
    const DWORD grandchildPid = static_cast<DWORD>(std::stoul(done[0].at("grandchild")));
    ASSERT_NE(grandchildPid, 0u);
    const KernelHandle grandchild(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, grandchildPid));
    ASSERT_TRUE(grandchild);
    EXPECT_EQ(WaitForSingleObject(grandchild.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReadLogRecords(record, "grandchild-done").empty());
    TerminateProcess(grandchild.Get(), 0);
    WaitForSingleObject(grandchild.Get(), 5000);
}

// Where no job holds the program, the processes it started are found by their
// parent ids and ended with it.
TEST(EndProcessTree, EndsTheProgramAndWhatItStarted) {
    TempDir dir;
    const std::string record = dir.File("probe.log");
    std::string line = Quoted(ProbePath()) + " " + ProbeArguments(record, "--spawn=30000 --sleep=30000");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created));
    const KernelHandle program(created.hProcess), thread(created.hThread);
    const auto spawned = WaitForRecords(record, "spawned", 10000);
    ASSERT_EQ(spawned.size(), 1u);
    const KernelHandle grandchild(
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::stoul(spawned[0].at("grandchild")))));
    ASSERT_TRUE(grandchild);
    EndProcessTree(program.Get(), 1);
    EXPECT_EQ(WaitForSingleObject(program.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(grandchild.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    TerminateProcess(grandchild.Get(), 0);
}

namespace {

constexpr UINT kPosted = WM_APP + 1;
constexpr UINT kSent = WM_APP + 2;
constexpr UINT_PTR kTimerId = 1;

// A window of the waiting thread that notes which messages reached it while
// the child was still running (its "done" record not yet written).
struct Listener {
    std::string record;
    std::atomic<int> postedWhileRunning{0}, sentWhileRunning{0}, timerWhileRunning{0}, after{0};
    bool quitOnTimer = false;
    HWND window = nullptr;

    bool ChildRunning() const { return !ReadLogRecords(record, "probe").empty() && ReadLogRecords(record, "done").empty(); }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Listener*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && (message == kPosted || message == kSent || message == WM_TIMER)) {
            const bool running = self->ChildRunning();
            std::atomic<int>& counter = !running             ? self->after
                                        : message == kPosted ? self->postedWhileRunning
                                        : message == kSent   ? self->sentWhileRunning
                                                             : self->timerWhileRunning;
            ++counter;
            if (message == WM_TIMER && self->quitOnTimer) {
                self->quitOnTimer = false;
                PostQuitMessage(5);
            }
            return message == kSent ? 42 : 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    explicit Listener(std::string recordPath) : record(std::move(recordPath)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LauncherTestListener";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Listener() { DestroyWindow(window); }
};

}  // namespace

TEST(RunAndWait, ServesTheThreadsMessagesWhileTheChildRuns) {
    TempDir dir;
    Listener listener(dir.File("probe.log"));
    ASSERT_NE(listener.window, nullptr);
    SetTimer(listener.window, kTimerId, 20, nullptr);
    const ScopeGuard stopTimer([&] { KillTimer(listener.window, kTimerId); });

    // Another thread posts and sends to the window once the child runs.
    std::atomic<LRESULT> sendResult{0};
    std::thread other([&] {
        if (WaitForRecords(listener.record, "probe", 20000).empty()) return;
        PostMessageA(listener.window, kPosted, 0, 0);
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(listener.window, kSent, 0, 0, SMTO_NORMAL, 10000, &result)) sendResult = result;
    });
    const bool started = RunAndWait(Quoted(ProbePath()), ProbeArguments(listener.record, "--sleep=1500"), false);
    other.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(listener.postedWhileRunning, 1);
    EXPECT_EQ(listener.sentWhileRunning, 1);
    EXPECT_EQ(sendResult, 42);
    EXPECT_GT(listener.timerWhileRunning, 0);
}

TEST(RunAndWait, AQuitTakenDuringTheWaitIsPostedAgainAfterTheChildEnded) {
    TempDir dir;
    Listener listener(dir.File("probe.log"));
    listener.quitOnTimer = true;
    SetTimer(listener.window, kTimerId, 20, nullptr);
    const ScopeGuard stopTimer([&] { KillTimer(listener.window, kTimerId); });

    ASSERT_TRUE(RunAndWait(Quoted(ProbePath()), ProbeArguments(listener.record, "--sleep=800"), false));
    KillTimer(listener.window, kTimerId);
    EXPECT_FALSE(listener.quitOnTimer) << "no timer message was served during the wait";
    EXPECT_EQ(ReadLogRecords(listener.record, "done").size(), 1u) << "the wait ended before the child";
    EXPECT_GT(listener.timerWhileRunning, 1) << "the wait stopped serving messages after the quit";
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 5u);
}

// A filter's output comes in many reads (the probe echoes 64 KiB at a time)
// and is kept whole up to the limit; past it the rest is read, dropped and
// said. Nothing stays open either way.
TEST(RunFilter, KeepsTheOutputUpToTheLimitAndSaysWhenItGoesPast) {
    TempDir dir;
    std::string input((3 << 20) + 123, '\0');
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>('a' + i % 26);
    const auto run = [&](std::size_t limit) {
        return RunFilter(Quoted(ProbePath()), ProbeArguments(dir.File("probe.log"), "--echo-stdin"), false, input,
                         limit, nullptr);
    };
    ASSERT_EQ(run(input.size()).Outcome, RunOutcome::Ended);  // (the platform's own handles opened once)
    const std::optional<DWORD> before = OpenHandleCount();
    ASSERT_TRUE(before.has_value());
    for (const std::size_t limit : {input.size(), input.size() - 1, std::size_t{1} << 20, std::size_t{0}}) {
        const FilterResult result = run(limit);
        ASSERT_EQ(result.Outcome, RunOutcome::Ended) << limit;
        EXPECT_EQ(result.ExitCode, 0u) << limit;
        EXPECT_EQ(result.OutputTooLarge, limit < input.size()) << limit;
        EXPECT_EQ(result.Output.size(), limit) << limit;
        EXPECT_TRUE(result.Output == input.substr(0, limit)) << limit;
        EXPECT_EQ(OpenHandleCount(), before) << limit;
    }
}
