#include "support/Launcher.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <optional>
#include <vector>

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

    // True when the program ended and every other handle given is signalled
    // (or a wait failed), false on an abort.
    bool Run(std::vector<HANDLE> alsoWaitFor = {}) {
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
        std::vector<HANDLE> pending{process_};
        pending.insert(pending.end(), alsoWaitFor.begin(), alsoWaitFor.end());
        while (!pending.empty()) {
            const auto count = static_cast<DWORD>(pending.size());
            const DWORD woken = MsgWaitForMultipleObjectsEx(count, pending.data(), UntilDue(), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woken == WAIT_TIMEOUT) {
                TellStillRunning();
            } else if (woken < WAIT_OBJECT_0 + count) {
                pending.erase(pending.begin() + (woken - WAIT_OBJECT_0));
            } else if (woken == WAIT_OBJECT_0 + count) {
                if (!DispatchPending()) return false;
            } else {
                return true;
            }
        }
        return true;
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


// A program started suspended, put in its job (where the system allows),
// then let run. No process when the platform refused to start it.
struct StartedProgram {
    KernelHandle process;
    KernelHandle job;
};

StartedProgram StartInJob(std::string commandLine, STARTUPINFOA& startup, bool inheritHandles, DWORD flags) {
    PROCESS_INFORMATION created{};
    // Suspended until it is in its job, so that nothing it starts escapes it.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE,
                        flags | CREATE_SUSPENDED, nullptr, nullptr, &startup, &created)) {
        return {};
    }
    StartedProgram started{KernelHandle(created.hProcess), {}};
    const KernelHandle thread(created.hThread);
    started.job = JobFor(started.process.Get());
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(started.process.Get(), kAbortExitCode);
        return {};
    }
    return started;
}

// Pipes are read and written a megabyte at a time: each transfer is a round
// of system calls (under Wine through its server), so fewer, larger ones.
constexpr DWORD kPipeChunk = 1 << 20;
// How much of the program's standard error is kept for the message.
constexpr std::size_t kErrorHeadBytes = 4096;

// One pipe: the tool's end, and the end the program inherits.
struct PipePair {
    KernelHandle ours, theirs;
};

PipePair MakePipe(bool theyRead) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, kPipeChunk)) return {};
    KernelHandle reading(readEnd), writing(writeEnd);
    PipePair pair = theyRead ? PipePair{std::move(writing), std::move(reading)}
                             : PipePair{std::move(reading), std::move(writing)};
    SetHandleInformation(pair.ours.Get(), HANDLE_FLAG_INHERIT, 0);
    return pair;
}

// Writes the whole input, then closes the pipe (the program's end of input).
// A program that stops reading early breaks the pipe; that ends the writing.
struct PipeWriter {
    KernelHandle pipe;
    const std::string* input;
    static DWORD WINAPI Run(void* context) {
        auto& self = *static_cast<PipeWriter*>(context);
        for (std::size_t done = 0; done < self.input->size();) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(self.input->size() - done, kPipeChunk));
            DWORD written = 0;
            if (!WriteFile(self.pipe.Get(), self.input->data() + done, chunk, &written, nullptr) || written == 0) break;
            done += written;
        }
        self.pipe.Reset();
        return 0;
    }
};

// Reads until the pipe ends, keeping up to `limit` bytes, straight into the
// string (with room made at the start for `expected` bytes); what comes past
// the limit, or past what memory holds, is read and dropped (the program must
// not wait for the tool), and noted. The string grows ahead of what was read
// and is cut to it at the end: a program that writes a few kilobytes at a
// time costs no clearing of a whole chunk per read.
struct PipeReader {
    KernelHandle pipe;
    std::size_t limit;
    std::size_t expected;
    std::string bytes;
    bool overflow = false;
    static DWORD WINAPI Run(void* context) {
        auto& self = *static_cast<PipeReader*>(context);
        try {
            self.bytes.reserve(std::min(self.expected, self.limit));
        } catch (const std::bad_alloc&) {
        }
        std::size_t kept = 0;
        std::vector<char> dropped;
        for (;;) {
            const auto room = static_cast<DWORD>(std::min<std::size_t>(kPipeChunk, self.limit - kept));
            char* into = nullptr;
            if (!self.overflow && room != 0) {
                try {
                    if (self.bytes.size() < kept + room) self.bytes.resize(std::max<std::size_t>(kept + room, self.bytes.capacity()));
                    into = self.bytes.data() + kept;
                } catch (const std::bad_alloc&) {
                    self.overflow = true;
                }
            }
            if (into == nullptr) {
                dropped.resize(kPipeChunk);
                into = dropped.data();
            }
            DWORD read = 0;
            const bool ok = ReadFile(self.pipe.Get(), into, into == dropped.data() ? kPipeChunk : room, &read, nullptr);
            if (!ok || read == 0) break;
            if (into == dropped.data()) {
                self.overflow = true;
            } else {
                kept += read;
            }
        }
        self.bytes.resize(kept);
        return 0;
    }
};

