#include "tests/robot/ResultWindowRobot.h"

#include "tests/robot/Robot.h"

HWND WaitForResultWindow(DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindowsOf(pid, "#32770")) {
            if (GetDlgItem(window, IDC_RESULT_TEXT) != nullptr && IsWindowVisible(window)) return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return nullptr;
}
