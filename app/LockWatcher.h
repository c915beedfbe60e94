#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/LockState.h"
#include "base/Handles.h"

// The tool's side of a watcher process: a copy of the tool started with the
// watcher switch and four inherited handles: the tool's own process, an
// event that says the run is over, a section with the lock's state, and an
// event that the watcher sets once it watches. The watcher ends when the
// event is set; when the tool's process ends first, it undoes the lock.
class LockWatcher {
public:
    // Starts the watcher and waits (a moment) until it watches; Started()
    // tells whether it runs.
    explicit LockWatcher(const LockState& state);
    // Tells the watcher that the run is over: it ends without a change.
    ~LockWatcher();
    LockWatcher(const LockWatcher&) = delete;
    LockWatcher& operator=(const LockWatcher&) = delete;

    bool Started() const { return static_cast<bool>(over_); }
    // The titles are back: a watcher must not set them again (the host may
    // have changed them since).
    void TitlesRestored();

private:
    bool ShareState(const LockState& state);
    KernelHandle over_;
    KernelHandle section_;
    MappedView view_;
};

// The switches that start a copy of the tool as a watcher, and as the
// short-lived copy that starts the watcher: the watcher is no descendant of
// the tool's, so that ending the tool's process tree (as Task Manager offers)
// leaves it running. Only the tool itself starts them: the switch first on
// the command line, then the four handles.
inline constexpr char kLockWatcherSwitch[] = "/pelmarind-lock-watcher";
inline constexpr char kLockWatcherStarterSwitch[] = "/pelmarind-lock-watcher-starter";
// Whether the command line (split into pieces) is a watcher's or its
// starter's.
bool IsLockWatcherCommand(const std::vector<std::string>& pieces);
// The watcher process's whole work: waits until the run is over or the
// tool's process has ended, and in the second case undoes what the tool left
// locked. Shows nothing. Returns the process's exit code.
// The starter starts the watcher with the handles it inherited, waits until
// it watches, and ends.
int RunLockWatcher(const std::vector<std::string>& pieces);
