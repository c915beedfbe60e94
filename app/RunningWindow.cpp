#include "app/RunningWindow.h"

#include <utility>

#include "app/RunningWindowIds.h"
#include "host/HostLink.h"
#include "support/core/Texts.h"

namespace {

constexpr UINT_PTR kSecondTimer = 1;

}  // namespace

RunningWindow::RunningWindow(HINSTANCE instance, std::string programLabel)
    : instance_(instance), programLabel_(std::move(programLabel)) {}

void RunningWindow::StillRunning(DWORD elapsedMs) {
    startedAt_ = GetTickCount() - elapsedMs;
    // Owned by the host's main window: above it, and no task-bar button.
    // (The window is the object's from its WM_INITDIALOG on.)
    if (CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_RUNNING), HostWindow,
                           DispatchDialogMessage<RunningWindow>, reinterpret_cast<LPARAM>(this)) != nullptr) {
        CentreOver(window_.Get(), HostWindow);
        SetWindowPos(window_.Get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetTimer(window_.Get(), kSecondTimer, 1000, nullptr);
    }
}

bool RunningWindow::PreTranslate(MSG& message) {
    return window_ && IsDialogMessageA(window_.Get(), &message);
}

void RunningWindow::ShowElapsed() {
    const DWORD seconds = (GetTickCount() - startedAt_) / 1000;
    const std::string status = kRunningLabel + programLabel_ + "  " + std::to_string(seconds) + kSecondsSuffix;
    SetDlgItemTextA(window_.Get(), IDC_RUNNING_STATUS, status.c_str());
}

const DialogHandler<RunningWindow> RunningWindow::kHandlers[5] = {
    {WM_INITDIALOG, &RunningWindow::OnInitDialog}, {WM_TIMER, &RunningWindow::OnTimer},
    {WM_COMMAND, &RunningWindow::OnCommand},       {WM_CLOSE, &RunningWindow::OnClose},
    {WM_NCDESTROY, &RunningWindow::OnNcDestroy},
};

INT_PTR RunningWindow::OnInitDialog(WPARAM, LPARAM) {
    const HWND window = window_.Get();
    font_.ApplyTo(window);
    SetDlgItemTextA(window, IDC_RUNNING_NOTE, kAbortNote);
    SetDlgItemTextA(window, IDCANCEL, kAbortButton);
    ShowElapsed();
    // No focus set: the window is shown without taking activation.
    return FALSE;
}

INT_PTR RunningWindow::OnTimer(WPARAM, LPARAM) {
    ShowElapsed();
    return TRUE;
}

// 中止 (Enter or Space on it), and Esc.
INT_PTR RunningWindow::OnCommand(WPARAM wParam, LPARAM) {
    if (LOWORD(wParam) == IDCANCEL) abortRequested_ = true;
    return TRUE;
}

INT_PTR RunningWindow::OnClose(WPARAM, LPARAM) {
    abortRequested_ = true;
    return TRUE;
}

// Destroyed with the host's main window, its owner: nothing left to destroy.
INT_PTR RunningWindow::OnNcDestroy(WPARAM, LPARAM) {
    window_.Forget();
    return FALSE;
}
