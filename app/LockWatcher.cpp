#include "app/LockWatcher.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/Handles.h"
#include "base/MessageWait.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"

namespace {

// How long the tool waits for a watcher to take up its watch.
constexpr DWORD kWatcherStartMs = 10000;
// How long a watcher that watches no run stays for the next one.
constexpr DWORD kWatcherIdleMs = 2 * 60 * 1000;
// Room for each title in a run's record: a longer one (no real title is)
// is left to the tool alone, the windows still watched.
constexpr std::size_t kTitleRoom = 0x8000;

// What a run's own named section carries to the watcher: this record, then
// the two titles. `parts` says what is changed on the host now; it is set
// last when a change is covered, and cleared first when a new one is
// written, so a watcher never undoes from a half-written record.
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

// The one watcher of the user's session, shared by every run of every
// editor, is found through these names. The number is the layout of the
// table below: a watcher of a build with another layout has other names, and
// the two never meet.
constexpr char kTableName[] = "Pelmarind_Watcher_1";
// Held by a run while it looks for the watcher and takes a slot (and, when
// it starts a watcher, until that one watches), and by a watcher while it
// decides to end: no run takes a slot of a watcher that is about to end.
constexpr char kRegistrationName[] = "Pelmarind_Watcher_1_Registration";
// Owned by the running watcher for its whole life: free or abandoned, there
// is none.
constexpr char kAliveName[] = "Pelmarind_Watcher_1_Alive";
// Set by a run that took a slot (auto-reset).
constexpr char kWakeName[] = "Pelmarind_Watcher_1_Wake";

// One run per slot; the watcher waits on its wake event and on each watched
// run's process, which the system allows 64 of.
constexpr std::size_t kSlots = MAXIMUM_WAIT_OBJECTS - 1;
// A slot goes Free -> Asked (a run, under the registration mutex) -> Watched
// (the watcher, holding the run's process and record) -> Free (the watcher,
// once the run's process has ended and what it left is undone). A run that
// gives up waiting takes back its own Asked slot; a slot whose run is gone
// before it was watched goes back to Free: that run changed nothing.
enum SlotState : LONG { kSlotFree = 0, kSlotAsked = 1, kSlotWatched = 2 };
struct WatcherSlot {
    volatile LONG state;
    std::uint32_t runProcessId;
    char recordName[48];  // the run's own section, with its terminating zero
};
struct WatcherTable {
    std::uint32_t watcherProcessId;
    volatile LONG closing;  // set, under the registration mutex, by a watcher that ends
    WatcherSlot slots[kSlots];
};

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

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
}

// Starts a copy of the tool with the switch and the arguments, with the
// given parent (none: the tool's own); its process, or nothing. No handle is
// inherited: the watcher opens what it needs by name. It may outlive the run
// by minutes: it holds neither the run's standard handles (a program reading
// the run's output to its end would wait for it) nor its current folder (which
// could then not be removed).
KernelHandle StartCopy(const char* watcherSwitch, const std::string& arguments, HANDLE parent) {
    const std::string programPath = OwnProgramPath();
    if (programPath.empty()) return {};
    std::string commandLine = "\"" + programPath + "\" " + watcherSwitch + " " + arguments;
    const std::string folder = SystemFolder();
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    // No busy cursor for a program that shows nothing.
    startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK | STARTF_USESTDHANDLES;
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
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &created);
    if (startup.lpAttributeList != nullptr) DeleteProcThreadAttributeList(startup.lpAttributeList);
    if (!started) return {};
    const KernelHandle thread(created.hThread);
    return KernelHandle(created.hProcess);
}

// The session's shared objects, opened (or made, by whoever comes first).
struct SharedWatcherObjects {
    KernelHandle tableSection;
    MappedView view;
    KernelHandle registration;
    KernelHandle alive;
    KernelHandle wake;

    bool Open() {
        tableSection.Reset(
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(WatcherTable), kTableName));
        if (!tableSection) return false;
        view = MappedView(MapViewOfFile(tableSection.Get(), FILE_MAP_WRITE, 0, 0, 0));
        registration.Reset(CreateMutexA(nullptr, FALSE, kRegistrationName));
        alive.Reset(CreateMutexA(nullptr, FALSE, kAliveName));
        wake.Reset(CreateEventA(nullptr, FALSE, FALSE, kWakeName));
        return view && registration && alive && wake;
    }
    WatcherTable& Table() const { return *reinterpret_cast<WatcherTable*>(view.Bytes()); }
};

bool Acquired(DWORD waited) { return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED_0; }

