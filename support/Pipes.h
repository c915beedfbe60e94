#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The three pipes of a filter run and the threads that serve them: the text
// is written to the program's standard input while its standard output and
// standard error are read, all at the same time (a program that writes before
// it has read everything must not wait for the tool while the tool waits for
// it).
class FilterPipes {
public:
    // Makes the pipes; Made() tells whether all three exist.
    FilterPipes();
    // Stops the threads that still run.
    ~FilterPipes();
    FilterPipes(const FilterPipes&) = delete;
    FilterPipes& operator=(const FilterPipes&) = delete;

    bool Made() const;
    // The ends the program inherits, for its startup record.
    HANDLE ProgramInput() const;
    HANDLE ProgramOutput() const;
    HANDLE ProgramErrors() const;

    // Once the program is started: lets go of its ends (the pipes then end
    // when it, and what it started, lets go of them) and starts the three
    // threads: `input` is written, the output kept up to `outputLimit` bytes
    // (room made for `expectedOutput` at the start). False when a thread
    // could not be started.
    bool Start(const std::string& input, std::size_t outputLimit, std::size_t expectedOutput);
    // The threads, for the wait: each ends when its pipe does.
    std::vector<HANDLE> Threads() const;

    // Ends the threads that still run: their blocked transfers (another
    // process holds the pipe open and neither reads nor writes) are
    // cancelled; what they read until then is kept. False when a thread did
    // not end even then: its output cannot be had.
    bool Stop();

    // After the threads ended: the output up to the limit, whether more came
    // (or more than memory held), and the first bytes of standard error.
    std::string TakeOutput();
    bool OutputTooLarge() const;
    std::string TakeErrorHead();

private:
    struct State;
    std::unique_ptr<State> state_;
};
