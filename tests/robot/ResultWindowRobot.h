#pragma once
// Finds the tool's result window (/out=show) of a process and reads it, by
// control ids.
#include <windows.h>

#include <string>

#include "app/ResultWindowIds.h"

// The visible result window of a process, waited for up to timeoutMs
// (stretched); 0 when none came.
HWND WaitForResultWindow(DWORD pid, DWORD timeoutMs);
// A control's text in UTF-16, as the result's own control holds it.
std::wstring UnicodeTextOf(HWND control);
