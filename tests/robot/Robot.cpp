#include "tests/robot/Robot.h"

#include <algorithm>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

// The icon control of a message box: the static control that shows an icon
// (its id differs between platforms).
HWND MessageBoxIconControl(HWND box) {
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child != nullptr;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

constexpr int kIconSize = 32;

// Pixels of a 32 x 32 bitmap after `paint` drew into it.
template <class Paint>
std::vector<COLORREF> PaintedPixels(Paint paint) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kIconSize, kIconSize);
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (paint(dc)) {
        for (int y = 0; y < kIconSize; ++y) {
            for (int x = 0; x < kIconSize; ++x) pixels.push_back(GetPixel(dc, x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Icon handles differ from process to process, so the icon a message box
// shows is compared by its pixels on the screen with a system icon drawn here
// on the same background.
bool ShowsSystemIcon(HWND iconControl, LPCSTR systemIcon) {
    if (iconControl == nullptr) return false;
    const std::vector<COLORREF> shown = PaintedPixels([&](HDC dc) {
        RECT r{};
        GetWindowRect(iconControl, &r);
        HDC source = GetDC(nullptr);
        const BOOL copied = BitBlt(dc, 0, 0, kIconSize, kIconSize, source, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, source);
        return copied != FALSE;
    });
    if (shown.empty()) return false;
    const std::vector<COLORREF> expected = PaintedPixels([&](HDC dc) {
        HBRUSH background = CreateSolidBrush(shown.front());
        RECT all{0, 0, kIconSize, kIconSize};
        FillRect(dc, &all, background);
        DeleteObject(background);
        return DrawIconEx(dc, 0, 0, LoadIconA(nullptr, systemIcon), kIconSize, kIconSize, 0, nullptr, DI_NORMAL) != FALSE;
    });
    return shown == expected;
}

std::string Quoted(const std::string& argument) {
    return argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = dir + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

StandinHost::Record ParseRecord(const std::string& line) {
    StandinHost::Record record;
    std::size_t start = 0;
    bool first = true;
    while (start <= line.size()) {
        std::size_t end = line.find('\t', start);
        if (end == std::string::npos) end = line.size();
        const std::string field = line.substr(start, end - start);
        if (first) {
            record["tag"] = field;
            first = false;
        } else {
            const std::size_t eq = field.find('=');
            record[field.substr(0, eq)] = eq == std::string::npos ? std::string() : field.substr(eq + 1);
        }
        start = end + 1;
    }
    return record;
}

}  // namespace

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string BinPath(const std::string& exeName) { return BinDir() + exeName; }

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file && !bytes.empty()) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Utf8ToCodePage932(const std::string& utf8) {
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), wide);
    return WideToCodePage932(text);
}

std::string WideToCodePage932(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    const int narrow = WideCharToMultiByte(932, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(932, 0, text.data(), size, bytes.data(), narrow, nullptr, nullptr);
    return bytes;
}

TempDir::TempDir() {
    static LONG counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "pelmarind-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(InterlockedIncrement(&counter)) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

ChildProcess::ChildProcess(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_.Reset(info.hProcess);
        pid_ = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

std::optional<DWORD> ChildProcess::Wait(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_.Get(), Scaled(timeoutMs)) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD pid;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->pid && (search->className == nullptr || ClassNameOf(window) == search->className)) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD pid, const char* className) {
    WindowSearch search{pid, className, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForAnyDialog(bool (*matches)(HWND dialog), DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window != nullptr;
             window = FindWindowExA(nullptr, window, "#32770", nullptr)) {
            if (IsWindowVisible(window) && matches(window)) return window;
        }
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

DWORD Scaled(DWORD timeoutMs) {
    static const DWORD scale = [] {
        char value[16] = {};
        const DWORD n = GetEnvironmentVariableA("PELMARIND_TIME_SCALE", value, sizeof value);
        const unsigned long parsed = n > 0 && n < sizeof value ? std::strtoul(value, nullptr, 10) : 1;
        return parsed >= 1 && parsed <= 100 ? static_cast<DWORD>(parsed) : DWORD{1};
    }();
    return timeoutMs * scale;
}

HWND WaitForTopLevelWindow(DWORD pid, const char* className, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindowsOf(pid, className)) {
            if (IsWindowVisible(window)) return window;
        }
        Sleep(20);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return nullptr;
}

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, 255);
    return name;
}

std::string TextOf(HWND window) {
    if (window == nullptr) return {};
    const auto length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 2, '\0');
    SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::wstring UnicodeTextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::vector<std::string> ComboEntries(HWND combo) {
    std::vector<std::string> entries;
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const auto got = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        std::string bytes;
        if (!text.empty()) {
            const int size =
                WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
            bytes.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
        }
        entries.push_back(std::move(bytes));
    }
    return entries;
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindowsOf(pid, "#32770")) {
            HWND textControl = GetDlgItem(window, kMessageBoxTextId);
            if (textControl == nullptr || !IsWindowVisible(window)) continue;
            MessageBoxView view;
            view.window = window;
            view.owner = GetWindow(window, GW_OWNER);
            view.caption = TextOf(window);
            view.text = TextOf(textControl);
            // Read from the screen: the box and its icon control (a child,
            // which paints on its own turn, after the box) must have painted
            // themselves; a box just shown may not have yet.
            const HWND icon = MessageBoxIconControl(window);
            const DWORD painting = GetTickCount();
            do {
                RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                view.exclamationIcon = ShowsSystemIcon(icon, IDI_EXCLAMATION);
                view.errorIcon = ShowsSystemIcon(icon, IDI_HAND);
                if (view.exclamationIcon || view.errorIcon || icon == nullptr) break;
                Sleep(20);
            } while (GetTickCount() - painting < Scaled(2000));
            return view;
        }
        Sleep(20);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return std::nullopt;
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size > 0) {
        old_.emplace(size, '\0');
        old_->resize(GetEnvironmentVariableA(name, old_->data(), size));
    }
    SetEnvironmentVariableA(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableA(name_, old_ ? old_->c_str() : nullptr); }

