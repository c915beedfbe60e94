#pragma once
#include <string>

#include "app/RunRequest.h"
#include "support/Launcher.h"
#include "support/TempFile.h"

// What the program reads, made ready before the host is locked.
struct ProgramInput {
    const std::string* bytes = nullptr;  // the editor text, or `utf8`
    std::string utf8;                    // the text as UTF-8, for /io=utf8
    TempFile file;                       // the temporary file, for a run through a file
    // A command with placeholders: its file names stand where {in} and {out}
    // do, and nothing is appended to it. The file, when it has none, is
    // neither written nor handed over.
    bool templated = false;
    // {out}: the fresh file's name (no such file yet), which the program
    // writes and whose content is the result.
    TempFile output;
};

// How a run through either transport ended.
enum class RunEnd {
    Refused,     // the program did not run (or was ended), and a message said why
    NotStarted,  // the platform refused to start the program
    Aborted,     // stopped by the user: nothing is written back and nothing more said
    Ended,       // the program ended: what it left is there to take
};

// What a run leaves for the result step.
struct ProgramRun {
    RunEnd end = RunEnd::NotStarted;
    // Through a file: the file's name as the program got it (a failed launch
    // names it), its time when the text was handed over, and whether the
    // program changed it (its time, or with the same time its size or bytes).
    std::string handedOn;
    double initialModifiedTime = 0;
    bool changed = false;
    // The program's exit code, through either transport.
    DWORD exitCode = 0;
    // Through the pipe: the output and the first errors.
    FilterResult filter;
};

// The two transports, peers with one signature: each hands the input over,
// runs the program while the observer (the running window) watches, and
// gives what the program left. The host is locked meanwhile.
using Transport = ProgramRun (*)(const RunRequest& request, ProgramInput& input, RunObserver& observer);
// Through the temporary file: the program gets its name last on its command
// line and writes its result into it; with placeholders, it gets the names
// where they stand, and writes its result into the {out} file where there is
// one (changed: that file was made).
ProgramRun RunThroughFile(const RunRequest& request, ProgramInput& input, RunObserver& observer);
// As a filter: the input goes to the program's standard input, its standard
// output is the result.
ProgramRun RunThroughPipe(const RunRequest& request, ProgramInput& input, RunObserver& observer);
