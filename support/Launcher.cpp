#include "support/Launcher.h"

#include <windows.h>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "base/NativeSystemFolder.h"
#include "support/Pipes.h"
#include "support/ProcessTree.h"
#include "support/core/InterpreterCommand.h"

namespace {

// The record size the child is told: the platform's own (68 bytes in the
// 32-bit program).
constexpr DWORD kStartupInfoSize = sizeof(STARTUPINFOA);
#if defined(__i386__) || defined(_M_IX86)
static_assert(kStartupInfoSize == 68, "the 32-bit program's startup record");
#endif

// How long an abort waits for the program and what it started to be gone.
constexpr DWORD kAbortWaitMs = 10000;
// How long a filter's outputs may stay open once the program itself has
// ended: a process it started may have inherited them and hold them long
// after (or for good).
constexpr DWORD kOutputGraceMs = 2000;
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

// Ends the program and every process of its job, and waits until they are
// gone. Without a job, the processes it started are found by their parent
// ids.
void EndProgram(HANDLE process, HANDLE job) {
    if (job == nullptr || !TerminateJobObject(job, kAbortExitCode)) EndProcessTree(process, kAbortExitCode);
    const DWORD started = GetTickCount();
    WaitForSingleObject(process, kAbortWaitMs);
    if (job == nullptr) return;
    // Only an abort gets here; the job has no event that says "empty" without
    // a completion port, so its count is looked at until it is 0.
    while (ActiveProcesses(job) != 0 && GetTickCount() - started < kAbortWaitMs) Sleep(10);
}

// A program started suspended, put in its job (where the system allows),
// then let run. No process when the platform refused to start it.
struct StartedProgram {
    KernelHandle process;
    KernelHandle job;
};

StartedProgram StartInJob(std::string commandLine, STARTUPINFOA& startup, bool inheritHandles, DWORD flags) {
    PROCESS_INFORMATION info{};
    // Suspended until it is in its job, so that nothing it starts escapes it;
    // out of the job the tool may run in (the editor's, which systems before
    // Windows 8 cannot nest a job in), where that job lets it go.
    const auto start = [&](DWORD extraFlags) {
        return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE,
                              flags | CREATE_SUSPENDED | extraFlags, nullptr, nullptr, &startup, &info) != FALSE;
    };
    const auto startInOrOutOfJob = [&] {
        if (start(CREATE_BREAKAWAY_FROM_JOB)) return true;
        return GetLastError() == ERROR_ACCESS_DENIED && start(0);
    };
    // Found and started in the system's own system folder (a 64-bit one
    // included) first; a program not found there is looked for again in the
    // folder the system shows a 32-bit program in its place (SysWOW64, where
    // 32-bit installers put what they name System32).
    bool created = false, notFound = false;
    {
        const NativeSystemFolder nativeSystemFolder;
        created = startInOrOutOfJob();
        const DWORD error = created ? ERROR_SUCCESS : GetLastError();
        notFound = nativeSystemFolder.Active() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    }
    if (!created && !(notFound && startInOrOutOfJob())) return {};
    StartedProgram started{KernelHandle(info.hProcess), {}};
    const KernelHandle thread(info.hThread);
    started.job = JobFor(started.process.Get());
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(started.process.Get(), kAbortExitCode);
        return {};
    }
    return started;
}

}  // namespace

RunOutcome RunAndWait(const std::string& program, const std::string& arguments, bool hide, RunObserver* observer,
                      DWORD* exitCode) {
    STARTUPINFOA startup = ChildStartupInfo(hide && IsInterpreterCommand(program, SystemCodePage()));
    StartedProgram started = StartInJob(program + ' ' + arguments, startup, false, 0);
    if (!started.process) return RunOutcome::NotStarted;
    ProgramWait wait(started.process.Get(), observer);
    if (wait.Run()) {
        if (exitCode != nullptr && !GetExitCodeProcess(started.process.Get(), exitCode)) *exitCode = 0;
        return RunOutcome::Ended;
    }
    EndProgram(started.process.Get(), started.job.Get());
    return RunOutcome::Aborted;
}

FilterResult RunFilter(const std::string& program, const std::string& arguments, bool hide, const std::string& input,
                       std::size_t outputLimit, RunObserver* observer) {
    FilterResult result;
    FilterPipes pipes;
    if (!pipes.Made()) {
        result.Outcome = RunOutcome::NoPipes;
        return result;
    }
    STARTUPINFOA startup = ChildStartupInfo(hide && IsInterpreterCommand(program, SystemCodePage()));
    startup.hStdInput = pipes.ProgramInput();
    startup.hStdOutput = pipes.ProgramOutput();
    startup.hStdError = pipes.ProgramErrors();
    // A console program needs no console with its handles redirected: none
    // is made, so no window flashes.
    StartedProgram started = StartInJob(program + ' ' + arguments, startup, true, CREATE_NO_WINDOW);
    if (!started.process) return result;
    // The output is most often about as long as the text.
    if (!pipes.Start(input, outputLimit, input.size() + input.size() / 8 + 4096)) {
        EndProgram(started.process.Get(), started.job.Get());
        result.Outcome = RunOutcome::NoPipes;
        return result;
    }
    ProgramWait wait(started.process.Get(), observer);
    if (!wait.Run(pipes.Threads(), kOutputGraceMs)) {
        EndProgram(started.process.Get(), started.job.Get());
        result.Outcome = RunOutcome::Aborted;
        return result;
    }
    // What was written by the end of the grace is the output; a process
    // still holding the pipes is left running.
    if (!pipes.Stop()) {
        result.Outcome = RunOutcome::NoPipes;
        return result;
    }
    result.Outcome = RunOutcome::Ended;
    GetExitCodeProcess(started.process.Get(), &result.ExitCode);
    result.Output = pipes.TakeOutput();
    result.OutputTooLarge = pipes.OutputTooLarge();
    result.ErrorHead = pipes.TakeErrorHead();
    return result;
}

bool RunAndWait(const std::string& program, const std::string& arguments, bool hide) {
    return RunAndWait(program, arguments, hide, nullptr) != RunOutcome::NotStarted;
}
