#include "app/RunningWindow.h"

#include <cstddef>
#include <utility>

#include "app/HostLock.h"
#include "app/RunningWindowIds.h"
#include "dialogs/core/DialogRules.h"
#include "host/HostLink.h"
#include "support/core/Texts.h"

namespace {

constexpr UINT_PTR kSecondTimer = 1;

TRect RectOf(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

RunningWindow::RunningWindow(HINSTANCE instance, std::string programLabel, HostLock& lock)
    : instance_(instance), programLabel_(std::move(programLabel)), lock_(lock) {}

RunningWindow::~RunningWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

void RunningWindow::StillRunning(DWORD elapsedMs) {
    startedAt_ = GetTickCount() - elapsedMs;
    // The watcher first: while the window shows, the lock outlives the tool.
    lock_.StartWatcher();
    // Owned by the host's main window: above it, and no task-bar button.
    window_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_RUNNING), HostWindow, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (window_ != nullptr) {
        Place();
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetTimer(window_, kSecondTimer, 1000, nullptr);
    }
}

bool RunningWindow::PreTranslate(MSG& message) {
    return window_ != nullptr && IsDialogMessageA(window_, &message);
}

// Centred over the host's main window, inside the work area of the monitor
// that holds most of it.
void RunningWindow::Place() {
    RECT own{}, host{};
    GetWindowRect(window_, &own);
    if (!GetWindowRect(HostWindow, &host)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(HostWindow, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const TPoint pt =
        CentredOver(RectOf(host), own.right - own.left, own.bottom - own.top, RectOf(monitor.rcWork));
    SetWindowPos(window_, nullptr, pt.X, pt.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunningWindow::ShowElapsed() {
    const DWORD seconds = (GetTickCount() - startedAt_) / 1000;
    const std::string status = kRunningLabel + programLabel_ + "  " + std::to_string(seconds) + kSecondsSuffix;
    SetDlgItemTextA(window_, IDC_RUNNING_STATUS, status.c_str());
}

INT_PTR CALLBACK RunningWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<RunningWindow*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
    case WM_INITDIALOG: {
        self->window_ = window;
        // The font of the system's message boxes, which holds the Japanese
        // characters wherever the dialog font may not.
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
            self->font_ = CreateFontIndirectA(&metrics.lfMessageFont);
        }
        for (int id : {IDC_RUNNING_STATUS, IDC_RUNNING_NOTE, IDCANCEL}) {
            if (self->font_ != nullptr) SendDlgItemMessageA(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(self->font_), FALSE);
        }
        SetDlgItemTextA(window, IDC_RUNNING_NOTE, kAbortNote);
        SetDlgItemTextA(window, IDCANCEL, kAbortButton);
        self->ShowElapsed();
        // No focus set: the window is shown without taking activation.
        return FALSE;
    }
    case WM_TIMER:
        self->ShowElapsed();
        return TRUE;
    case WM_COMMAND:
        // 中止 (Enter or Space on it), and Esc.
        if (LOWORD(wParam) == IDCANCEL) self->abortRequested_ = true;
        return TRUE;
    case WM_CLOSE:
        self->abortRequested_ = true;
        return TRUE;
    default:
        return FALSE;
    }
}
