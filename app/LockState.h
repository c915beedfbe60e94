#pragma once
#include <windows.h>

#include <string>

// What a lock of the host is: its owner window disabled, its main window too
// (when it is another window and was enabled), and both titles prefixed with
// the lock prefix. The state keeps what is needed to undo it, for the tool
// itself, its crash filter and a watcher process alike.
struct LockState {
    HWND mainWindow = nullptr, ownerWindow = nullptr;
    bool mainWasEnabled = false;
    std::string mainTitle, ownerTitle;
};

// Locks the host and gives what it changed. Both titles are read before
// either is set (a host that copies its main window's title onto its owner
// window would otherwise have the owner's title saved with the prefix in it),
// and everything that may fail is done before the host is touched.
LockState LockHost(HWND mainWindow, HWND ownerWindow);

// The two halves of a lock, undone separately: the titles come back as soon
// as the program has ended, the windows once the result is in place.
enum LockPart : unsigned { kLockTitles = 1, kLockWindows = 2 };
// Undoes those parts of the lock. Allocates nothing: the crash filter calls it.
void UndoLock(const LockState& state, unsigned parts);
