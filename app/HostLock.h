#pragma once
#include <windows.h>

#include "app/LockState.h"

// The host held (LockState) from construction to the end of the owner's
// life, when whatever is not undone yet is undone (and, after a run, the
// host is brought to the front): every path, a failed hand-over and an
// exception included. Every change of the host goes through this one owner,
// which has the watcher (LockWatcher) cover it before anything is changed:
// the tool's end from outside, at any moment, undoes it too. A crash of the
// tool undoes it at once (RestoreAfterCrash, from the unhandled-exception
// filter). A hold made while another is in force changes nothing: the outer
// one covers the host already.
class HostLock {
public:
    HostLock(HWND mainWindow, HWND ownerWindow, HostHold hold = HostHold::Run);
    ~HostLock();
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

    // The titles back, the windows still disabled (while the result is read
    // and put back).
    void RestoreTitles();

    // For the message boxes (Messages' hook): the host's owner window held
    // while a box owned by it shows, unless a hold is in force already.
    static void HoldForMessage(bool showing);

    // For the unhandled-exception filter: undoes the hold that is in force,
    // if any. Allocates nothing.
    static void RestoreAfterCrash();

private:
    void Undo(unsigned parts);

    LockState state_;
    bool nested_ = false;
    bool bringToFront_ = false;
    unsigned undone_ = 0;  // the LockPart bits already undone
};
