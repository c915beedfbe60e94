#pragma once
#include <windows.h>

#include <string>

// The tool's message boxes, for every part of app/ (a leaf: it includes
// nothing of app/). Caption "Pelmarind", owned by the host's owner window, or
// by none once that window is gone (a box with an owner that no longer exists
// would not show at all).
HWND HostOwnerForMessages();
// The tool's own warnings: the exclamation icon.
void ShowWarning(const std::string& text);
// The default error display, for errors that ended a job: the error icon.
void ShowError(const std::string& text);
