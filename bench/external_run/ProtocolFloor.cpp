// protocol_floor PROGRAM [ARGUMENT...]
// The least any tool must do to run PROGRAM on the editor's text through the
// editor's text exchange, started by the editor as the tool is: capture the
// editor from the foreground window; ask its text-editing window for the
// length and read the selection through the named section, and when that is
// empty ask for the length again and read the whole text; read both titles
// and set the locked ones, disable the owner window; write the text to a new
// temporary file and run PROGRAM with the arguments and the file's name, and
// wait for it; set the titles back; when the file changed, put its contents
// back through the section in place of what was read; enable the owner
// window. Each text is copied once in this process: from the section into
// the string that the file write takes, and from the file straight into the
// section. The yardstick of the own-cost benchmark for what the tool does
// beyond the exchange. A windowed program, like the tool.
// In a build with the phase log (support/PhaseLog.h) it logs its phases under
// the tool's names, for the own-cost benchmark to set beside the tool's.
// Exit code: 0 done, 1 bad arguments or a failed step, 2 not started by the
// editor.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "base/core/ScopeGuard.h"
#include "host/core/ByteScan.h"
#include "host/core/HostProtocol.h"
#include "support/PhaseLog.h"
#include "support/core/PathText.h"

namespace {

struct Host {
    HWND main = nullptr, owner = nullptr, edit = nullptr;
    std::string sectionName;
};

// A section of the editor's name with at least `size` usable bytes, mapped
// once for both directions. (Members end in reverse: the view, then the handle.)
struct Section {
    KernelHandle handle;
    MappedView view;
};

bool OpenSection(const Host& host, DWORD size, Section& section) {
    section.handle.Reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size,
                                            host.sectionName.c_str()));
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (!section.handle) return false;
    section.view = MappedView(MapViewOfFile(section.handle.Get(), FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    if (!section.view || VirtualQuery(section.view.Bytes(), &info, sizeof info) == 0 || info.RegionSize < size) {
        return false;
    }
    // Only a section someone else still holds can hold old bytes.
    if (existed) std::memset(section.view.Bytes(), 0, size);
    return true;
}

enum class Read { Text, Refused, Failed };

// One text of the given kind into `text`, sized by the text-editing window's
// length.
Read ReadHostText(const Host& host, unsigned kind, std::string& text) {
    const auto length = static_cast<DWORD>(SendMessageA(host.edit, WM_GETTEXTLENGTH, 0, 0));
    if (length == MAXDWORD) return Read::Failed;
    const DWORD size = length + 1;
    Section section;
    if (!OpenSection(host, size, section)) return Read::Failed;
    if ((SendMessageA(host.main, HM_GETTEXT, kind, 0) & 0xFF) == 0) return length == 0 ? Read::Text : Read::Refused;
    const std::size_t textLength = FindNul(section.view.Bytes(), size);
    if (textLength == size) return Read::Failed;
    text.assign(section.view.Bytes(), textLength);
    return Read::Text;
}

std::string WindowTitle(HWND window) {
    if (window == nullptr) return {};
    std::vector<char> buffer(static_cast<std::size_t>(std::max(GetWindowTextLengthA(window), 0)) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

int Run(int argc, char** argv) {
    if (argc < 2) return 1;
    Host host;
    host.main = GetForegroundWindow();
    char className[256] = {};
    if (host.main == nullptr || GetClassNameA(host.main, className, sizeof className) == 0 ||
        std::strcmp(className, kHostMainClass) != 0) {
        return 2;
    }
    host.owner = GetWindow(host.main, GW_OWNER);
    host.sectionName = HostSectionName(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(host.main)));

    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ScopeGuard destroyWindow([&] {
        if (window != nullptr) DestroyWindow(window);
    });
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EndPhase("start-up");

    host.edit = reinterpret_cast<HWND>(SendMessageA(host.main, HM_GETEDITWND, 0, 0));
    std::string text;
    unsigned kind = kTextKindSelection;
    const Read selection = ReadHostText(host, kind, text);
    EndPhase("selection read");
    if (selection == Read::Failed) return 1;
    if (text.empty()) {
        kind = kTextKindAll;
        if (ReadHostText(host, kind, text) != Read::Text) return 1;
        EndPhase("whole-text read");
    }

    // The lock: both titles read before either is set.
    struct Saved {
        HWND window;
        std::string title;
    } saved[2] = {{host.main, WindowTitle(host.main)}, {host.owner, WindowTitle(host.owner)}};
    auto setTitles = [&](bool locked) {
        for (const Saved& s : saved) {
            if (s.window != nullptr) {
                SetWindowTextA(s.window, locked ? LockedTitle(s.title, SystemCodePage()).c_str() : s.title.c_str());
            }
        }
    };
    ScopeGuard restoreTitles([&] { setTitles(false); });
    setTitles(true);
    EnableWindow(host.owner, FALSE);
    ScopeGuard enableOwner([&] { EnableWindow(host.owner, TRUE); });

    char folder[MAX_PATH] = {}, temp[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "qlk", 0, temp) == 0) return 1;
    ScopeGuard removeTemp([&] { DeleteFileA(temp); });
    EndPhase("temporary file and lock");
    FILETIME written{};
    {
        FileHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD done = 0;
        if (!file || (!text.empty() && (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &done,
                                                   nullptr) ||
                                         done != text.size()))) {
            return 1;
        }
        if (!GetFileTime(file.Get(), nullptr, nullptr, &written)) return 1;
    }
    std::string().swap(text);
    EndPhase("file write");

    std::string line;
    for (int i = 1; i < argc; ++i) line += std::string(argv[i]) + " ";
    line += temp;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 1;
    {
        KernelHandle child(process.hProcess), thread(process.hThread);
        WaitForSingleObject(child.Get(), INFINITE);
    }
    EndPhase("process start and wait");
    setTitles(false);
    restoreTitles.Dismiss();

    FileHandle file(CreateFileA(temp, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME now{};
    LARGE_INTEGER size{};
    if (!file || !GetFileTime(file.Get(), nullptr, nullptr, &now) || !GetFileSizeEx(file.Get(), &size) ||
        size.QuadPart >= MAXDWORD) {
        return 1;
    }
    if (CompareFileTime(&written, &now) == 0) return 0;
    const auto length = static_cast<DWORD>(size.QuadPart);
    Section section;
    if (!OpenSection(host, length + 1, section)) return 1;
    DWORD read = 0;
    if (length != 0 && !ReadFile(file.Get(), section.view.Bytes(), length, &read, nullptr)) return 1;
    section.view.Bytes()[read] = '\0';
    EndPhase("read back");
    SendMessageA(host.main, HM_SETTEXT, kind, static_cast<LPARAM>(read + 1));
    EndPhase("write-back");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    StartPhaseLog();
    const int code = Run(argc, argv);
    EndPhase("exit");
    WritePhaseLog();
    return code;
}
