#include "tests/robot/AskDialogRobot.h"

#include "tests/robot/Robot.h"

namespace {

HWND Combo(HWND dialog) { return GetDlgItem(dialog, IDC_ASK_COMMAND); }

HWND ComboEdit(HWND dialog) { return FindWindowExA(Combo(dialog), nullptr, "Edit", nullptr); }

void Key(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

}  // namespace

bool IsAskDialog(HWND window) {
    char caption[32] = {};
    // (GetWindowTextA reads another process's top-level caption too.)
    GetWindowTextA(window, caption, sizeof caption);
    return std::string(caption) == "Pelmarind" && Combo(window) != nullptr;
}

HWND WaitForAskDialog(DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindowsOf(pid, "#32770")) {
            if (IsWindowVisible(window) && IsAskDialog(window)) return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return nullptr;
}

void TypeAskCommand(HWND dialog, const std::string& command) {
    SendMessageA(ComboEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(command.c_str()));
    // Typing sends this notice; setting the text need not.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ASK_COMMAND, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(Combo(dialog)));
}

std::string AskCommand(HWND dialog) { return TextOf(ComboEdit(dialog)); }

void TypeAskFolder(HWND dialog, const std::string& folder) {
    SendMessageA(GetDlgItem(dialog, IDC_ASK_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
}

std::string AskFolder(HWND dialog) { return TextOf(GetDlgItem(dialog, IDC_ASK_FOLDER)); }

std::vector<std::string> AskHistoryList(HWND dialog) { return ComboEntries(Combo(dialog)); }

void ChooseAskHistoryLine(HWND dialog, int index) {
    const HWND combo = Combo(dialog);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ASK_COMMAND, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void RemoveAskHistoryLine(HWND dialog, int index) {
    const HWND combo = Combo(dialog);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Key(VK_SHIFT, false);
    Key(VK_DELETE, false);
    Key(VK_DELETE, true);
    Key(VK_SHIFT, true);
    // The keys are handled once the dialog's thread has read them.
    const DWORD start = GetTickCount();
    const auto before = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    while (SendMessageW(combo, CB_GETCOUNT, 0, 0) == before && GetTickCount() - start < Scaled(2000)) Sleep(20);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

bool AskOptionChecked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool AskControlEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

void SetAskOption(HWND dialog, int id, bool checked) {
    if (AskOptionChecked(dialog, id) != checked) SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
}

void PressAskKey(WORD key) {
    Key(key, false);
    Key(key, true);
}

void PressAskRun(HWND dialog) { PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }
void PressAskCancel(HWND dialog) { PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }
