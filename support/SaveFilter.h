#pragma once
#include <string>

#include "dialogs/SvDlgEx.h"
#include "support/core/SaveFilterRules.h"

// Prepares the Save dialog from AppIni and the host's editor mode: Filter,
// then InitialDir (only when DefDirOn is on), then FilterIndex.
void SetupSaveDialog(TqzSaveDialogEx& dialog);
// FilterIndex from the host's editor mode (GetEditorMode of HostWindow) and AppIni.
void SelectFilterIndex(TqzSaveDialogEx& dialog);

// The core operations over the platform's ANSI code page.
std::string MakeDefaultFileName(const std::string& text);
std::string CleanFileNameLine(const std::string& line);
bool IsLeadByteAt(const std::string& text, std::size_t position);