// Whether a watcher holds the alive mutex (asked under the registration
// mutex, so no watcher can take it meanwhile but one that is starting).
bool WatcherAlive(HANDLE alive) {
    if (!Acquired(WaitForSingleObject(alive, 0))) return true;
    ReleaseMutex(alive);
    return false;
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
    // The run's own record, which the watcher reads when the run has ended.
    KernelHandle section;
    MappedView view;
    KernelHandle ready;  // set by the watcher once it holds the run's process
    SharedWatcherObjects shared;
    WatcherSlot* slot = nullptr;
    // This run starts the watcher and holds the registration mutex until it
    // watches: a run of another editor meanwhile waits, then finds it.
    bool startingWatcher = false;
    KernelHandle process;  // the watcher, or the copy that starts it

    ~Watcher() { StopStarting(); }
    WatchedLock* Record() const { return reinterpret_cast<WatchedLock*>(view.Bytes()); }
    bool Open(const std::string& name);
    void Register(const std::string& name);
    void StopStarting() {
        if (startingWatcher) ReleaseMutex(shared.registration.Get());
        startingWatcher = false;
    }
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

// A free slot, filled with this run and asked for (under the registration
// mutex); none when all are taken.
WatcherSlot* TakeSlot(WatcherTable& table, const std::string& recordName) {
    for (WatcherSlot& slot : table.slots) {
        if (slot.state != kSlotFree) continue;
        slot.runProcessId = GetCurrentProcessId();
        std::memset(slot.recordName, 0, sizeof slot.recordName);
        std::memcpy(slot.recordName, recordName.data(), std::min(recordName.size(), sizeof slot.recordName - 1));
        InterlockedExchange(&slot.state, kSlotAsked);
        return &slot;
    }
    return nullptr;
}

// Registers the run with the session's watcher, starting one if none runs
// (or the one that runs is ending); `process` is then the watcher (or its
// starter) to wait for. Without a free slot or a watcher, the run goes
// unwatched.
void Watcher::Register(const std::string& name) {
    if (!shared.Open()) return;
    if (WaitServingSentMessages({shared.registration.Get()}, kWatcherStartMs) != 0) return;
    ScopeGuard release([this] { ReleaseMutex(shared.registration.Get()); });
    WatcherTable& table = shared.Table();
    KernelHandle running;
    if (table.closing == 0 && WatcherAlive(shared.alive.Get())) {
        running.Reset(OpenProcess(SYNCHRONIZE, FALSE, table.watcherProcessId));
        // Still alive after the opening: the process opened is that watcher.
        if (!WatcherAlive(shared.alive.Get())) running.Reset();
    }
    if (running) {
        slot = TakeSlot(table, name);
        if (slot == nullptr) return;
        SetEvent(shared.wake.Get());
        process = std::move(running);
        return;
    }
    // None (or one that is ending, which touches the table no more, or one
    // that was ended from outside, whose runs are no one's now): a new one
    // starts on an empty table.
    InterlockedExchange(&table.closing, 0);
    table.watcherProcessId = 0;
    for (WatcherSlot& each : table.slots) InterlockedExchange(&each.state, kSlotFree);
    slot = TakeSlot(table, name);
    const std::string arguments = std::to_string(GetCurrentProcessId()) + " " + name;
    const KernelHandle host = HostProcess();
    if (host) process = StartCopy(kLockWatcherSwitch, arguments, host.Get());
    if (!process) process = StartCopy(kLockWatcherStarterSwitch, arguments, nullptr);
    if (!process) {
        InterlockedExchange(&slot->state, kSlotFree);
        slot = nullptr;
        return;
    }
    release.Dismiss();
    startingWatcher = true;
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
    if (watcher.Open(name)) watcher.Register(name);
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
        // Given up: the slot is taken back, unless the watcher has just
        // taken it (it then holds the run, and says so at once).
        if (!watcher.watching &&
            InterlockedCompareExchange(&watcher.slot->state, kSlotFree, kSlotAsked) != kSlotAsked) {
            watcher.watching = WaitForSingleObject(watcher.ready.Get(), kWatcherStartMs) == WAIT_OBJECT_0;
        }
        watcher.StopStarting();
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
// same arguments, watches the run before the starter ends (under Wine a
// process whose starter ends before it has started does not start at all).
int StartWatcherCopy(const std::vector<std::string>& pieces) {
    const KernelHandle ready(OpenEventA(SYNCHRONIZE, FALSE, ReadyEventName(pieces[3]).c_str()));
    if (!ready) return 1;
    const KernelHandle watcher = StartCopy(kLockWatcherSwitch, pieces[2] + " " + pieces[3], nullptr);
    if (!watcher) return 1;
    const HANDLE waited[] = {ready.Get(), watcher.Get()};
    return WaitForMultipleObjects(2, waited, FALSE, kWatcherStartMs) == WAIT_OBJECT_0 ? 0 : 1;
}

// One run as the watcher holds it, from its slot being taken to its end.
struct WatchedRun {
    KernelHandle process;
    KernelHandle section;
    MappedView view;
};

// Takes up the runs that asked: their process and record held, then told.
// A run that is gone already (or whose record is not there or not its own)
// changed nothing: its slot is freed.
void TakeUpAskedRuns(WatcherTable& table, std::vector<WatchedRun>& runs) {
    for (std::size_t i = 0; i < kSlots; ++i) {
        WatcherSlot& slot = table.slots[i];
        if (slot.state != kSlotAsked || runs[i].process) continue;
        const DWORD runProcessId = slot.runProcessId;
        const std::string name(slot.recordName, strnlen(slot.recordName, sizeof slot.recordName));
        WatchedRun run;
        // The process first: if the run ended meanwhile, its record is gone
        // too, and an id used again by another process cannot pass for it.
        run.process.Reset(OpenProcess(SYNCHRONIZE, FALSE, runProcessId));
        if (run.process) run.section.Reset(OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()));
        if (run.section) run.view = MappedView(MapViewOfFile(run.section.Get(), FILE_MAP_READ, 0, 0, 0));
        const KernelHandle ready(run.view ? OpenEventA(EVENT_MODIFY_STATE, FALSE, ReadyEventName(name).c_str())
                                          : nullptr);
        const bool held =
            ready && reinterpret_cast<const WatchedLock*>(run.view.Bytes())->toolProcessId == runProcessId;
        if (!held) {
            InterlockedCompareExchange(&slot.state, kSlotFree, kSlotAsked);
        } else if (InterlockedCompareExchange(&slot.state, kSlotWatched, kSlotAsked) == kSlotAsked) {
            runs[i] = std::move(run);
            SetEvent(ready.Get());
        }
    }
}

// Undoes what the run's record says it left changed on the host.
void UndoWhatTheRunLeft(const MappedView& view) {
    const auto& record = *reinterpret_cast<const WatchedLock*>(view.Bytes());
    LockState state;
    state.parts = static_cast<unsigned>(record.parts);
    if (state.parts == 0) return;
    state.mainWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.mainWindow));
    state.ownerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(record.ownerWindow));
    state.mainWasEnabled = record.mainWasEnabled != 0;
    // Only the host that was locked: a handle whose window has gone may
    // since name another one.
    if (!IsHostWindow(state.mainWindow) || GetWindow(state.mainWindow, GW_OWNER) != state.ownerWindow) return;
    if ((state.parts & kLockTitles) != 0) {
        const char* titles = view.Bytes() + sizeof record;
        state.mainTitle.assign(titles, std::min<std::size_t>(record.mainTitleLength, kTitleRoom));
        state.ownerTitle.assign(titles + kTitleRoom, std::min<std::size_t>(record.ownerTitleLength, kTitleRoom));
    }
    UndoLock(state, state.parts);
}

