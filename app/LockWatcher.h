#pragma once
#include <windows.h>

#include "app/HostLock.h"
#include "base/Handles.h"

// The tool's side of a watcher process: a copy of the tool started with the
// watcher switch and four inherited handles: the tool's own process, an
// event that says the run is over, a section with what the lock changed, and
// an event that the watcher sets once it watches.
// The watcher ends when the event is set; when the tool's process ends first,
// it undoes the lock from the section.
class LockWatcher {
public:
    // Starts the watcher and waits (a moment) until it watches; Started()
    // tells whether it runs.
    explicit LockWatcher(const HostLock::State& state);
    // Tells the watcher that the run is over: it ends without a change.
    ~LockWatcher();
    LockWatcher(const LockWatcher&) = delete;
    LockWatcher& operator=(const LockWatcher&) = delete;

    bool Started() const { return static_cast<bool>(over_); }
    // The titles are back: a watcher must not set them again (the host may
    // have changed them since).
    void TitlesRestored();

private:
    KernelHandle over_;
    KernelHandle section_;
    MappedView view_;
};
