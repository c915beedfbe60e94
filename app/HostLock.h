#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "base/Handles.h"

// Marks the host as being in a run of the tool, for as long as it lives: a
// second copy of the tool started on the same host finds the mark and must
// leave the host alone (it would read and write the same section, and put
// its result over the first one's).
class HostRunMark {
public:
    explicit HostRunMark(HWND hostWindow);
    // False when another copy holds the mark.
    bool Acquired() const { return acquired_; }

private:
    KernelHandle mark_;
    bool acquired_ = false;
};

class LockWatcher;

// The host locked for a run: its owner window disabled, its main window too
// (when it is another window and was enabled), and both titles prefixed with
// the lock prefix. RestoreTitles and Unlock undo the two halves; whatever is
// not undone by the end of the lock's life is undone then. A crash of the
// tool undoes both (RestoreAfterCrash, from the unhandled-exception filter),
// and, once StartWatcher was called, so does the end of the tool's process
// from outside, by a watcher process.
class HostLock {
public:
    HostLock(HWND mainWindow, HWND ownerWindow);
    ~HostLock();
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

    void RestoreTitles();
    void Unlock();
    // Starts the watcher that undoes the lock if the tool's process ends
    // with the host still locked; nothing when one runs already or none can
    // be started.
    void StartWatcher();

    // For the unhandled-exception filter: undoes the lock that is in force,
    // if any. Allocates nothing.
    static void RestoreAfterCrash();

    // What a watcher needs to undo the lock.
    struct State {
        HWND mainWindow = nullptr, ownerWindow = nullptr;
        bool mainWasEnabled = false;
        std::string mainTitle, ownerTitle;
    };

private:
    State state_;
    bool titlesRestored_ = false;
    bool unlocked_ = false;
    std::unique_ptr<LockWatcher> watcher_;
};
