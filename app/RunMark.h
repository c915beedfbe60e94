#pragma once
#include <windows.h>

#include "base/Handles.h"

// Marks the host as being in a run of the tool, for as long as it lives: a
// second copy of the tool started on the same host finds the mark and must
// leave the host alone (it would read and write the same section, and put
// its result over the first one's).
class HostRunMark {
public:
    explicit HostRunMark(HWND hostWindow);
    // False when another copy holds the mark.
    bool Acquired() const { return acquired_; }

private:
    KernelHandle mark_;
    bool acquired_ = false;
};
