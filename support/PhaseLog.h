#pragma once

// Opt-in timing of the tool's own run, for the benchmarks. When the
// environment variable PELMARIND_PHASE_LOG names a file, the end of each
// phase is stamped on the performance counter, and when the program ends the
// phases are written to that file, one line each: the name, a tab, and the
// phase's length in microseconds. The first phase runs from the creation of
// the process. Without the variable a stamp tests one flag and does nothing
// else, and nothing is written.
void StartPhaseLog();
// Ends the current phase under `name` (a literal: it is kept, not copied).
void EndPhase(const char* name);
void WritePhaseLog();
