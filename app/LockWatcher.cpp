#include "app/LockWatcher.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/Handles.h"
#include "base/MessageWait.h"
#include "host/HostLink.h"

namespace {

// How long the tool waits for a watcher to take up its watch.
constexpr DWORD kWatcherStartMs = 10000;
// Room for each title in the shared state: a longer one (no real title is)
// is left to the tool alone, the windows still watched.
constexpr std::size_t kTitleRoom = 0x8000;

// What the named section carries to the watcher: this record, then the two
// titles. `parts` says what is changed on the host now; it is set last when
// a change is covered, and cleared first when a new one is written, so a
// watcher never undoes from a half-written record.
struct WatchedLock {
    std::uint32_t toolProcessId;
    volatile LONG parts;
    std::uint64_t mainWindow;
    std::uint64_t ownerWindow;
    std::uint32_t mainWasEnabled;
    std::uint32_t mainTitleLength;
    std::uint32_t ownerTitleLength;
};
constexpr std::size_t kSectionSize = sizeof(WatchedLock) + 2 * kTitleRoom;

std::string ReadyEventName(const std::string& name) { return name + "_Ready"; }

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

// Starts a copy of the tool with the switch and the arguments, with the
// given parent (none: the tool's own); its process, or nothing. No handle is
// inherited: the watcher opens what it needs by name.
KernelHandle StartCopy(const char* watcherSwitch, const std::string& arguments, HANDLE parent) {
    const std::string programPath = OwnProgramPath();
    if (programPath.empty()) return {};
    std::string commandLine = "\"" + programPath + "\" " + watcherSwitch + " " + arguments;
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    // No busy cursor for a program that shows nothing.
    startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;
    DWORD flags = 0;
    std::vector<char> attributeBytes;
    if (parent != nullptr) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        attributeBytes.resize(size);
        auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBytes.data());
        if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return {};
        startup.lpAttributeList = attributes;
        if (!UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent, sizeof parent,
                                       nullptr, nullptr)) {
            DeleteProcThreadAttributeList(attributes);
            return {};
        }
        startup.StartupInfo.cb = sizeof startup;
        flags = EXTENDED_STARTUPINFO_PRESENT;
    }
    PROCESS_INFORMATION created{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                                        &startup.StartupInfo, &created);
    if (startup.lpAttributeList != nullptr) DeleteProcThreadAttributeList(startup.lpAttributeList);
    if (!started) return {};
    const KernelHandle thread(created.hThread);
    return KernelHandle(created.hProcess);
}

// The host's process, as a parent for the watcher: ending the tool's process
// tree then leaves the watcher alone, and one start is enough.
KernelHandle HostProcess() {
    DWORD processId = 0;
    if (HostWindow == nullptr || GetWindowThreadProcessId(HostWindow, &processId) == 0) return {};
    return KernelHandle(OpenProcess(PROCESS_CREATE_PROCESS, FALSE, processId));
}

// The tool's side, one per process.
struct Watcher {
    bool tried = false;
    bool watching = false;
    KernelHandle section;
    MappedView view;
    KernelHandle ready;
    KernelHandle process;  // the watcher, or the copy that starts it

    WatchedLock* Record() const { return reinterpret_cast<WatchedLock*>(view.Bytes()); }
    bool Open(const std::string& name);
};

Watcher& TheWatcher() {
    static Watcher watcher;
    return watcher;
}

// The shared state under a name of this process's own.
bool Watcher::Open(const std::string& name) {
    HANDLE created = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, name.c_str());
    const DWORD error = GetLastError();
    section.Reset(created);
    if (!section || error == ERROR_ALREADY_EXISTS) return false;
    view = MappedView(MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view) return false;
    Record()->toolProcessId = GetCurrentProcessId();
    ready.Reset(CreateEventA(nullptr, TRUE, FALSE, ReadyEventName(name).c_str()));
    return static_cast<bool>(ready);
}

void ClearParts(WatchedLock& record, unsigned parts) {
    LONG old = record.parts;
    for (;;) {
        const LONG seen = InterlockedCompareExchange(&record.parts, old & ~static_cast<LONG>(parts), old);
        if (seen == old) return;
        old = seen;
    }
}

}  // namespace

void LockWatcher::Start() {
    Watcher& watcher = TheWatcher();
    if (watcher.tried) return;
    watcher.tried = true;
    const std::string name =
        "Pelmarind_Watch_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
    if (!watcher.Open(name)) return;
    const std::string arguments = std::to_string(GetCurrentProcessId()) + " " + name;
    const KernelHandle host = HostProcess();
    if (host) watcher.process = StartCopy(kLockWatcherSwitch, arguments, host.Get());
    if (!watcher.process) watcher.process = StartCopy(kLockWatcherStarterSwitch, arguments, nullptr);
}

