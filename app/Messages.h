#pragma once
#include <windows.h>

#include <string>

// The tool's message boxes, for every part of app/ (a leaf: it includes
// nothing of app/). Caption "Pelmarind", owned by the host's owner window, or
// by none once that window is gone (a box with an owner that no longer exists
// would not show at all).
HWND HostOwnerForMessages();
// Called around each box, with true before it shows and false once it is
// gone: the box disables the host's owner window, which must come back even
// if the tool is ended or crashes while the box waits for the user. Set once
// the host's lock can be watched; none before.
using AroundShowing = void (*)(bool showing);
void SetAroundShowing(AroundShowing hook);

// The tool's own warnings: the exclamation icon.
void ShowWarning(const std::string& text);
// A question with the exclamation icon, answered はい or いいえ, いいえ the
// default (the answer that changes nothing). True only for はい.
bool AskWarning(const std::string& text);
// The default error display, for errors that ended a job: the error icon.
void ShowError(const std::string& text);
