#pragma once
#include <string>

#include "app/RunRequest.h"
#include "app/Transports.h"

// The result step of a run that ended, for both transports, with the titles
// back and the windows still disabled. Through a file, only a changed file is
// a result (a failed program with an unchanged file is only reported); it is
// read into the editor text's own storage, which is not needed any more.
// Through the pipe, an output over the limit is refused, and a failed
// program that wrote nothing is only reported. A program that
// ended with an exit code other than 0 asks the user first (its error output
// quoted readable whatever its encoding); the result is
// then prepared (PrepareResult: a NUL refused, converted by its byte-order
// mark or from UTF-8 for /io=utf8, line ends like the text's unless
// /io=exact), an empty result for a text after exit code 0 asks too, and it is put in place
// of the selection or of the whole text. A result that is not put back (the
// user said いいえ, it cannot be, or memory ran out) is kept in a file (the
// temporary file that holds it, or a new one) and a message names it, or says
// that it could not be kept.
void TakeResult(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText);
