#pragma once
// Drives the system's Save dialog of a process (this one or another) by
// control ids, never by labels, which follow the locale.
#include <windows.h>

#include <string>
#include <vector>

inline constexpr int kSaveDialogTypeListId = 0x470;   // file-type combo box
inline constexpr int kSaveDialogNameComboId = 0x47C;  // ComboBoxEx32, with the 88-byte record
inline constexpr int kSaveDialogNameEditId = 0x480;   // Edit, with the 76-byte record

// The visible Save dialog frame of a process (a top-level #32770 holding a
// name box), waited for up to timeoutMs; 0 when none came.
HWND WaitForSaveDialog(DWORD pid, DWORD timeoutMs);

// The name box (ComboBoxEx32 0x47C or Edit 0x480) and the edit control that
// takes typing inside it.
HWND SaveDialogNameBox(HWND frame);
HWND SaveDialogNameEdit(HWND frame);

// The entries of the type list, as code page 932 bytes (cross-process
// CB_GETLBTEXT answers in UTF-16, so the robot asks in UTF-16 and converts).
std::vector<std::string> SaveDialogTypes(HWND frame);
int SaveDialogSelectedType(HWND frame);  // 0-based, -1 for none
// Picks a type the way the user would (selection, then the change notice).
void SelectSaveDialogType(HWND frame, int index);

// A control of the dialog by id: the frame's own, or one of a child template
// under the hook (a child of a child of the frame); 0 when there is none.
HWND SaveDialogControl(HWND frame, int id);
// A drop-down list's entries (code page 932, as above) and its selection
// (0-based, -1 for none); a selection made as a click would make it.
std::vector<std::string> SaveDialogListEntries(HWND frame, int id);
int SaveDialogListSelection(HWND frame, int id);
void SelectSaveDialogListEntry(HWND frame, int id, int index);

std::string SaveDialogName(HWND frame);
void TypeSaveDialogName(HWND frame, const std::string& name);

RECT WindowRectOf(HWND window);

// Answers the dialog: OK (1) or Cancel (2).
void ConfirmSaveDialog(HWND frame);
void CancelSaveDialog(HWND frame);
