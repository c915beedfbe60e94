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
// transfer failed on the tool's side (no host window, no section of the
// needed size, no view, no NUL within the section). An empty text alone
// cannot tell an empty document from a failed transfer, and running on a
// failed one would replace the user's document.
enum class HostReadResult { Text, Refused, Failed };
struct THostText {
    HostReadResult Result = HostReadResult::Failed;
    std::string Text;                 // empty unless Result is Text
    std::uint32_t ReportedLength = 0; // what the host's text-editing window reported
};
THostText GetHostText(HWND window, unsigned textKind);
THostText GetHostAllText(HWND window);
THostText GetHostSelText(HWND window);
// True when the text was handed to the host (HM_SETTEXT sent); false when
// there was no host window or no section to carry the whole text.
bool SetHostText(HWND window, const std::string& text, unsigned textKind);
bool SetHostAllText(HWND window, const std::string& text);
bool SetHostSelText(HWND window, const std::string& text);
