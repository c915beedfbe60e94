#pragma once
#include <string>

#include "app/RunRequest.h"
#include "app/Transports.h"

// The result step of a run that ended, for both transports, with the titles
// back and the windows still disabled: the program's output is checked
// (through the pipe: exit code 0, not too large, not empty for a text),
// read (through a file: only when the program changed it, into the editor
// text's own storage, which is not needed any more), converted from UTF-8
// for /io=utf8 and put in place of the selection or of the whole text. A
// result that cannot be put back is kept in a file (the temporary file that
// holds it, or a new one) and a message names it.
void TakeResult(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText);
