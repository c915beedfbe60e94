#pragma once
#include <string>

#include "app/RunRequest.h"
#include "app/Transports.h"

// The result step of a run that ended, for both transports, with the titles
// back and the windows still disabled, in two parts: what the program left is
// made into a result with a verdict (MakeResult: through a file only a changed
// file is a result, read into the editor text's own storage where the result
// replaces the text; through the pipe an output over the limit is refused;
// then PrepareResult: a NUL refused, converted by its byte-order mark or from
// UTF-8 for /io=utf8, line ends like the text's unless /io=exact), and it is
// delivered where /out= says: in place of the selection or the whole text,
// after it, in the result window, on the clipboard, or nowhere.
// A program that ended with an exit code other than 0 is reported with its
// error output (readable whatever its encoding): through the pipe with no
// output, and for copy and none, nothing more; for replace and after the user
// is asked first; the result window shows it. An empty result for a text after
// exit code 0 asks before it replaces. A result that is not put back (the
// user said いいえ, it cannot be, or memory ran out) is kept in a file (the
// temporary file that holds it, or a new one) and a message names it, or says
// that it could not be kept.
void TakeResult(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText);
