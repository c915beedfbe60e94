#pragma once
#include <windows.h>

#include <memory>

#include "app/LockState.h"

class LockWatcher;

// The host locked for a run (LockState), from construction to the end of the
// owner's life, when whatever is not undone yet is undone and the host is
// brought to the front: every path of a run, a failed hand-over and an
// exception included. A crash of the tool undoes the lock too
// (RestoreAfterCrash, from the unhandled-exception filter), and, once
// StartWatcher was called, so does the end of the tool's process from
// outside, by a watcher process.
class HostLock {
public:
    HostLock(HWND mainWindow, HWND ownerWindow);
    ~HostLock();
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

    // The titles back, the windows still disabled (while the result is read
    // and put back).
    void RestoreTitles();
    // Starts the watcher that undoes the lock if the tool's process ends
    // with the host still locked; nothing when one runs already or none can
    // be started.
    void StartWatcher();

    // Starts the watcher of the lock in force, if any: nothing may be shown
    // while the host is locked without one.
    static void WatchActiveLock();

    // For the unhandled-exception filter: undoes the lock that is in force,
    // if any. Allocates nothing.
    static void RestoreAfterCrash();

private:
    void Undo(unsigned parts);

    LockState state_;
    unsigned undone_ = 0;  // the LockPart bits already undone
    std::unique_ptr<LockWatcher> watcher_;
};
