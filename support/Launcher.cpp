#include "support/Launcher.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "support/core/InterpreterCommand.h"

namespace {

// The record size the child is told: the platform's own (68 bytes in the
// 32-bit program).
constexpr DWORD kStartupInfoSize = sizeof(STARTUPINFOA);
#if defined(__i386__) || defined(_M_IX86)
static_assert(kStartupInfoSize == 68, "the 32-bit program's startup record");
#endif

// The readiness wait is made in slices of this length, so that the thread's
// messages are served while a program starts up (a program that broadcasts a
// message while starting would otherwise wait for the tool, and the tool for
// it).
constexpr DWORD kReadinessSliceMs = 50;
// How long an abort waits for the program and what it started to be gone.
constexpr DWORD kAbortWaitMs = 10000;
constexpr UINT kAbortExitCode = 1;

STARTUPINFOA ChildStartupInfo(bool hidden) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    GetStartupInfoA(&startup);
    startup.cb = kStartupInfoSize;
    // Replaces the tool's own flags: the show state below and the three
    // standard handle values found in the tool's record are passed on as they
    // are, whatever they hold.
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    if (hidden) startup.wShowWindow = SW_HIDE;
    return startup;
}

// A job for the started program, so that an abort can end whatever it
// started too. Processes may still leave it when they ask to (some
// launchers do, and would fail to start otherwise). Empty when the system
// refuses (older systems allow no job inside the job the tool may run in):
// an abort then ends the program alone.
KernelHandle JobFor(HANDLE suspendedProcess) {
    KernelHandle job(CreateJobObjectA(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    if (!AssignProcessToJobObject(job.Get(), suspendedProcess)) job.Reset();
    return job;
}

DWORD ActiveProcesses(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr)) return 0;
    return info.ActiveProcesses;
}

// Ends the program and every process of its job, and waits until they are gone.
void EndProgram(HANDLE process, HANDLE job) {
    if (job == nullptr || !TerminateJobObject(job, kAbortExitCode)) TerminateProcess(process, kAbortExitCode);
    const DWORD started = GetTickCount();
    WaitForSingleObject(process, kAbortWaitMs);
    if (job == nullptr) return;
    // Only an abort gets here; the job has no event that says "empty" without
    // a completion port, so its count is looked at until it is 0.
    while (ActiveProcesses(job) != 0 && GetTickCount() - started < kAbortWaitMs) Sleep(10);
}

// The wait for a started program: its readiness, then its end, serving this
// thread's messages throughout and telling the observer when the program
// outlasts the delay.
class ProgramWait {
public:
    ProgramWait(HANDLE process, RunObserver* observer)
        : process_(process), observer_(observer), started_(GetTickCount()) {}
    ~ProgramWait() {
        if (quitCode_) PostQuitMessage(static_cast<int>(*quitCode_));
    }
    ProgramWait(const ProgramWait&) = delete;
    ProgramWait& operator=(const ProgramWait&) = delete;

    // True when the program ended (or a wait failed), false on an abort.
    bool Run() {
        // Readiness: ends at once for a child without a message queue (a
        // console program); its outcome does not matter. Once the observer is
        // told, the wait for the end covers the rest of it.
        for (;;) {
            const DWORD result = WaitForInputIdle(process_, std::min(kReadinessSliceMs, UntilDue()));
            if (result != WAIT_TIMEOUT || WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) break;
            if (!DispatchPending()) return false;
            if (UntilDue() == 0) {
                TellStillRunning();
                break;
            }
        }
        // The end: the thread sleeps until the process ends, a message comes
        // or the observer is due. MWMO_INPUTAVAILABLE also wakes for messages
        // that were already in the queue but not yet taken (a Peek elsewhere
        // marks them as seen).
        for (;;) {
            const DWORD woken = MsgWaitForMultipleObjectsEx(1, &process_, UntilDue(), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woken == WAIT_TIMEOUT) {
                TellStillRunning();
                continue;
            }
            if (woken != WAIT_OBJECT_0 + 1) return true;
            if (!DispatchPending()) return false;
        }
    }

private:
    // Milliseconds until the observer is due; INFINITE when none is.
    DWORD UntilDue() const {
        if (observer_ == nullptr || told_) return INFINITE;
        const DWORD elapsed = GetTickCount() - started_;
        const DWORD delay = observer_->StillRunningDelayMs();
        return elapsed >= delay ? 0 : delay - elapsed;
    }

    void TellStillRunning() {
        told_ = true;
        observer_->StillRunning(GetTickCount() - started_);
    }

    // Dispatches every message waiting for this thread; false when the
    // observer then asks for an abort. A WM_QUIT is taken out of the way (its
    // exit code noted) and posted again once the wait is over, so that the
    // caller's own loop still sees it.
    bool DispatchPending() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitCode_ = message.wParam;
                continue;
            }
            if (observer_ != nullptr && observer_->PreTranslate(message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return observer_ == nullptr || !observer_->AbortRequested();
    }

    HANDLE process_;
    RunObserver* observer_;
    DWORD started_;
    bool told_ = false;
    std::optional<WPARAM> quitCode_;
};

}  // namespace

RunOutcome RunAndWait(const std::string& program, const std::string& arguments, bool hide, RunObserver* observer) {
    STARTUPINFOA startup = ChildStartupInfo(hide && IsInterpreterCommand(program, SystemCodePage()));
    std::string commandLine = program + ' ' + arguments;
    PROCESS_INFORMATION created{};
    // Suspended until it is in its job, so that nothing it starts escapes it.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &created)) {
        return RunOutcome::NotStarted;
    }
    const KernelHandle process(created.hProcess);
    const KernelHandle thread(created.hThread);
    const KernelHandle job = JobFor(process.Get());
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(process.Get(), kAbortExitCode);
        return RunOutcome::NotStarted;
    }
    ProgramWait wait(process.Get(), observer);
    if (wait.Run()) return RunOutcome::Ended;
    EndProgram(process.Get(), job.Get());
    return RunOutcome::Aborted;
}

bool RunAndWait(const std::string& program, const std::string& arguments, bool hide) {
    return RunAndWait(program, arguments, hide, nullptr) != RunOutcome::NotStarted;
}