bool LockWatcher::Cover(const LockState& state) {
    Start();
    Watcher& watcher = TheWatcher();
    if (!watcher.watching) {
        if (!watcher.process) return false;
        // Until the watcher holds the tool's process and the state, the
        // tool's end would go unseen. Meanwhile messages sent to this thread
        // are served (a program that broadcasts one waits for them); posted
        // ones wait. A watcher (or its starter) that ended without watching
        // leaves none.
        WaitServingSentMessages({watcher.ready.Get(), watcher.process.Get()}, kWatcherStartMs);
        watcher.watching = WaitForSingleObject(watcher.ready.Get(), 0) == WAIT_OBJECT_0;
        watcher.process.Reset();
        if (!watcher.watching) return false;
    }
    WatchedLock& record = *watcher.Record();
    InterlockedExchange(&record.parts, 0);
    unsigned parts = state.parts;
    if (state.mainTitle.size() > kTitleRoom || state.ownerTitle.size() > kTitleRoom) parts &= ~kLockTitles;
    record.mainWindow = reinterpret_cast<UINT_PTR>(state.mainWindow);
    record.ownerWindow = reinterpret_cast<UINT_PTR>(state.ownerWindow);
    record.mainWasEnabled = state.mainWasEnabled ? 1 : 0;
    if ((parts & kLockTitles) != 0) {
        char* titles = watcher.view.Bytes() + sizeof record;
        record.mainTitleLength = static_cast<std::uint32_t>(state.mainTitle.size());
        record.ownerTitleLength = static_cast<std::uint32_t>(state.ownerTitle.size());
        std::memcpy(titles, state.mainTitle.data(), state.mainTitle.size());
        std::memcpy(titles + kTitleRoom, state.ownerTitle.data(), state.ownerTitle.size());
    }
    InterlockedExchange(&record.parts, static_cast<LONG>(parts));
    return true;
}

void LockWatcher::Uncover(unsigned parts) {
    const Watcher& watcher = TheWatcher();
    if (watcher.view) ClearParts(*watcher.Record(), parts);
}

bool IsLockWatcherCommand(const std::vector<std::string>& pieces) {
    return pieces.size() == 4 && (pieces[1] == kLockWatcherSwitch || pieces[1] == kLockWatcherStarterSwitch);
}

namespace {

// The starter's work: the watcher, started as the starter's child with the
// same arguments, watches before the starter ends (under Wine a process whose
// starter ends before it has started does not start at all).
int StartWatcherCopy(const std::vector<std::string>& pieces) {
    const KernelHandle ready(OpenEventA(SYNCHRONIZE, FALSE, ReadyEventName(pieces[3]).c_str()));
    if (!ready) return 1;
    const KernelHandle watcher = StartCopy(kLockWatcherSwitch, pieces[2] + " " + pieces[3], nullptr);
    if (!watcher) return 1;
    const HANDLE waited[] = {ready.Get(), watcher.Get()};
    return WaitForMultipleObjects(2, waited, FALSE, kWatcherStartMs) == WAIT_OBJECT_0 ? 0 : 1;
}

}  // namespace

int RunLockWatcher(const std::vector<std::string>& pieces) {
    if (!IsLockWatcherCommand(pieces)) return 1;
    if (pieces[1] == kLockWatcherStarterSwitch) return StartWatcherCopy(pieces);
    const auto toolProcessId = static_cast<DWORD>(std::strtoul(pieces[2].c_str(), nullptr, 10));
    // The tool waits for the watcher before it changes the host: a tool that
    // is gone by now changed nothing. (Its process is opened first: if it
    // ended meanwhile, its section is gone too, and an id used again by
    // another process cannot pass for it.)
    const KernelHandle tool(OpenProcess(SYNCHRONIZE, FALSE, toolProcessId));
    if (!tool) return 0;
    const KernelHandle section(OpenFileMappingA(FILE_MAP_READ, FALSE, pieces[3].c_str()));
    if (!section) return 0;
    const MappedView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return 1;
    const auto& record = *reinterpret_cast<const WatchedLock*>(view.Bytes());
    if (record.toolProcessId != toolProcessId) return 1;
    {
        const KernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, ReadyEventName(pieces[3]).c_str()));
        if (!ready || !SetEvent(ready.Get())) return 1;
    }
    WaitForSingleObject(tool.Get(), INFINITE);
    LockState state;
    state.parts = static_cast<unsigned>(record.parts);
    if (state.parts == 0) return 0;
    state.mainWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.mainWindow));
    state.ownerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.ownerWindow));
    state.mainWasEnabled = record.mainWasEnabled != 0;
    // Only the host that was locked: a handle whose window has gone may
    // since name another one.
    if (!IsHostWindow(state.mainWindow) || GetWindow(state.mainWindow, GW_OWNER) != state.ownerWindow) return 0;
    if ((state.parts & kLockTitles) != 0) {
        const char* titles = view.Bytes() + sizeof record;
        state.mainTitle.assign(titles, std::min<std::size_t>(record.mainTitleLength, kTitleRoom));
        state.ownerTitle.assign(titles + kTitleRoom, std::min<std::size_t>(record.ownerTitleLength, kTitleRoom));
    }
    UndoLock(state, state.parts);
    return 0;
}
