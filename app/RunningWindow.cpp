#include "app/RunningWindow.h"

#include <cstddef>
#include <utility>

#include "app/RunningWindowIds.h"
#include "dialogs/core/DialogRules.h"
#include "host/HostLink.h"
#include "support/core/Texts.h"

namespace {

constexpr UINT_PTR kSecondTimer = 1;

TRect RectOf(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

RunningWindow::RunningWindow(HINSTANCE instance, std::string programLabel)
    : instance_(instance), programLabel_(std::move(programLabel)) {}

void RunningWindow::StillRunning(DWORD elapsedMs) {
    startedAt_ = GetTickCount() - elapsedMs;
    // Owned by the host's main window: above it, and no task-bar button.
    // (The window is the object's from its WM_INITDIALOG on.)
    if (CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_RUNNING), HostWindow, DialogProc,
                           reinterpret_cast<LPARAM>(this)) != nullptr) {
        Place();
        SetWindowPos(window_.Get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetTimer(window_.Get(), kSecondTimer, 1000, nullptr);
    }
}

bool RunningWindow::PreTranslate(MSG& message) {
    return window_ && IsDialogMessageA(window_.Get(), &message);
}

// Centred over the host's main window, inside the work area of the monitor
// that holds most of it.
void RunningWindow::Place() {
    RECT own{}, host{};
    GetWindowRect(window_.Get(), &own);
    if (!GetWindowRect(HostWindow, &host)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(HostWindow, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const TPoint pt =
        CentredOver(RectOf(host), own.right - own.left, own.bottom - own.top, RectOf(monitor.rcWork));
    SetWindowPos(window_.Get(), nullptr, pt.X, pt.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunningWindow::ShowElapsed() {
    const DWORD seconds = (GetTickCount() - startedAt_) / 1000;
    const std::string status = kRunningLabel + programLabel_ + "  " + std::to_string(seconds) + kSecondsSuffix;
    SetDlgItemTextA(window_.Get(), IDC_RUNNING_STATUS, status.c_str());
}

const RunningWindow::MessageHandler RunningWindow::kHandlers[] = {
    {WM_INITDIALOG, &RunningWindow::OnInitDialog}, {WM_TIMER, &RunningWindow::OnTimer},
    {WM_COMMAND, &RunningWindow::OnCommand},       {WM_CLOSE, &RunningWindow::OnClose},
    {WM_NCDESTROY, &RunningWindow::OnNcDestroy},
};

INT_PTR CALLBACK RunningWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<RunningWindow*>(lParam)->window_.Reset(window);
    }
    auto* self = reinterpret_cast<RunningWindow*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    for (const MessageHandler& handler : kHandlers) {
        if (handler.message == message) return (self->*handler.handle)(wParam, lParam);
    }
    return FALSE;
}

INT_PTR RunningWindow::OnInitDialog(WPARAM, LPARAM) {
    const HWND window = window_.Get();
    // The font of the system's message boxes, which holds the Japanese
    // characters wherever the dialog font may not.
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        font_.Reset(CreateFontIndirectA(&metrics.lfMessageFont));
    }
    for (int id : {IDC_RUNNING_STATUS, IDC_RUNNING_NOTE, IDCANCEL}) {
        if (font_) SendDlgItemMessageA(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    }
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