StandinHost::StandinHost(const std::vector<std::string>& switches, const std::string& command) {
    logPath_ = dir_.File("standin.log");
    finalPath_ = dir_.File("final.txt");
    std::string line = Quoted(BinPath("standin_editor.exe")) + " " + Quoted("--log=" + logPath_) + " " +
                       Quoted("--final=" + finalPath_);
    for (const std::string& s : switches) line += " " + Quoted(s);
    if (!command.empty()) line += " -- " + command;
    process_ = ChildProcess(line);
    if (!process_.Started()) return;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < Scaled(20000)) {
        const auto ready = Records("ready");
        if (!ready.empty()) {
            main_ = reinterpret_cast<HWND>(std::stoul(ready[0].at("main")));
            owner_ = reinterpret_cast<HWND>(std::stoul(ready[0].at("owner")));
            edit_ = reinterpret_cast<HWND>(std::stoul(ready[0].at("edit")));
            return;
        }
        if (process_.Wait(20)) return;
    }
}

StandinHost::~StandinHost() {
    if (testFailed != nullptr && testFailed()) {
        std::printf("-- the stand-in editor's log:\n%s-- (end of the log)\n", ReadFileBytes(logPath_).c_str());
    }
    if (!process_.Started() || process_.Wait(0)) return;
    // A started program still running here waits on something no test will
    // answer any more (a failed test's message box): it goes first.
    const auto started = Records("started");
    if (!started.empty()) {
        const auto pid = started[0].find("pid");
        const DWORD toolPid = pid == started[0].end() ? 0 : std::strtoul(pid->second.c_str(), nullptr, 10);
        KernelHandle tool(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, toolPid));
        if (tool && WaitForSingleObject(tool.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(tool.Get(), 1);
            WaitForSingleObject(tool.Get(), 5000);
        }
    }
    if (main_ != nullptr) PostMessageA(main_, WM_CLOSE, 0, 0);
    process_.Wait(10000);
}

bool StandinHost::WaitForExit(DWORD timeoutMs) { return process_.Wait(timeoutMs).has_value(); }

DWORD StandinHost::WaitForStartedPid(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        const auto started = Records("started");
        if (!started.empty()) return static_cast<DWORD>(std::stoul(started[0].at("pid")));
        Sleep(10);
    } while (GetTickCount() - start < Scaled(timeoutMs));
    return 0;
}

std::vector<StandinHost::Record> StandinHost::AllRecords() const { return ReadLogRecords(logPath_); }

std::vector<StandinHost::Record> StandinHost::Records(const std::string& tag) const {
    return ReadLogRecords(logPath_, tag);
}

std::vector<StandinHost::Record> ReadLogRecords(const std::string& path, const std::string& tag) {
    std::vector<StandinHost::Record> records;
    for (const std::string& line : SplitLines(ReadFileBytes(path))) {
        StandinHost::Record record = ParseRecord(line);
        if (tag.empty() || record["tag"] == tag) records.push_back(std::move(record));
    }
    return records;
}

std::vector<DWORD> ToolCopies() {
    std::vector<DWORD> copies;
    const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, "pelmarind.exe") == 0) copies.push_back(entry.th32ProcessID);
    }
    return copies;
}

void EndToolCopies() {
    // Until a look finds none: a copy that was still starting (a watcher
    // started by a run ended at that moment) may show only in a later look.
    for (int look = 0; look < 20; ++look) {
        const std::vector<DWORD> copies = ToolCopies();
        for (const DWORD pid : copies) {
            const KernelHandle copy(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
            if (copy && TerminateProcess(copy.Get(), 0)) WaitForSingleObject(copy.Get(), 5000);
        }
        if (copies.empty() && look > 0) return;
        Sleep(100);
    }
}
