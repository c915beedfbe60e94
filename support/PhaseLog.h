#pragma once

// Timing of the tool's own run, for the benchmarks only: in a build with the
// option PELMARIND_PHASE_LOG (scripts/bench.sh makes one), never in the
// shipped program, which writes no file that an environment variable names.
// There, when the environment variable PELMARIND_PHASE_LOG names a file, the
// end of each phase is stamped on the performance counter, and when the
// program ends the phases are written to that file, one line each: the name,
// a tab, and the phase's length in microseconds. The first phase runs from
// the creation of the process. Without the variable a stamp tests one flag
// and does nothing else, and nothing is written. Without the option the calls
// are empty.
#if defined(PELMARIND_PHASE_LOG)
void StartPhaseLog();
// Ends the current phase under `name` (a literal: it is kept, not copied).
void EndPhase(const char* name);
void WritePhaseLog();
#else
inline void StartPhaseLog() {}
inline void EndPhase(const char*) {}
inline void WritePhaseLog() {}
#endif
