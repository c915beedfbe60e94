#pragma once
#include <windows.h>

#include <string>

#include "support/ProgramWait.h"

enum class RunOutcome {
    NotStarted,  // the platform refused to start the program
    Ended,       // the program ended (or the wait for it failed)
    Aborted,     // the observer asked to stop it: it and what it started are gone
    NoPipes,     // a filter's pipes or their threads could not be set up: it did not run, or was ended
};

// Starts the command line `program + " " + arguments` (nothing quoted or
// escaped) and returns once the started process has ended, serving this
// thread's window messages meanwhile. The child gets the tool's own startup
// information with the show state and standard handles marked as given; its
// show state is SW_HIDE when `hide` is set and the program (never the
// arguments) is an interpreter call that runs one command and ends
// (IsInterpreterCommand), otherwise the tool's own. Gives NotStarted, at once
// and with nothing left open, when the platform refuses to start the
// program. When the program ended and `exitCode` is given, its exit code is
// put there.
//
// The program is started in a job of its own (where the system allows one),
// so that an abort ends the processes it started as well; the job ends
// nothing by itself: a program left running when the tool ends keeps
// running.
//
// A WM_QUIT taken from the queue during the wait does not end it: the wait
// goes on until the child has ended, and the quit is posted again then.
RunOutcome RunAndWait(const std::string& program, const std::string& arguments, bool hide, RunObserver* observer,
                      DWORD* exitCode = nullptr);
// What a filter run gave.
struct FilterResult {
    RunOutcome Outcome = RunOutcome::NotStarted;
    DWORD ExitCode = 0;
    std::string Output;           // the program's standard output, up to the limit
    bool OutputTooLarge = false;  // it wrote more than the limit (or more than memory held)
    std::string ErrorHead;        // the first bytes of its standard error
};

// Runs the command line `program + " " + arguments` as a filter: `input` goes
// to its standard input, its standard output and standard error are
// collected, all at the same time, and the run is over once the program has
// ended and both outputs are closed (a process it started may hold them).
// A console program gets no console. Started in a job and observed as
// RunAndWait does; an abort ends the job and gives no output. NoPipes when
// the pipes or the threads that serve them cannot be had (the program, if it
// was started, is ended).
FilterResult RunFilter(const std::string& program, const std::string& arguments, bool hide, const std::string& input,
                       std::size_t outputLimit, RunObserver* observer);

// The same with no observer: true unless the program could not be started.
bool RunAndWait(const std::string& program, const std::string& arguments, bool hide);
