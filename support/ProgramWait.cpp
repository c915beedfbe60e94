#include "support/ProgramWait.h"

#include <algorithm>

#include "base/MessageWait.h"

namespace {

// The readiness wait is made in slices of this length, so that the thread's
// messages are served while a program starts up (a program that broadcasts a
// message while starting would otherwise wait for the tool, and the tool for
// it).
constexpr DWORD kReadinessSliceMs = 50;

}  // namespace

ProgramWait::ProgramWait(HANDLE process, RunObserver* observer)
    : process_(process), observer_(observer), started_(GetTickCount()) {}

ProgramWait::~ProgramWait() {
    if (quitCode_) PostQuitMessage(static_cast<int>(*quitCode_));
}

bool ProgramWait::Run(std::vector<HANDLE> alsoWaitFor, DWORD graceMs) {
    graceMs_ = graceMs;
    // Readiness: ends at once for a child without a message queue (a console
    // program); its outcome does not matter. Once the observer is told, the
    // wait for the end covers the rest of it.
    for (;;) {
        const DWORD result = WaitForInputIdle(process_, std::min(kReadinessSliceMs, UntilDue()));
        if (result != WAIT_TIMEOUT || WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) break;
        if (!DispatchPending()) return false;
        if (UntilDue() == 0) {
            TellStillRunning();
            break;
        }
    }
    // The end: the thread sleeps until the process ends, a message comes,
    // the observer is due or the grace after the end is over.
    std::vector<HANDLE> pending{process_};
    pending.insert(pending.end(), alsoWaitFor.begin(), alsoWaitFor.end());
    while (!pending.empty()) {
        const WaitWake woken = WaitForHandlesOrMessages(pending, std::min(UntilDue(), UntilGraceOver()), QS_ALLINPUT,
                                                        MWMO_INPUTAVAILABLE);
        switch (woken.kind) {
        case WaitWake::TimedOut:
            if (UntilDue() == 0) TellStillRunning();
            if (UntilGraceOver() == 0) return true;
            break;
        case WaitWake::Handle:
            if (pending[woken.index] == process_) endedAt_ = GetTickCount();
            pending.erase(pending.begin() + woken.index);
            break;
        case WaitWake::Message:
            if (!DispatchPending()) return false;
            break;
        case WaitWake::Failed:
            return true;
        }
    }
    return true;
}

// Milliseconds until the observer is due; INFINITE when none is.
DWORD ProgramWait::UntilDue() const {
    if (observer_ == nullptr || told_) return INFINITE;
    const DWORD elapsed = GetTickCount() - started_;
    const DWORD delay = observer_->StillRunningDelayMs();
    return elapsed >= delay ? 0 : delay - elapsed;
}

// Milliseconds until the grace after the program's end is over; INFINITE
// while it runs, or without a grace.
DWORD ProgramWait::UntilGraceOver() const {
    if (!endedAt_ || graceMs_ == INFINITE) return INFINITE;
    const DWORD elapsed = GetTickCount() - *endedAt_;
    return elapsed >= graceMs_ ? 0 : graceMs_ - elapsed;
}

void ProgramWait::TellStillRunning() {
    told_ = true;
    observer_->StillRunning(GetTickCount() - started_);
}

// Dispatches every message waiting for this thread; false when the observer
// then asks for an abort. A WM_QUIT is taken out of the way (its exit code
// noted) and posted again once the wait is over.
bool ProgramWait::DispatchPending() {
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
