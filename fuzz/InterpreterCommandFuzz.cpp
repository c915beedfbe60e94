// IsInterpreterCommand on arbitrary bytes, with properties that hold for
// every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/InterpreterCommand.h"

namespace {

bool IsAscii(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CodePage& cp = CodePage932Model();
    const std::string command(reinterpret_cast<const char*>(data), size);
    const bool result = IsInterpreterCommand(command, cp);

    // The name and the switch are matched without regard to case.
    if (IsAscii(command)) Require(IsInterpreterCommand(cp.Uppered(command), cp) == result);

    // Leading blanks are trimmed from an unquoted command.
    if (command.empty() || command.front() != '"') Require(IsInterpreterCommand("  " + command, cp) == result);

    // Whatever follows the switch (after a blank) is not looked at.
    const bool endsUntrimmed = !command.empty() && static_cast<unsigned char>(command.back()) > 0x20;
    if (result && endsUntrimmed) Require(IsInterpreterCommand(command + " x\"y", cp));

    // A true result needs an interpreter name and a "c" switch somewhere.
    if (result) {
        std::string lowered = command;
        for (char& c : lowered) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        Require(lowered.find("cmd") != std::string::npos || lowered.find("command.com") != std::string::npos);
        Require(lowered.find("/c") != std::string::npos || lowered.find("-c") != std::string::npos);
    }
    return 0;
}
