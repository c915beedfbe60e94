#include "tests/robot/SaveDialogRobot.h"

#include "tests/robot/Robot.h"

namespace {

std::string Cp932FromUtf16(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

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

std::vector<std::string> SaveDialogTypes(HWND frame) {
    std::vector<std::string> types;
    HWND list = GetDlgItem(frame, kSaveDialogTypeListId);
    const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const auto got = SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        types.push_back(Cp932FromUtf16(text));
    }
    return types;
}

int SaveDialogSelectedType(HWND frame) {
    return static_cast<int>(SendMessageW(GetDlgItem(frame, kSaveDialogTypeListId), CB_GETCURSEL, 0, 0));
}

void SelectSaveDialogType(HWND frame, int index) {
    HWND list = GetDlgItem(frame, kSaveDialogTypeListId);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // A click sends both notices; dialogs differ in which one they act on.
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(kSaveDialogTypeListId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    SendMessageW(frame, WM_COMMAND, MAKEWPARAM(kSaveDialogTypeListId, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
}

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
