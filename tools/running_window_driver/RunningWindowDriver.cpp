// Plays the user at the tool's running window for the demo:
//   running_window_driver READY-FILE GO-FILE
// waits for the running window of any process, writes READY-FILE once its
// time has counted on a little, waits for GO-FILE (the screenshot is taken
// meanwhile), then presses 中止. Gives up after a minute.
#include <windows.h>

#include <cstdio>

#include "app/RunningWindowIds.h"
#include "tests/robot/Robot.h"

namespace {

constexpr DWORD kPatienceMs = 60000;

bool IsRunningWindow(HWND window) { return GetDlgItem(window, IDC_RUNNING_STATUS) != nullptr; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: running_window_driver READY-FILE GO-FILE\n");
        return 2;
    }
    const HWND window = WaitForAnyDialog(IsRunningWindow, kPatienceMs);
    if (window == nullptr) {
        std::fprintf(stderr, "no running window came\n");
        return 1;
    }
    Sleep(2200);  // a few seconds on the clock
    WriteFileBytes(argv[1], "ready");
    const DWORD start = GetTickCount();
    while (!FileExists(argv[2]) && GetTickCount() - start < kPatienceMs) Sleep(50);
    PostMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
    return FileExists(argv[2]) ? 0 : 1;
}
