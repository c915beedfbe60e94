// A stand-in for the host editor: a real editor window with a text-editing
// control, the two hidden path windows and an owner window, answering the
// host messages through the named section. Tests configure it, let it start
// the tool the way its Tools menu would, and read its log.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "StandinOptions.h"
#include "base/Handles.h"
#include "base/core/ScopeGuard.h"
#include "host/core/HostProtocol.h"

namespace {

constexpr UINT kCodePage = 932;
constexpr UINT WM_STANDIN_START = WM_APP + 1;
constexpr UINT kToolMenuFirstId = 100;
constexpr UINT_PTR kLingerTimerId = 1;
constexpr UINT kExitMenuId = 99;
constexpr UINT kSampleMs = 10;

std::wstring Widen(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(kCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(kCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const wchar_t* wide, std::size_t length) {
    if (length == 0) return {};
    const int n = WideCharToMultiByte(kCodePage, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(kCodePage, 0, wide, static_cast<int>(length), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::string WindowTitle(HWND window) {
    if (window == nullptr) return {};
    char title[1024] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

double Microseconds(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Tab-separated lines, flushed at once so that a test can read them while the
// stand-in runs.
class Log {
public:
    void Open(const std::string& path) {
        if (!path.empty()) file_ = std::fopen(path.c_str(), "wb");
    }
    ~Log() {
        if (file_ != nullptr) std::fclose(file_);
    }
    void Line(const std::string& line) {
        if (file_ == nullptr) return;
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_ = nullptr;
};

std::string Field(const char* name, unsigned long long value) { return std::string("\t") + name + "=" + std::to_string(value); }
std::string Field(const char* name, long long value) { return std::string("\t") + name + "=" + std::to_string(value); }
std::string Field(const char* name, const std::string& value) { return std::string("\t") + name + "=" + value; }

unsigned long long HandleNumber(HWND window) { return reinterpret_cast<UINT_PTR>(window); }

class Standin {
public:
    explicit Standin(StandinOptions options) : options_(std::move(options)) { log_.Open(options_.logPath); }

    bool Create(HINSTANCE instance);
    LRESULT MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // The text and the selection, in code page 932 bytes, whichever kind of
    // text window holds them.
    std::wstring EditText() const;
    std::string TextBytes() const;
    void SelectionBytes(long long& start, long long& end) const;
    void SetSelectionBytes(long start, long end);
    void ReplaceSelection(const std::string& bytes);
    void ReplaceAll(const std::string& bytes);
    static LRESULT CALLBACK RawTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateTextWindow(HWND parent, HINSTANCE instance);
    void HoldTemporaryFiles();
    void HoldStaleSection(unsigned long size);
    void CloseWhileRunning();

    LRESULT OnGetText(WPARAM kind, LPARAM lParam);
    LRESULT OnSetText(WPARAM kind, LPARAM lParam);
    void RunCommand(const std::string& command);
    void Sample(const char* tag, bool onlyOnChange);
    void WriteFinal();
    void Layout();

    StandinOptions options_;
    Log log_;
    HWND owner_ = nullptr, main_ = nullptr, edit_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<HANDLE> keptSections_;
    std::vector<FileHandle> heldTemp_;
    // The raw text window (--raw-text-window) keeps the bytes themselves.
    std::string rawText_;
    std::size_t rawSelStart_ = 0, rawSelEnd_ = 0;
    bool running_ = false;
    bool closedWhileRunning_ = false;
    bool staleAtLockHeld_ = false;
    bool locked_ = false;
    DWORD lockedAt_ = 0;
    std::string lastSample_;
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* standin = reinterpret_cast<Standin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (standin == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return standin->MainProc(window, message, wParam, lParam);
}

bool RegisterClassNamed(HINSTANCE instance, const char* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

bool Standin::Create(HINSTANCE instance) {
    const auto background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!RegisterClassNamed(instance, kHostMainClass, MainWindowProc, background) ||
        !RegisterClassNamed(instance, "StandinOwnerWindow", DefWindowProcA, background) ||
        !RegisterClassNamed(instance, kHostExeNameClass, DefWindowProcA, nullptr) ||
        !RegisterClassNamed(instance, kHostIniFilePathClass, DefWindowProcA, nullptr)) {
        return false;
    }
    if (!options_.noOwner) {
        owner_ = CreateWindowExA(0, "StandinOwnerWindow", options_.ownerTitle.c_str(),
                                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, options_.x,
                                 std::max(0, options_.y - 34), options_.width, 30, nullptr, nullptr, instance, nullptr);
        if (owner_ == nullptr) return false;
    }
    HMENU bar = CreateMenu();
    HMENU tools = CreatePopupMenu();
    for (std::size_t i = 0; i < options_.tools.size(); ++i) {
        AppendMenuA(tools, MF_STRING, kToolMenuFirstId + i, options_.tools[i].label.c_str());
    }
    if (!options_.tools.empty()) AppendMenuA(tools, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(tools, MF_STRING, kExitMenuId, "終了(&X)");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "ツール(&T)");
    main_ = CreateWindowExA(0, kHostMainClass, options_.title.c_str(), WS_OVERLAPPEDWINDOW, options_.x, options_.y,
                            options_.width, options_.height, owner_, bar, instance, this);
    if (main_ == nullptr) return false;
    if (owner_ != nullptr) ShowWindow(owner_, SW_SHOWNOACTIVATE);
    ShowWindow(main_, SW_SHOW);
    UpdateWindow(main_);
    SetForegroundWindow(main_);
    if (options_.staleSection != 0) HoldStaleSection(options_.staleSection);
    log_.Line("ready" + Field("main", HandleNumber(main_)) + Field("owner", HandleNumber(owner_)) +
              Field("edit", HandleNumber(edit_)) + Field("pid", static_cast<unsigned long long>(GetCurrentProcessId())));
    if (!options_.command.empty()) PostMessageA(main_, WM_STANDIN_START, 0, 0);
    return true;
}

std::string Standin::TextBytes() const {
    if (options_.rawTextWindow) return rawText_;
    const std::wstring w = EditText();
    return Narrow(w.data(), w.size());
}

void Standin::ReplaceSelection(const std::string& bytes) {
    if (options_.rawTextWindow) {
        rawText_.replace(rawSelStart_, rawSelEnd_ - rawSelStart_, bytes);
        rawSelStart_ = rawSelEnd_ = rawSelStart_ + bytes.size();
        return;
    }
    SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Widen(bytes).c_str()));
}

void Standin::ReplaceAll(const std::string& bytes) {
    if (options_.rawTextWindow) {
        rawText_ = bytes;
        rawSelStart_ = rawSelEnd_ = 0;
        return;
    }
    SetWindowTextW(edit_, Widen(bytes).c_str());
}

// A bare text window for large texts (the platform's edit control takes
// seconds per megabyte): it holds the bytes and answers the length and text
// queries itself.
LRESULT CALLBACK Standin::RawTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* standin = reinterpret_cast<Standin*>(GetWindowLongPtrA(GetParent(window), GWLP_USERDATA));
    if (standin != nullptr) {
        const std::string& text = standin->rawText_;
        switch (message) {
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(text.size());
        case WM_GETTEXT: {
            if (wParam == 0) return 0;
            const std::size_t n = std::min<std::size_t>(text.size(), wParam - 1);
            std::memcpy(reinterpret_cast<char*>(lParam), text.data(), n);
            reinterpret_cast<char*>(lParam)[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            const std::string head = text.substr(0, 200);
            TextOutA(dc, 4, 4, head.c_str(), static_cast<int>(head.size()));
            EndPaint(window, &paint);
            return 0;
        }
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Standin::CreateTextWindow(HWND parent, HINSTANCE instance) {
    if (options_.rawTextWindow) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RawTextProc;
        wc.hInstance = instance;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "StandinRawText";
        RegisterClassExA(&wc);
        rawText_ = options_.text;
        edit_ = CreateWindowExA(WS_EX_CLIENTEDGE, "StandinRawText", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                                nullptr, instance, nullptr);
        return;
    }
    edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
                            0, 0, 10, 10, parent, nullptr, instance, nullptr);
    font_ = CreateFontA(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "MS Gothic");
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(edit_, Widen(options_.text).c_str());
}

void Standin::HoldTemporaryFiles() {
    std::string folder = options_.holdTempIn;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "qlk*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    ScopeGuard closeSearch([search] { FindClose(search); });
    do {
        const std::string path = folder + found.cFileName;
        FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) continue;
        heldTemp_.push_back(std::move(file));
        log_.Line("holding" + Field("file", path));
    } while (FindNextFileA(search, &found));
}

// Misbehaviour: a section of the name the tool uses, smaller than the tool
// needs, as another process could have left it.
void Standin::HoldStaleSection(unsigned long size) {
    const std::string name = HostSectionName(static_cast<std::uint32_t>(HandleNumber(main_)));
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
    if (section == nullptr) {
        log_.Line("stale-section-failed" + Field("error", static_cast<unsigned long long>(GetLastError())));
        return;
    }
    keptSections_.push_back(section);
    log_.Line("stale-section" + Field("size", static_cast<unsigned long long>(size)));
}

// The user closes the editor while the started command still runs: the text
// as it was then is the final text, the windows go, and the stand-in waits
// for the command before it ends.
void Standin::CloseWhileRunning() {
    closedWhileRunning_ = true;
    WriteFinal();
    log_.Line("closed");
    DestroyWindow(owner_ != nullptr ? owner_ : main_);
}

std::wstring Standin::EditText() const {
    const int length = GetWindowTextLengthW(edit_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(edit_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

void Standin::SelectionBytes(long long& start, long long& end) const {
    if (options_.rawTextWindow) {
        start = static_cast<long long>(rawSelStart_);
        end = static_cast<long long>(rawSelEnd_);
        return;
    }
    DWORD wideStart = 0, wideEnd = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&wideStart), reinterpret_cast<LPARAM>(&wideEnd));
    const std::wstring text = EditText();
    start = static_cast<long long>(Narrow(text.data(), std::min<std::size_t>(wideStart, text.size())).size());
    end = static_cast<long long>(Narrow(text.data(), std::min<std::size_t>(wideEnd, text.size())).size());
}

void Standin::SetSelectionBytes(long start, long end) {
    if (options_.rawTextWindow) {
        rawSelStart_ = std::min<std::size_t>(static_cast<std::size_t>(std::max(start, 0L)), rawText_.size());
        rawSelEnd_ = std::min<std::size_t>(std::max<std::size_t>(static_cast<std::size_t>(std::max(end, 0L)), rawSelStart_), rawText_.size());
        return;
    }
    const std::string text = TextBytes();
    auto wideAt = [&](long offset) {
        const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(std::max(offset, 0L)), text.size());
        return static_cast<WPARAM>(Widen(text.substr(0, bytes)).size());
    };
    SendMessageW(edit_, EM_SETSEL, wideAt(start), static_cast<LPARAM>(wideAt(end)));
}

// Fills the tool's section with the whole text or the selection, and a NUL.
LRESULT Standin::OnGetText(WPARAM kind, LPARAM lParam) {
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    std::string line = "msg\tHM_GETTEXT" + Field("wparam", static_cast<unsigned long long>(kind)) +
                       Field("lparam", static_cast<long long>(lParam));
    const std::string name = HostSectionName(static_cast<std::uint32_t>(HandleNumber(main_)));
    HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str());
    if (section == nullptr) {
        log_.Line(line + Field("section", std::string("none")) + Field("reply", 0LL));
        return 0;
    }
    auto* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    if (view != nullptr) VirtualQuery(view, &info, sizeof info);
    std::size_t written = 0;
    if (view != nullptr && info.RegionSize > 0) {
        std::string bytes;
        if (kind == kTextKindSelection) {
            long long start = 0, end = 0;
            SelectionBytes(start, end);
            bytes = TextBytes().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
        } else {
            bytes = TextBytes();
        }
        if (options_.noNul) {
            // Misbehaviour: every byte of the section holds text, no NUL.
            for (std::size_t i = 0; i < info.RegionSize; ++i) view[i] = bytes.empty() ? 'x' : bytes[i % bytes.size()];
            written = info.RegionSize;
        } else {
            written = std::min<std::size_t>(bytes.size(), info.RegionSize - 1);
            std::memcpy(view, bytes.data(), written);
            view[written] = '\0';
        }
        UnmapViewOfFile(view);
    }
    if (options_.keepSection) keptSections_.push_back(section);
    else CloseHandle(section);
    log_.Line(line + Field("section", static_cast<unsigned long long>(info.RegionSize)) +
              Field("bytes", static_cast<unsigned long long>(written)) + Field("reply", static_cast<long long>(options_.getTextReply)) +
              Field("host_us", static_cast<long long>(Microseconds(started))));
    return options_.getTextReply;
}

namespace {

struct OwnedWindows {
    HWND owner;
    long long count;
};

BOOL CALLBACK CountOwnedWindow(HWND window, LPARAM context) {
    auto& owned = *reinterpret_cast<OwnedWindows*>(context);
    if (GetWindow(window, GW_OWNER) == owned.owner && IsWindowVisible(window)) ++owned.count;
    return TRUE;
}

}  // namespace

// Takes the text from the tool's section in place of the selection or the
// whole text.
LRESULT Standin::OnSetText(WPARAM kind, LPARAM lParam) {
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    std::string line = "msg\tHM_SETTEXT" + Field("wparam", static_cast<unsigned long long>(kind)) +
                       Field("lparam", static_cast<long long>(lParam));
    if (options_.closeOnSetText) {
        // Misbehaviour: the editor goes while it handles the write-back.
        log_.Line(line + Field("section", std::string("not read")));
        CloseWhileRunning();
        return 0;
    }
    const std::string name = HostSectionName(static_cast<std::uint32_t>(HandleNumber(main_)));
    HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (section == nullptr) {
        log_.Line(line + Field("section", std::string("none")));
        return 0;
    }
    const auto* view = static_cast<const char*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    std::string bytes;
    if (view != nullptr) {
        VirtualQuery(view, &info, sizeof info);
        const std::size_t limit = std::min<std::size_t>(static_cast<unsigned long>(lParam), info.RegionSize);
        const void* nul = std::memchr(view, '\0', limit);
        bytes.assign(view, nul != nullptr ? static_cast<const char*>(nul) - view : limit);
        UnmapViewOfFile(view);
    }
    CloseHandle(section);
    if (kind == kTextKindSelection) ReplaceSelection(bytes);
    else ReplaceAll(bytes);
    // (The windows of other programs that the main window owns while it
    // takes the text: a tool's window that should be gone by then.)
    OwnedWindows owned{main_, 0};
    EnumWindows(CountOwnedWindow, reinterpret_cast<LPARAM>(&owned));
    log_.Line(line + Field("section", static_cast<unsigned long long>(info.RegionSize)) +
              Field("bytes", static_cast<unsigned long long>(bytes.size())) +
              Field("owned_windows", owned.count) + Field("host_us", static_cast<long long>(Microseconds(started))));
    return 0;
}

// The titles and the owner's state, logged when they change while a started
// program runs, and once more after it ended.
void Standin::Sample(const char* tag, bool onlyOnChange) {
    const std::string state = Field("owner_enabled", static_cast<long long>(owner_ != nullptr ? IsWindowEnabled(owner_) != 0 : 1)) +
                              Field("main_enabled", static_cast<long long>(IsWindowEnabled(main_) != 0)) +
                              Field("title", WindowTitle(main_)) + Field("owner_title", WindowTitle(owner_));
    if (onlyOnChange && state == lastSample_) return;
    lastSample_ = state;
    log_.Line(tag + state + Field("foreground", static_cast<long long>(GetForegroundWindow() == main_)));
}

void Standin::RunCommand(const std::string& command) {
    if (running_) return;
    SetForegroundWindow(main_);
    // Started as a shell starts a program: shown normally.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    std::string line = command;
    if (!options_.toolTemp.empty()) {
        SetEnvironmentVariableA("TMP", options_.toolTemp.c_str());
        SetEnvironmentVariableA("TEMP", options_.toolTemp.c_str());
    }
    LARGE_INTEGER launched;
    QueryPerformanceCounter(&launched);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        log_.Line("start-failed" + Field("error", static_cast<unsigned long long>(GetLastError())));
        return;
    }
    running_ = true;
    CloseHandle(process.hThread);
    log_.Line("started" + Field("pid", static_cast<unsigned long long>(process.dwProcessId)) +
              Field("foreground", static_cast<long long>(GetForegroundWindow() == main_)));
    lastSample_.clear();
    const DWORD deadline = GetTickCount() + options_.childTimeoutMs;
    bool quit = false;
    while (true) {
        if (!closedWhileRunning_) Sample("state", true);
        // Counted from the lock: by then the tool has read the text, however
        // long its start took.
        if (options_.closeAfterMs >= 0 && locked_ && !closedWhileRunning_ &&
            GetTickCount() - lockedAt_ >= static_cast<DWORD>(options_.closeAfterMs)) {
            CloseWhileRunning();
        }
        const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, kSampleMs, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
            TerminateProcess(process.hProcess, 999);
            WaitForSingleObject(process.hProcess, 5000);
            log_.Line("timeout");
            break;
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) { quit = true; break; }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // With its windows closed the stand-in still waits for the command.
        if (quit && !closedWhileRunning_) break;
    }
    const double elapsedUs = Microseconds(launched);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    // The program's processor time, kernel and user (Wine counts in 10 ms ticks).
    FILETIME created, exited, kernel, user;
    unsigned long long cpuUs = 0;
    if (GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user)) {
        auto units = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        cpuUs = (units(kernel) + units(user)) / 10;
    }
    CloseHandle(process.hProcess);
    running_ = false;
    log_.Line("ended" + Field("exit", static_cast<unsigned long long>(exitCode)) +
              Field("elapsed_us", static_cast<long long>(elapsedUs)) + Field("cpu_us", cpuUs));
    if (!closedWhileRunning_) Sample("after", false);
    if (quit) PostQuitMessage(0);
}

void Standin::WriteFinal() {
    long long start = 0, end = 0;
    SelectionBytes(start, end);
    const std::string text = TextBytes();
    log_.Line("final" + Field("sel", std::to_string(start) + "," + std::to_string(end)) +
              Field("length", static_cast<unsigned long long>(text.size())));
    if (!options_.finalTextPath.empty()) {
        if (std::FILE* file = std::fopen(options_.finalTextPath.c_str(), "wb")) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
    }
}

void Standin::Layout() {
    RECT client;
    GetClientRect(main_, &client);
    MoveWindow(edit_, 0, 0, client.right, client.bottom, TRUE);
}

LRESULT Standin::MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        main_ = window;
        auto* instance = reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance;
        CreateTextWindow(window, instance);
        SetSelectionBytes(options_.selStart, options_.selEnd);
        if (options_.hasExe) {
            CreateWindowExA(0, kHostExeNameClass, options_.exePath.c_str(), WS_CHILD, 0, 0, 0, 0, window, nullptr, instance, nullptr);
        }
        if (options_.hasIni) {
            CreateWindowExA(0, kHostIniFilePathClass, options_.iniPath.c_str(), WS_CHILD, 0, 0, 0, 0, window, nullptr, instance, nullptr);
        }
        Layout();
        return 0;
    }
    case WM_SIZE:
        if (edit_ != nullptr) Layout();
        return 0;
    case WM_SETFOCUS:
        SetFocus(edit_);
        return 0;
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        if (id == kExitMenuId) PostMessageA(window, WM_CLOSE, 0, 0);
        else if (id >= kToolMenuFirstId && id < kToolMenuFirstId + options_.tools.size()) RunCommand(options_.tools[id - kToolMenuFirstId].command);
        return 0;
    }
    case WM_STANDIN_START:
        RunCommand(options_.command);
        if (options_.stay) return 0;
        if (options_.lingerMs != 0) SetTimer(window, kLingerTimerId, options_.lingerMs, nullptr);
        else PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_TIMER:
        if (wParam == kLingerTimerId) {
            KillTimer(window, kLingerTimerId);
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case HM_GETEDITWND:
        log_.Line("msg\tHM_GETEDITWND" + Field("wparam", static_cast<unsigned long long>(wParam)) + Field("lparam", static_cast<long long>(lParam)));
        return options_.editWindowZero ? 0 : reinterpret_cast<LRESULT>(edit_);
    case HM_GETMODE:
        log_.Line("msg\tHM_GETMODE" + Field("wparam", static_cast<unsigned long long>(wParam)) + Field("lparam", static_cast<long long>(lParam)));
        return options_.modeReply;
    case WM_SETTEXT: {
        // Misbehaviours, when the tool locks the editor: grab its temporary
        // file so that the tool cannot write it; leave a section too small
        // for the write-back.
        if (running_ && !locked_) {
            locked_ = true;
            lockedAt_ = GetTickCount();
        }
        if (!options_.holdTempIn.empty() && heldTemp_.empty()) HoldTemporaryFiles();
        if (options_.staleSectionAtLock != 0 && !staleAtLockHeld_) {
            staleAtLockHeld_ = true;
            HoldStaleSection(options_.staleSectionAtLock);
        }
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        // A host that shows its main window's title on its owner window
        // (the task-bar button) as well.
        if (options_.mirrorTitle && owner_ != nullptr) SetWindowTextA(owner_, reinterpret_cast<const char*>(lParam));
        return result;
    }
    case HM_GETTEXT:
        return OnGetText(wParam, lParam);
    case HM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_CLOSE:
        if (running_) return 0;
        WriteFinal();
        // Destroying the owner destroys the main window with it.
        DestroyWindow(owner_ != nullptr ? owner_ : window);
        return 0;
    case WM_DESTROY:
        for (HANDLE section : keptSections_) CloseHandle(section);
        keptSections_.clear();
        heldTemp_.clear();
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        if (font_ != nullptr) DeleteObject(font_);
        font_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The command line after the program name.
std::string ArgumentsOfCommandLine() {
    const char* p = GetCommandLineA();
    bool quoted = false;
    while (*p != '\0' && (quoted || static_cast<unsigned char>(*p) > ' ')) {
        if (*p == '"') quoted = !quoted;
        ++p;
    }
    return p;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    StandinOptions options;
    std::string error;
    if (!ParseStandinOptions(ArgumentsOfCommandLine(), options, error)) {
        // No message box: a test waiting on it would hang.
        std::fprintf(stderr, "standin_editor: %s\n", error.c_str());
        return 2;
    }
    Standin standin(std::move(options));
    if (!standin.Create(instance)) return 3;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
