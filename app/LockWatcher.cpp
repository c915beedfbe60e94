#include "app/LockWatcher.h"

#include <cstdlib>
#include <cstring>

#include "host/HostLink.h"

namespace {

// How long the tool waits for a watcher to take up its watch.
constexpr DWORD kWatcherStartMs = 10000;

// What the section carries to the watcher: this record, then the two titles.
struct WatchedLock {
    std::uint64_t mainWindow;
    std::uint64_t ownerWindow;
    std::uint32_t mainWasEnabled;
    volatile LONG titlesRestored;
    std::uint32_t mainTitleLength;
    std::uint32_t ownerTitleLength;
};

KernelHandle Inheritable(HANDLE handle) {
    if (handle != nullptr) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return KernelHandle(handle);
}

std::string HandleText(HANDLE handle) { return std::to_string(reinterpret_cast<UINT_PTR>(handle)); }

HANDLE HandleFrom(const std::string& text) {
    return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 10)));
}

std::string OwnProgramPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

void SetHostTitle(HWND window, const std::string& title) {
    if (window != nullptr) SetWindowTextA(window, title.c_str());
}

void EnableHostWindows(HWND mainWindow, HWND ownerWindow, bool mainWasEnabled) {
    if (mainWasEnabled) EnableWindow(mainWindow, TRUE);
    EnableWindow(ownerWindow, TRUE);
}

LockWatcher::LockWatcher(const HostLock::State& state) {
    const std::string programPath = OwnProgramPath();
    if (programPath.empty()) return;
    const std::size_t size = sizeof(WatchedLock) + state.mainTitle.size() + state.ownerTitle.size();
    section_ = Inheritable(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              static_cast<DWORD>(size), nullptr));
    if (!section_) return;
    view_ = MappedView(MapViewOfFile(section_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view_) return;
    WatchedLock record{};
    record.mainWindow = reinterpret_cast<UINT_PTR>(state.mainWindow);
    record.ownerWindow = reinterpret_cast<UINT_PTR>(state.ownerWindow);
    record.mainWasEnabled = state.mainWasEnabled ? 1 : 0;
    record.mainTitleLength = static_cast<std::uint32_t>(state.mainTitle.size());
    record.ownerTitleLength = static_cast<std::uint32_t>(state.ownerTitle.size());
    std::memcpy(view_.Bytes(), &record, sizeof record);
    std::memcpy(view_.Bytes() + sizeof record, state.mainTitle.data(), state.mainTitle.size());
    std::memcpy(view_.Bytes() + sizeof record + state.mainTitle.size(), state.ownerTitle.data(), state.ownerTitle.size());

    KernelHandle over = Inheritable(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const KernelHandle ready = Inheritable(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE self = nullptr;
    if (!over || !ready || !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE,
                                  TRUE, 0)) {
        return;
    }
    // The watcher's copy of the tool's process handle is inherited, never
    // opened by id: on a slow machine the watcher starts late, and the tool
    // may be gone by then.
    const KernelHandle toolProcess(self);
    std::string commandLine = "\"" + programPath + "\" " + kLockWatcherSwitch + " " + HandleText(toolProcess.Get()) +
                              " " + HandleText(over.Get()) + " " + HandleText(section_.Get()) + " " +
                              HandleText(ready.Get());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // No busy cursor for a program that shows nothing.
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &created)) {
        return;
    }
    const KernelHandle thread(created.hThread);
    const KernelHandle watcher(created.hProcess);
    // Until the watcher holds its handles, the tool's end would go unseen
    // (under Wine a process whose starter ends before it has started does
    // not start at all). Meanwhile messages sent to this thread are served
    // (a program that broadcasts one waits for them); posted ones wait.
    const HANDLE waited[] = {ready.Get(), watcher.Get()};
    const DWORD started = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - started;
        if (elapsed >= kWatcherStartMs) break;
        const DWORD woken = MsgWaitForMultipleObjectsEx(2, waited, kWatcherStartMs - elapsed, QS_SENDMESSAGE, 0);
        if (woken != WAIT_OBJECT_0 + 2) {
            if (woken == WAIT_OBJECT_0 + 1) return;  // it ended without starting its watch
            break;
        }
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    over_ = std::move(over);
}

LockWatcher::~LockWatcher() {
    if (over_) SetEvent(over_.Get());
}

void LockWatcher::TitlesRestored() {
    if (view_) InterlockedExchange(&reinterpret_cast<WatchedLock*>(view_.Bytes())->titlesRestored, 1);
}

bool IsLockWatcherCommand(const std::vector<std::string>& pieces) {
    return pieces.size() == 6 && pieces[1] == kLockWatcherSwitch;
}

int RunLockWatcher(const std::vector<std::string>& pieces) {
    if (!IsLockWatcherCommand(pieces)) return 1;
    const KernelHandle toolProcess(HandleFrom(pieces[2]));
    const KernelHandle over(HandleFrom(pieces[3]));
    const KernelHandle section(HandleFrom(pieces[4]));
    {
        const KernelHandle ready(HandleFrom(pieces[5]));
        SetEvent(ready.Get());
    }
    // The event first: when both are set, the run ended as it should.
    const HANDLE waited[] = {over.Get(), toolProcess.Get()};
    if (WaitForMultipleObjects(2, waited, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;

    const MappedView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return 1;
    WatchedLock record;
    std::memcpy(&record, view.Bytes(), sizeof record);
    const auto mainWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.mainWindow));
    const auto ownerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.ownerWindow));
    // Only the host that was locked: a handle whose window has gone may
    // since name another one.
    if (!IsHostWindow(mainWindow) || GetWindow(mainWindow, GW_OWNER) != ownerWindow) return 0;
    if (record.titlesRestored == 0) {
        const char* titles = view.Bytes() + sizeof record;
        SetHostTitle(mainWindow, std::string(titles, record.mainTitleLength));
        SetHostTitle(ownerWindow, std::string(titles + record.mainTitleLength, record.ownerTitleLength));
    }
    EnableHostWindows(mainWindow, ownerWindow, record.mainWasEnabled != 0);
    return 0;
}
