// minimal_run [/windowed] INPUT PROGRAM [ARGUMENT...]
// The least a program can do to run PROGRAM on a text through a temporary
// file: read INPUT into memory (where the tool gets its text from the
// editor), write it to a new temporary file, note its time, run PROGRAM with
// the arguments and the file's name and wait for it, read the file back when
// its time changed, delete it. The yardstick of the external-run benchmark.
// /windowed first makes it a windowed program (a hidden window, which under
// Wine brings up the display driver), as a program that talks to the editor
// through window messages and shows its own message boxes and dialogs is.
// Exit code: 0 done, 1 bad arguments or a failed step.
#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "base/core/ScopeGuard.h"

namespace {

bool ReadAll(const char* path, std::string& bytes) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    bytes.resize(GetFileSize(file.Get(), nullptr));
    DWORD read = 0;
    return bytes.empty() || (ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                             read == bytes.size());
}

bool WriteAll(const char* path, const std::string& bytes) {
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && (bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                nullptr) &&
                                      written == bytes.size()));
}

FILETIME WriteTime(const char* path) {
    FILETIME time{};
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) GetFileTime(file.Get(), nullptr, nullptr, &time);
    return time;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    HWND window = nullptr;
    ScopeGuard destroyWindow([&] {
        if (window != nullptr) DestroyWindow(window);
    });
    if (argc > 1 && std::string(argv[1]) == "/windowed") {
        window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        ++first;
    }
    if (argc < first + 2) return 1;
    std::string text;
    if (!ReadAll(argv[first], text)) return 1;

    char folder[MAX_PATH] = {}, temp[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "qlk", 0, temp) == 0) return 1;
    ScopeGuard removeTemp([&] { DeleteFileA(temp); });
    if (!WriteAll(temp, text)) return 1;
    const FILETIME before = WriteTime(temp);

    std::string line;
    for (int i = first + 1; i < argc; ++i) line += std::string(argv[i]) + " ";
    line += temp;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 1;
    KernelHandle child(process.hProcess), thread(process.hThread);
    WaitForSingleObject(child.Get(), INFINITE);

    const FILETIME after = WriteTime(temp);
    if (CompareFileTime(&before, &after) != 0 && !ReadAll(temp, text)) return 1;
    return 0;
}
