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

// Text exchange through the named section. Every failure gives an empty text
// (reading) or sends nothing (writing); nothing is reported.
std::string GetHostText(HWND window, unsigned textKind);
std::string GetHostAllText(HWND window);
std::string GetHostSelText(HWND window);
void SetHostText(HWND window, const std::string& text, unsigned textKind);
void SetHostAllText(HWND window, const std::string& text);
void SetHostSelText(HWND window, const std::string& text);
