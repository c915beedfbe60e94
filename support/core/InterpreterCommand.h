#pragma once
#include <string>

#include "base/core/CodePage.h"

// Whether a command starts a command interpreter told to run one command and
// end: "cmd.exe", "cmd" or "command.com", named bare (no folder), then at
// least one blank (0x20) and a "/c" or "-c" switch (either case) that the end
// or a blank follows. A command that begins with a double quote is judged by
// the content of that quoted string ("" inside standing for one quote); when
// that content is empty, by the rest after the pair of quotes. A command whose
// opening quote is never closed is malformed and counts as no interpreter
// call, so that it is never started hidden.
bool IsInterpreterCommand(const std::string& command, const CodePage& cp);
