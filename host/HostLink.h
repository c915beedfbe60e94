#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "host/core/HostProtocol.h"

// The host main window captured at start-up and the window that owns it;
// each is 0 when there is none. Written once by InitHostLink.
extern HWND HostWindow;
extern HWND HostOwnerWindow;

// Captures the host from the foreground window. Runs once, before the tool
// creates or shows any window of its own.
void InitHostLink();

bool IsHostWindow(HWND window);
std::uint8_t GetEditorMode(HWND window);
std::string GetHostExeName(HWND window);
std::string GetHostIniFilePath(HWND window);
HWND GetHostEditWindow(HWND window);
void BringHostToFront(HWND window);

// Text exchange through the named section.
//
// A read tells its caller which of three things happened: the host gave the
// text; the host answered no (the lowest byte of its reply was 0); or the
// transfer failed on the tool's side (no host window, a length too large for
// a section or for this build, no section of the tool's own, no view, no NUL
// within the section, no memory for the text). An empty text alone cannot
// tell an empty document from a failed transfer, and running on a failed one
// would replace the user's document.
//
// Each transfer creates the section under the host's name; a section of that
// name that already exists belongs to another party (the host, another copy
// of the tool) and is never written over: the transfer fails.
enum class HostReadResult { Text, Refused, Failed };
struct THostText {
    HostReadResult Result = HostReadResult::Failed;
    std::string Text;  // empty unless Result is Text
};
THostText GetHostText(HWND window, unsigned textKind);
// The read once the text-editing window has reported `length`. (Under Wine
// that length query carries the whole text across: the benchmarks time the
// two apart.)
THostText ReadHostText(HWND window, unsigned textKind, LRESULT length);
THostText GetHostAllText(HWND window);
THostText GetHostSelText(HWND window);
// True when the host took the text: HM_SETTEXT was sent and the host window
// is still there once the send returned. False when there was no host window,
// no section of the tool's own to carry the whole text, or the host window was
// gone after the send (the host closed while it handled it, or before).
bool SetHostText(HWND window, const std::string& text, unsigned textKind);
bool SetHostAllText(HWND window, const std::string& text);
bool SetHostSelText(HWND window, const std::string& text);
