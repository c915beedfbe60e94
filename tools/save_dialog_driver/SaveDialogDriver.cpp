// Plays the user at a Save dialog for the demo:
//   save_dialog_driver NAME READY-FILE GO-FILE
// waits for a Save dialog of any process, writes READY-FILE, waits for
// GO-FILE to appear (the screenshot of the dialog as it opened, with the name
// it proposes, is taken meanwhile), then types NAME into its name box and
// presses OK. Gives up, cancelling, after a minute.
#include <windows.h>

#include <cstdio>

#include "tests/robot/Robot.h"
#include "tests/robot/SaveDialogRobot.h"

namespace {

constexpr DWORD kPatienceMs = 60000;

bool IsSaveDialog(HWND window) { return SaveDialogNameBox(window) != nullptr; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: save_dialog_driver NAME READY-FILE GO-FILE\n");
        return 2;
    }
    HWND frame = WaitForAnyDialog(IsSaveDialog, kPatienceMs);
    if (frame == nullptr) {
        std::fprintf(stderr, "no Save dialog came\n");
        return 1;
    }
    Sleep(300);  // let the dialog settle where it was placed
    WriteFileBytes(argv[2], "ready");
    const DWORD start = GetTickCount();
    while (!FileExists(argv[3]) && GetTickCount() - start < kPatienceMs) Sleep(50);
    if (!FileExists(argv[3])) {
        CancelSaveDialog(frame);
        return 1;
    }
    TypeSaveDialogName(frame, argv[1]);
    ConfirmSaveDialog(frame);
    return 0;
}
