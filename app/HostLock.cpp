#include "app/HostLock.h"

#include "app/LockWatcher.h"
#include "app/Messages.h"
#include "host/HostLink.h"

namespace {

// The lock in force, for the unhandled-exception filter (which has no other
// way to reach it).
HostLock* gActiveLock = nullptr;

}  // namespace

HostLock::HostLock(HWND mainWindow, HWND ownerWindow) : state_(LockHost(mainWindow, ownerWindow)) {
    gActiveLock = this;
    SetBeforeShowing(WatchActiveLock);
}

HostLock::~HostLock() {
    Undo(kLockTitles | kLockWindows);
    BringHostToFront(state_.mainWindow);
}

void HostLock::RestoreTitles() { Undo(kLockTitles); }

void HostLock::Undo(unsigned parts) {
    parts &= ~undone_;
    if (parts == 0) return;
    undone_ |= parts;
    UndoLock(state_, parts);
    // The titles are back: a watcher must not set them again (the host may
    // have changed them since).
    if ((parts & kLockTitles) != 0 && watcher_) watcher_->TitlesRestored();
    if ((parts & kLockWindows) != 0) {
        gActiveLock = nullptr;
        SetBeforeShowing(nullptr);
        // The run is over for the watcher only once the host is back.
        watcher_.reset();
    }
}

void HostLock::StartWatcher() {
    if (watcher_ || (undone_ & kLockWindows) != 0) return;
    auto watcher = std::make_unique<LockWatcher>(state_);
    if (!watcher->Started()) return;
    if ((undone_ & kLockTitles) != 0) watcher->TitlesRestored();
    watcher_ = std::move(watcher);
}

void HostLock::WatchActiveLock() {
    if (gActiveLock != nullptr) gActiveLock->StartWatcher();
}

void HostLock::RestoreAfterCrash() {
    if (gActiveLock == nullptr) return;
    HostLock& lock = *gActiveLock;
    gActiveLock = nullptr;
    const unsigned parts = (kLockTitles | kLockWindows) & ~lock.undone_;
    lock.undone_ |= parts;
    if (lock.watcher_) lock.watcher_->TitlesRestored();
    UndoLock(lock.state_, parts);
    // The watcher, if any, finds the tool gone and enables the windows
    // again, to the same effect.
}
