#pragma once
// Finds the tool's result window (/out=show) of a process and reads it, by
// control ids.
#include <windows.h>

#include "app/ResultWindowIds.h"

// The visible result window of a process, waited for up to timeoutMs
// (stretched); 0 when none came.
HWND WaitForResultWindow(DWORD pid, DWORD timeoutMs);
