#pragma once
#include <windows.h>

#include <string>

// The two halves of a lock, undone separately: the titles come back as soon
// as the program has ended, the windows once the result is in place.
enum LockPart : unsigned { kLockTitles = 1, kLockWindows = 2 };

// How the host is held:
//   Run      both titles prefixed with the lock prefix, the owner window
//            disabled and the main window too (when it is another window and
//            was enabled): while a program runs;
//   Dialog   the two windows disabled as for a run, the titles untouched:
//            while a dialog of the tool's is open (the user could otherwise
//            type into the text the dialog works on);
//   Message  the owner window disabled, as a message box owned by it does.
enum class HostHold { Run, Dialog, Message };

// What a hold of the host changed, with what is needed to undo it, for the
// tool itself, its crash filter and a watcher process alike.
struct LockState {
    HWND mainWindow = nullptr, ownerWindow = nullptr;
    bool mainWasEnabled = false;
    std::string mainTitle, ownerTitle;
    unsigned parts = 0;  // the LockPart bits that the hold changes
};

// What holding the host that way will change, read before anything is
// changed: both titles are read before either is set (a host that copies its
// main window's title onto its owner window would otherwise have the owner's
// title saved with the prefix in it).
LockState ReadLockState(HWND mainWindow, HWND ownerWindow, HostHold hold);
// Changes the host as the state says. Everything that may fail is done
// before the host is touched.
void ApplyLock(const LockState& state);
// Undoes those parts of the lock. Allocates nothing: the crash filter calls it.
void UndoLock(const LockState& state, unsigned parts);
