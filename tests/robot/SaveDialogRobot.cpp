#include "tests/robot/SaveDialogRobot.h"

#include "tests/robot/Robot.h"

namespace {

HWND FindDescendant(HWND parent, const char* className) {
    for (HWND child = FindWindowExA(parent, nullptr, nullptr, nullptr); child != nullptr;
         child = FindWindowExA(parent, child, nullptr, nullptr)) {
        if (ClassNameOf(child) == className) return child;
        if (HWND found = FindDescendant(child, className)) return found;
    }
    return nullptr;
}

}  // namespace

HWND WaitForSaveDialog(DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindowsOf(pid, "#32770")) {
            if (IsWindowVisible(window) && SaveDialogNameBox(window) != nullptr) return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return nullptr;
}

HWND SaveDialogNameBox(HWND frame) {
    if (HWND combo = GetDlgItem(frame, kSaveDialogNameComboId)) return combo;
    return GetDlgItem(frame, kSaveDialogNameEditId);
}

HWND SaveDialogNameEdit(HWND frame) {
    HWND box = SaveDialogNameBox(frame);
    if (box == nullptr || ClassNameOf(box) == "Edit") return box;
    return FindDescendant(box, "Edit");
}

HWND SaveDialogControl(HWND frame, int id) {
    if (HWND own = GetDlgItem(frame, id)) return own;
    for (HWND child = FindWindowExA(frame, nullptr, nullptr, nullptr); child != nullptr;
         child = FindWindowExA(frame, child, nullptr, nullptr)) {
        if (ClassNameOf(child) != "#32770") continue;
        if (HWND inTemplate = GetDlgItem(child, id)) return inTemplate;
    }
    return nullptr;
}

std::vector<std::string> SaveDialogListEntries(HWND frame, int id) {
    return ComboEntries(SaveDialogControl(frame, id));
}

int SaveDialogListSelection(HWND frame, int id) {
    return static_cast<int>(SendMessageW(SaveDialogControl(frame, id), CB_GETCURSEL, 0, 0));
}

void SelectSaveDialogListEntry(HWND frame, int id, int index) {
    HWND list = SaveDialogControl(frame, id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND parent = GetParent(list);
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
}

std::vector<std::string> SaveDialogTypes(HWND frame) { return SaveDialogListEntries(frame, kSaveDialogTypeListId); }

int SaveDialogSelectedType(HWND frame) { return SaveDialogListSelection(frame, kSaveDialogTypeListId); }

void SelectSaveDialogType(HWND frame, int index) { SelectSaveDialogListEntry(frame, kSaveDialogTypeListId, index); }

std::string SaveDialogName(HWND frame) { return TextOf(SaveDialogNameEdit(frame)); }

void TypeSaveDialogName(HWND frame, const std::string& name) {
    SendMessageA(SaveDialogNameEdit(frame), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

void ConfirmSaveDialog(HWND frame) { PressButton(frame, IDOK); }
void CancelSaveDialog(HWND frame) { PressButton(frame, IDCANCEL); }
