#pragma once
// Drives the tool's ask dialog (/ask) of a process, this one or another, by
// control ids.
#include <windows.h>

#include <string>
#include <vector>

#include "app/AskDialogIds.h"

// A visible dialog captioned "Pelmarind" that holds the command combo box.
bool IsAskDialog(HWND window);
// The ask dialog of a process, waited for up to timeoutMs (stretched); 0 when
// none came.
HWND WaitForAskDialog(DWORD pid, DWORD timeoutMs);

// Types a command line into the combo box's edit control, as if typed: the
// dialog hears of the change.
void TypeAskCommand(HWND dialog, const std::string& command);
std::string AskCommand(HWND dialog);
// The working folder's field (作業フォルダー).
void TypeAskFolder(HWND dialog, const std::string& folder);
std::string AskFolder(HWND dialog);

// The lines of the history list as code page 932 bytes, top first
// (cross-process CB_GETLBTEXT answers in UTF-16, so the robot asks in UTF-16
// and converts).
std::vector<std::string> AskHistoryList(HWND dialog);
// Chooses a line of the list the way the user would (selection, then the
// change notice).
void ChooseAskHistoryLine(HWND dialog, int index);
// Opens the list, selects the line, and presses Shift+Delete on the keyboard
// (real key input: the dialog must be the active window); the list is closed
// again afterwards.
void RemoveAskHistoryLine(HWND dialog, int index);

// A check box: IDC_ASK_PIPE, IDC_ASK_UTF8, IDC_ASK_HIDE.
bool AskOptionChecked(HWND dialog, int id);
bool AskControlEnabled(HWND dialog, int id);  // a check box, or IDOK for 実行
// Clicks the check box when it is not in the wanted state.
void SetAskOption(HWND dialog, int id, bool checked);

// A key pressed on the keyboard (real key input, to the active window), such
// as Enter or Esc.
void PressAskKey(WORD key);

// 実行 (IDOK) and キャンセル (IDCANCEL), clicked as buttons.
void PressAskRun(HWND dialog);
void PressAskCancel(HWND dialog);
