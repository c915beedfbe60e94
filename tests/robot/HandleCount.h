#pragma once
#include <windows.h>

#include <optional>

// How many kernel handles a process holds open, from the system's handle
// list (GetProcessHandleCount gives 0 under Wine); nothing when the platform
// cannot tell.
std::optional<DWORD> OpenHandleCount(DWORD pid = GetCurrentProcessId());
