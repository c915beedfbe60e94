#pragma once
#include <string>

// Starts the command line `program + " " + arguments` (nothing quoted or
// escaped) and returns once the started process has ended, serving this
// thread's window messages meanwhile. The child gets the tool's own startup
// information with the show state and standard handles marked as given; its
// show state is SW_HIDE when `hide` is set and the program (never the
// arguments) is an interpreter call that runs one command and ends
// (IsInterpreterCommand), otherwise the tool's own. Gives false, at once and
// with nothing left open, when the platform refuses to start the program;
// true otherwise. The exit code is not read.
//
// A WM_QUIT taken from the queue during the wait does not end it: the wait
// goes on until the child has ended, and the quit is posted again then.
bool RunAndWait(const std::string& program, const std::string& arguments, bool hide);
