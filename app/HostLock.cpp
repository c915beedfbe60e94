#include "app/HostLock.h"

#include <vector>

#include "app/LockWatcher.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/core/PathText.h"

namespace {

// The lock in force, for the unhandled-exception filter (which has no other
// way to reach it).
HostLock* activeLock = nullptr;

// A window's whole title. (A title longer than the usual 259 bytes must come
// back whole too, so the buffer follows the title's length.)
std::string WindowTitle(HWND window) {
    if (window == nullptr) return {};
    const int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<std::size_t>(std::max(length, MAX_PATH - 1)) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

}  // namespace

HostRunMark::HostRunMark(HWND hostWindow) {
    const std::string name =
        "Pelmarind_Run_" + std::to_string(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(hostWindow)));
    mark_.Reset(CreateMutexA(nullptr, FALSE, name.c_str()));
    // A mark that cannot be made at all does not stop the run: the tool
    // behaves as it did before there were marks.
    acquired_ = !mark_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

HostLock::HostLock(HWND mainWindow, HWND ownerWindow) {
    state_.mainWindow = mainWindow;
    state_.ownerWindow = ownerWindow;
    // Both titles are read before either is set: a host that copies its main
    // window's title onto its owner window would otherwise have the owner's
    // title saved with the prefix in it. Everything that may fail is done
    // before the host is touched.
    state_.mainTitle = WindowTitle(mainWindow);
    state_.ownerTitle = WindowTitle(ownerWindow);
    const std::string lockedMain = LockedTitle(state_.mainTitle, SystemCodePage());
    const std::string lockedOwner = LockedTitle(state_.ownerTitle, SystemCodePage());
    // The main window is disabled too: the user could otherwise type into
    // the text that the result will replace, or start another run from its
    // menu. It is enabled afterwards only if it was enabled before.
    state_.mainWasEnabled = mainWindow != ownerWindow && IsWindowEnabled(mainWindow);
    EnableWindow(ownerWindow, FALSE);
    if (state_.mainWasEnabled) EnableWindow(mainWindow, FALSE);
    SetHostTitle(mainWindow, lockedMain);
    SetHostTitle(ownerWindow, lockedOwner);
    activeLock = this;
}

HostLock::~HostLock() {
    RestoreTitles();
    Unlock();
}

void HostLock::RestoreTitles() {
    if (titlesRestored_) return;
    titlesRestored_ = true;
    SetHostTitle(state_.mainWindow, state_.mainTitle);
    SetHostTitle(state_.ownerWindow, state_.ownerTitle);
    if (watcher_) watcher_->TitlesRestored();
}

void HostLock::Unlock() {
    if (unlocked_) return;
    unlocked_ = true;
    EnableHostWindows(state_.mainWindow, state_.ownerWindow, state_.mainWasEnabled);
    activeLock = nullptr;
    // The run is over for the watcher only once the host is back.
    watcher_.reset();
}

void HostLock::StartWatcher() {
    if (watcher_ || unlocked_) return;
    auto watcher = std::make_unique<LockWatcher>(state_);
    if (!watcher->Started()) return;
    if (titlesRestored_) watcher->TitlesRestored();
    watcher_ = std::move(watcher);
}

void HostLock::RestoreAfterCrash() {
    if (activeLock == nullptr) return;
    HostLock& lock = *activeLock;
    activeLock = nullptr;
    if (!lock.titlesRestored_) {
        SetHostTitle(lock.state_.mainWindow, lock.state_.mainTitle);
        SetHostTitle(lock.state_.ownerWindow, lock.state_.ownerTitle);
    }
    if (lock.watcher_) lock.watcher_->TitlesRestored();
    EnableHostWindows(lock.state_.mainWindow, lock.state_.ownerWindow, lock.state_.mainWasEnabled);
    // The watcher, if any, finds the tool gone and enables the windows
    // again, to the same effect.
}

