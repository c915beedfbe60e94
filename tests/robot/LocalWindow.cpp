#include "tests/robot/LocalWindow.h"

LocalWindow::LocalWindow(const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, className, "local", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(window_);
    Pump();
}

LocalWindow::~LocalWindow() {
    DestroyWindow(window_);
    Pump();
}

void LocalWindow::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}
