#include "app/ToolWindow.h"

#include <cstddef>

#include "dialogs/core/DialogRules.h"

namespace {

TRect RectOf(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK SetFontOfChild(HWND child, LPARAM font) {
    SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

}  // namespace

MessageFont::MessageFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        font_.Reset(CreateFontIndirectA(&metrics.lfMessageFont));
    }
}

void MessageFont::ApplyTo(HWND dialog) const {
    if (font_) EnumChildWindows(dialog, SetFontOfChild, reinterpret_cast<LPARAM>(font_.Get()));
}

void CentreOver(HWND window, HWND over) {
    RECT own{}, host{};
    GetWindowRect(window, &own);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const HMONITOR where = over != nullptr ? MonitorFromWindow(over, MONITOR_DEFAULTTONEAREST)
                                           : MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoA(where, &monitor)) return;
    if (over == nullptr || !GetWindowRect(over, &host)) host = monitor.rcWork;
    const TPoint pt = CentredOver(RectOf(host), own.right - own.left, own.bottom - own.top, RectOf(monitor.rcWork));
    SetWindowPos(window, nullptr, pt.X, pt.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