// A thread that is waited for before its owner goes. One stuck in a pipe
// that another process still holds open is cancelled after the abort wait.
class IoThread {
public:
    IoThread(LPTHREAD_START_ROUTINE routine, void* context)
        : thread_(CreateThread(nullptr, 0, routine, context, 0, nullptr)) {}
    ~IoThread() {
        if (!thread_) return;
        if (WaitForSingleObject(thread_.Get(), kAbortWaitMs) == WAIT_TIMEOUT) {
            using CancelFunction = BOOL(WINAPI*)(HANDLE);
            // (Not on every system the tool runs on: looked up, not imported.)
            const auto cancel = reinterpret_cast<CancelFunction>(reinterpret_cast<void (*)()>(
                GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelSynchronousIo")));
            if (cancel != nullptr) cancel(thread_.Get());
            WaitForSingleObject(thread_.Get(), INFINITE);
        }
    }
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;
    bool Started() const { return static_cast<bool>(thread_); }
    HANDLE Handle() const { return thread_.Get(); }

private:
    KernelHandle thread_;
};

}  // namespace

RunOutcome RunAndWait(const std::string& program, const std::string& arguments, bool hide, RunObserver* observer) {
    STARTUPINFOA startup = ChildStartupInfo(hide && IsInterpreterCommand(program, SystemCodePage()));
    StartedProgram started = StartInJob(program + ' ' + arguments, startup, false, 0);
    if (!started.process) return RunOutcome::NotStarted;
    ProgramWait wait(started.process.Get(), observer);
    if (wait.Run()) return RunOutcome::Ended;
    EndProgram(started.process.Get(), started.job.Get());
    return RunOutcome::Aborted;
}

FilterResult RunFilter(const std::string& program, const std::string& arguments, bool hide, const std::string& input,
                       std::size_t outputLimit, RunObserver* observer) {
    FilterResult result;
    PipePair toInput = MakePipe(true), fromOutput = MakePipe(false), fromErrors = MakePipe(false);
    if (!toInput.ours || !fromOutput.ours || !fromErrors.ours) return result;
    STARTUPINFOA startup = ChildStartupInfo(hide && IsInterpreterCommand(program, SystemCodePage()));
    startup.hStdInput = toInput.theirs.Get();
    startup.hStdOutput = fromOutput.theirs.Get();
    startup.hStdError = fromErrors.theirs.Get();
    // A console program needs no console with its handles redirected: none
    // is made, so no window flashes.
    StartedProgram started = StartInJob(program + ' ' + arguments, startup, true, CREATE_NO_WINDOW);
    if (!started.process) return result;
    // The program's ends are its own now: the pipes end when it (and what
    // it started) lets go of them.
    toInput.theirs.Reset();
    fromOutput.theirs.Reset();
    fromErrors.theirs.Reset();

    // Written and read at once, each on a thread of its own: a program that
    // writes before it has read everything must not wait for the tool while
    // the tool waits for it.
    PipeWriter writer{std::move(toInput.ours), &input};
    // The output is most often about as long as the text.
    PipeReader output{std::move(fromOutput.ours), outputLimit, input.size() + input.size() / 8 + 4096, {}};
    PipeReader errors{std::move(fromErrors.ours), kErrorHeadBytes, kErrorHeadBytes, {}};
    IoThread writing(PipeWriter::Run, &writer), reading(PipeReader::Run, &output), readingErrors(PipeReader::Run, &errors);
    if (!writing.Started() || !reading.Started() || !readingErrors.Started()) {
        EndProgram(started.process.Get(), started.job.Get());
        throw std::runtime_error("CreateThread");
    }
    ProgramWait wait(started.process.Get(), observer);
    if (!wait.Run({writing.Handle(), reading.Handle(), readingErrors.Handle()})) {
        EndProgram(started.process.Get(), started.job.Get());
        result.Outcome = RunOutcome::Aborted;
        return result;
    }
    result.Outcome = RunOutcome::Ended;
    GetExitCodeProcess(started.process.Get(), &result.ExitCode);
    result.Output = std::move(output.bytes);
    result.OutputTooLarge = output.overflow;
    result.ErrorHead = std::move(errors.bytes);
    return result;
}

bool RunAndWait(const std::string& program, const std::string& arguments, bool hide) {
    return RunAndWait(program, arguments, hide, nullptr) != RunOutcome::NotStarted;
}
