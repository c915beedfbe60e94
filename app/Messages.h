#pragma once
#include <windows.h>

#include <string>

// The tool's message boxes, for every part of app/ (a leaf: it includes
// nothing of app/). Caption "Pelmarind", owned by the host's owner window, or
// by none once that window is gone (a box with an owner that no longer exists
// would not show at all).
HWND HostOwnerForMessages();
// Called before a box is shown: a lock of the host that is in force gets
// its watcher first (the tool may be ended or crash while the box waits for
// the user). Set by the lock while it is in force; none otherwise.
using BeforeShowing = void (*)();
void SetBeforeShowing(BeforeShowing hook);
// Runs that hook, for a window of the tool's that waits for the user as a box does.
void RunBeforeShowing();

// The tool's own warnings: the exclamation icon.
void ShowWarning(const std::string& text);
// A question with the exclamation icon, answered はい or いいえ, いいえ the
// default (the answer that changes nothing). True only for はい.
bool AskWarning(const std::string& text);
// The default error display, for errors that ended a job: the error icon.
void ShowError(const std::string& text);
