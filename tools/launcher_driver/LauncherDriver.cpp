// Runs RunAndWait once, in a process of its own, so that a test can choose
// the startup information the launcher finds there (show state, flags,
// standard handles) and its current folder:
//   launcher_driver HIDE PROGRAM_HEX ARGUMENTS_HEX
// HIDE is 0 or 1; the program and the arguments are hex digits, byte for byte.
// Exit code: 0 when RunAndWait gave true, 1 when it gave false, 2 for a bad
// command line. A GUI program without a window, as the tool is.
#include <cstring>
#include <string>

#include "support/Launcher.h"
#include "tests/robot/HexText.h"

int main(int argc, char** argv) {
    std::string program, arguments;
    if (argc != 4 || (std::strcmp(argv[1], "0") != 0 && std::strcmp(argv[1], "1") != 0) ||
        !HexBytes(argv[2], program) || !HexBytes(argv[3], arguments)) {
        return 2;
    }
    return RunAndWait(program, arguments, argv[1][0] == '1') ? 0 : 1;
}
