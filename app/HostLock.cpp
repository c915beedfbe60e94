#include "app/HostLock.h"

#include <memory>

#include "app/LockWatcher.h"
#include "host/HostLink.h"

namespace {

// The hold in force, for the unhandled-exception filter (which has no other
// way to reach it) and for holds made inside it.
HostLock* gActiveLock = nullptr;

}  // namespace

HostLock::HostLock(HWND mainWindow, HWND ownerWindow, HostHold hold) {
    if (gActiveLock != nullptr) {
        nested_ = true;
        return;
    }
    state_ = ReadLockState(mainWindow, ownerWindow, hold);
    bringToFront_ = hold == HostHold::Run;
    LockWatcher::Cover(state_);
    gActiveLock = this;
    ApplyLock(state_);
}

HostLock::~HostLock() {
    if (nested_) return;
    Undo(kLockTitles | kLockWindows);
    if (bringToFront_) BringHostToFront(state_.mainWindow);
}

void HostLock::RestoreTitles() {
    if (!nested_) Undo(kLockTitles);
}

void HostLock::Undo(unsigned parts) {
    parts &= ~undone_;
    if (parts == 0) return;
    undone_ |= parts;
    UndoLock(state_, parts);
    // Back: the watcher must not set them again (the host may have changed
    // them since).
    LockWatcher::Uncover(parts);
    if ((parts & kLockWindows) != 0) gActiveLock = nullptr;
}

void HostLock::HoldForMessage(bool showing) {
    static std::unique_ptr<HostLock> held;
    static int depth = 0;  // boxes shown from within a box's own message loop
    if (!showing) {
        if (--depth == 0) held.reset();
    } else if (depth++ == 0 && gActiveLock == nullptr && IsWindow(HostOwnerWindow)) {
        held = std::make_unique<HostLock>(HostWindow, HostOwnerWindow, HostHold::Message);
    }
}

void HostLock::RestoreAfterCrash() {
    if (gActiveLock == nullptr) return;
    HostLock& lock = *gActiveLock;
    gActiveLock = nullptr;
    const unsigned parts = (kLockTitles | kLockWindows) & ~lock.undone_;
    lock.undone_ |= parts;
    UndoLock(lock.state_, parts);
    LockWatcher::Uncover(parts);
}
