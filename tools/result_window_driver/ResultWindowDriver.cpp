// Plays the user at the tool's result window (/out=show) for the demo:
//   result_window_driver BUTTON-ID READY-FILE GO-FILE
// waits for the result window of any process, writes READY-FILE, waits for
// GO-FILE (the screenshot is taken meanwhile), then presses the button of
// that control id. Gives up after a minute.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/ResultWindowIds.h"
#include "tests/robot/Robot.h"

namespace {

constexpr DWORD kPatienceMs = 60000;

bool IsResultWindow(HWND window) { return GetDlgItem(window, IDC_RESULT_TEXT) != nullptr; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: result_window_driver BUTTON-ID READY-FILE GO-FILE\n");
        return 2;
    }
    const HWND window = WaitForAnyDialog(IsResultWindow, kPatienceMs);
    if (window == nullptr) {
        std::fprintf(stderr, "no result window came\n");
        return 1;
    }
    WriteFileBytes(argv[2], "ready");
    const DWORD start = GetTickCount();
    while (!FileExists(argv[3]) && GetTickCount() - start < kPatienceMs) Sleep(50);
    PostMessageA(GetDlgItem(window, std::atoi(argv[1])), BM_CLICK, 0, 0);
    return FileExists(argv[3]) ? 0 : 1;
}
