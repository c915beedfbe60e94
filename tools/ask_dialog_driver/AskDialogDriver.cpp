// Plays the user at the tool's ask dialog for the demo:
//   ask_dialog_driver COMMAND PIPE READY-FILE GO-FILE
// waits for the ask dialog of any process, types COMMAND, sets
// 「標準入出力でやり取りする」 on (PIPE 1) or off (PIPE 0), writes READY-FILE,
// waits for GO-FILE to appear (the screenshot is taken meanwhile), then
// presses 実行. Gives up, cancelling, after a minute.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/robot/AskDialogRobot.h"
#include "tests/robot/Robot.h"

namespace {

constexpr DWORD kPatienceMs = 60000;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || (std::string(argv[2]) != "0" && std::string(argv[2]) != "1")) {
        std::fprintf(stderr, "usage: ask_dialog_driver COMMAND PIPE(0|1) READY-FILE GO-FILE\n");
        return 2;
    }
    const HWND dialog = WaitForAnyDialog(IsAskDialog, kPatienceMs);
    if (dialog == nullptr) {
        std::fprintf(stderr, "no ask dialog came\n");
        return 1;
    }
    Sleep(300);  // let the dialog settle where it was placed
    TypeAskCommand(dialog, argv[1]);
    SetAskOption(dialog, IDC_ASK_PIPE, std::string(argv[2]) == "1");
    WriteFileBytes(argv[3], "ready");
    const DWORD start = GetTickCount();
    while (!FileExists(argv[4]) && GetTickCount() - start < kPatienceMs) Sleep(50);
    if (!FileExists(argv[4])) {
        PressAskCancel(dialog);
        return 1;
    }
    PressAskRun(dialog);
    return 0;
}
