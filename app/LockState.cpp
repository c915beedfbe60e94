#include "app/LockState.h"

#include <algorithm>
#include <vector>

#include "base/CodePageWin32.h"
#include "support/core/PathText.h"

namespace {

// A window's whole title. (A title longer than the usual 259 bytes must come
// back whole too, so the buffer follows the title's length.)
std::string WindowTitle(HWND window) {
    if (window == nullptr) return {};
    const int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<std::size_t>(std::max(length, MAX_PATH - 1)) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

void SetHostTitle(HWND window, const std::string& title) {
    if (window != nullptr) SetWindowTextA(window, title.c_str());
}

}  // namespace

LockState ReadLockState(HWND mainWindow, HWND ownerWindow, HostHold hold) {
    LockState state;
    state.mainWindow = mainWindow;
    state.ownerWindow = ownerWindow;
    state.parts = hold == HostHold::Run ? kLockTitles | kLockWindows : kLockWindows;
    if (hold == HostHold::Run) {
        state.mainTitle = WindowTitle(mainWindow);
        state.ownerTitle = WindowTitle(ownerWindow);
    }
    // The main window is disabled too (but for a message box, which disables
    // only its owner): the user could otherwise type into the text that the
    // result will replace, or start another run from its menu. It is enabled
    // afterwards only if it was enabled before.
    state.mainWasEnabled = hold != HostHold::Message && mainWindow != ownerWindow && IsWindowEnabled(mainWindow);
    return state;
}

void ApplyLock(const LockState& state) {
    std::string lockedMain, lockedOwner;
    if ((state.parts & kLockTitles) != 0) {
        lockedMain = LockedTitle(state.mainTitle, SystemCodePage());
        lockedOwner = LockedTitle(state.ownerTitle, SystemCodePage());
    }
    if ((state.parts & kLockWindows) != 0) {
        EnableWindow(state.ownerWindow, FALSE);
        if (state.mainWasEnabled) EnableWindow(state.mainWindow, FALSE);
    }
    if ((state.parts & kLockTitles) != 0) {
        SetHostTitle(state.mainWindow, lockedMain);
        SetHostTitle(state.ownerWindow, lockedOwner);
    }
}

void UndoLock(const LockState& state, unsigned parts) {
    parts &= state.parts;
    if ((parts & kLockTitles) != 0) {
        SetHostTitle(state.mainWindow, state.mainTitle);
        SetHostTitle(state.ownerWindow, state.ownerTitle);
    }
    if ((parts & kLockWindows) != 0) {
        if (state.mainWasEnabled) EnableWindow(state.mainWindow, TRUE);
        EnableWindow(state.ownerWindow, TRUE);
    }
}
