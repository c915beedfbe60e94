#include "app/LockWatcher.h"

#include <cstdlib>
#include <cstring>

#include "base/MessageWait.h"
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

// The watcher's copy of the tool's process handle is inherited, never opened
// by id: on a slow machine the watcher starts late, and the tool may be gone
// by then.
KernelHandle InheritableSelf() {
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0)) {
        return {};
    }
    return KernelHandle(self);
}

// Starts a copy of the tool with the switch and the four handles (inherited)
// on its command line; its process, or nothing.
KernelHandle StartCopy(const std::string& programPath, const char* watcherSwitch, const std::vector<std::string>& handles) {
    std::string commandLine = "\"" + programPath + "\" " + watcherSwitch;
    for (const std::string& handle : handles) commandLine += " " + handle;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // No busy cursor for a program that shows nothing.
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &created)) {
        return {};
    }
    const KernelHandle thread(created.hThread);
    return KernelHandle(created.hProcess);
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

// The state goes into a section of the tool's that the watcher inherits.
bool LockWatcher::ShareState(const LockState& state) {
    const std::size_t size = sizeof(WatchedLock) + state.mainTitle.size() + state.ownerTitle.size();
    section_ = Inheritable(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              static_cast<DWORD>(size), nullptr));
    if (!section_) return false;
    view_ = MappedView(MapViewOfFile(section_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view_) return false;
    WatchedLock record{};
    record.mainWindow = reinterpret_cast<UINT_PTR>(state.mainWindow);
    record.ownerWindow = reinterpret_cast<UINT_PTR>(state.ownerWindow);
    record.mainWasEnabled = state.mainWasEnabled ? 1 : 0;
    record.mainTitleLength = static_cast<std::uint32_t>(state.mainTitle.size());
    record.ownerTitleLength = static_cast<std::uint32_t>(state.ownerTitle.size());
    std::memcpy(view_.Bytes(), &record, sizeof record);
    std::memcpy(view_.Bytes() + sizeof record, state.mainTitle.data(), state.mainTitle.size());
    std::memcpy(view_.Bytes() + sizeof record + state.mainTitle.size(), state.ownerTitle.data(), state.ownerTitle.size());
    return true;
}

LockWatcher::LockWatcher(const LockState& state) {
    const std::string programPath = OwnProgramPath();
    if (programPath.empty() || !ShareState(state)) return;
    KernelHandle over = Inheritable(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const KernelHandle ready = Inheritable(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const KernelHandle toolProcess = InheritableSelf();
    if (!over || !ready || !toolProcess) return;
    const KernelHandle starter =
        StartCopy(programPath, kLockWatcherStarterSwitch,
                  {HandleText(toolProcess.Get()), HandleText(over.Get()), HandleText(section_.Get()), HandleText(ready.Get())});
    if (!starter) return;
    // Until the watcher holds its handles, the tool's end would go unseen
    // (under Wine a process whose starter ends before it has started does
    // not start at all). Meanwhile messages sent to this thread are served
    // (a program that broadcasts one waits for them); posted ones wait. A
    // starter that ended without its watcher watching leaves none.
    if (WaitServingSentMessages({ready.Get(), starter.Get()}, kWatcherStartMs) == 1 &&
        WaitForSingleObject(ready.Get(), 0) != WAIT_OBJECT_0) {
        return;
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
    return pieces.size() == 6 && (pieces[1] == kLockWatcherSwitch || pieces[1] == kLockWatcherStarterSwitch);
}

namespace {

// The starter's work: the watcher, started with the same handles (inherited
// again, so their values stay), watches before the starter ends.
int StartWatcher(const std::vector<std::string>& pieces) {
    const KernelHandle ready(HandleFrom(pieces[5]));
    const std::string programPath = OwnProgramPath();
    if (programPath.empty()) return 1;
    const KernelHandle watcher = StartCopy(programPath, kLockWatcherSwitch, {pieces.begin() + 2, pieces.end()});
    if (!watcher) return 1;
    const HANDLE waited[] = {ready.Get(), watcher.Get()};
    return WaitForMultipleObjects(2, waited, FALSE, kWatcherStartMs) == WAIT_OBJECT_0 ? 0 : 1;
}

}  // namespace

int RunLockWatcher(const std::vector<std::string>& pieces) {
    if (!IsLockWatcherCommand(pieces)) return 1;
    if (pieces[1] == kLockWatcherStarterSwitch) return StartWatcher(pieces);
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
    LockState state;
    state.mainWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.mainWindow));
    state.ownerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.ownerWindow));
    state.mainWasEnabled = record.mainWasEnabled != 0;
    // Only the host that was locked: a handle whose window has gone may
    // since name another one.
    if (!IsHostWindow(state.mainWindow) || GetWindow(state.mainWindow, GW_OWNER) != state.ownerWindow) return 0;
    const char* titles = view.Bytes() + sizeof record;
    state.mainTitle.assign(titles, record.mainTitleLength);
    state.ownerTitle.assign(titles + record.mainTitleLength, record.ownerTitleLength);
    UndoLock(state, record.titlesRestored == 0 ? kLockTitles | kLockWindows : kLockWindows);
    return 0;
}
