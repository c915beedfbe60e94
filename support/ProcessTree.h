#pragma once
#include <windows.h>

// Ends a process and the processes it started, found by their parent ids in
// the system's process list (a process whose parent had ended before the
// list was taken cannot be found), for where no job holds them. The process
// itself goes first, so that it starts no more; a process whose id was taken
// by another since the list was taken is never ended.
void EndProcessTree(HANDLE process, UINT exitCode);
