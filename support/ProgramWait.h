#pragma once
#include <windows.h>

#include <optional>
#include <vector>

// What a caller learns of, and may ask of, a program while the launcher waits
// for it. Nothing here is called for a program that ends before the delay.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // How long the program may run before StillRunning is called.
    virtual DWORD StillRunningDelayMs() const { return 1000; }
    // Called once, when the program is still running after the delay (the
    // wait for its readiness included), with the time since it started.
    virtual void StillRunning(DWORD elapsedMs) = 0;
    // Offered every message before it is dispatched; true when the observer
    // handled it (a dialog's keyboard handling).
    virtual bool PreTranslate(MSG&) { return false; }
    // Asked after the messages that woke the wait were handled: true ends
    // the program and everything it started.
    virtual bool AbortRequested() const = 0;
};

// The wait for a started program: its readiness, then its end, serving this
// thread's messages throughout and telling the observer when the program
// outlasts the delay. A WM_QUIT taken from the queue during the wait does not
// end it: the quit is posted again once the wait is over, so that the
// caller's own loop still sees it.
class ProgramWait {
public:
    ProgramWait(HANDLE process, RunObserver* observer);
    ~ProgramWait();
    ProgramWait(const ProgramWait&) = delete;
    ProgramWait& operator=(const ProgramWait&) = delete;

    // True when the program ended and every other handle given is signalled
    // (or a wait failed), or `graceMs` passed since the program ended; false
    // on an abort.
    bool Run(std::vector<HANDLE> alsoWaitFor = {}, DWORD graceMs = INFINITE);

private:
    DWORD UntilDue() const;
    DWORD UntilGraceOver() const;
    void TellStillRunning();
    bool DispatchPending();

    HANDLE process_;
    RunObserver* observer_;
    DWORD started_;
    bool told_ = false;
    std::optional<DWORD> endedAt_;
    DWORD graceMs_ = INFINITE;
    std::optional<WPARAM> quitCode_;
};