// An idle watcher ends, unless a run asked meanwhile: decided under the
// registration mutex, so that a run either is in the table before or finds
// the watcher closing and starts another.
bool EndIfIdle(const SharedWatcherObjects& shared) {
    if (!Acquired(WaitForSingleObject(shared.registration.Get(), kWatcherStartMs))) return false;
    const ScopeGuard release([&] { ReleaseMutex(shared.registration.Get()); });
    WatcherTable& table = shared.Table();
    for (const WatcherSlot& slot : table.slots) {
        if (slot.state != kSlotFree) return false;
    }
    InterlockedExchange(&table.closing, 1);
    return true;
}

// The watcher: serves every run of the session until none has come for a
// while.
int WatchRuns() {
    SharedWatcherObjects shared;
    if (!shared.Open()) return 1;
    // A watcher that is ending still holds it for a moment.
    if (!Acquired(WaitForSingleObject(shared.alive.Get(), kWatcherStartMs))) return 1;
    const ScopeGuard releaseAlive([&] { ReleaseMutex(shared.alive.Get()); });
    WatcherTable& table = shared.Table();
    table.watcherProcessId = GetCurrentProcessId();
    std::vector<WatchedRun> runs(kSlots);
    for (;;) {
        TakeUpAskedRuns(table, runs);
        std::vector<HANDLE> waited{shared.wake.Get()};
        std::vector<std::size_t> slotOf{0};
        for (std::size_t i = 0; i < kSlots; ++i) {
            if (!runs[i].process) continue;
            waited.push_back(runs[i].process.Get());
            slotOf.push_back(i);
        }
        const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(waited.size()), waited.data(), FALSE,
                                                   waited.size() == 1 ? kWatcherIdleMs : INFINITE);
        if (woken == WAIT_TIMEOUT) {
            if (EndIfIdle(shared)) return 0;
        } else if (woken > WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + waited.size()) {
            const std::size_t i = slotOf[woken - WAIT_OBJECT_0];
            UndoWhatTheRunLeft(runs[i].view);
            runs[i] = WatchedRun{};
            InterlockedExchange(&table.slots[i].state, kSlotFree);
        } else if (woken != WAIT_OBJECT_0) {
            return 1;
        }
    }
}

}  // namespace

int RunLockWatcher(const std::vector<std::string>& pieces) {
    if (!IsLockWatcherCommand(pieces)) return 1;
    if (pieces[1] == kLockWatcherStarterSwitch) return StartWatcherCopy(pieces);
    return WatchRuns();
}
