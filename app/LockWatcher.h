#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/LockState.h"

// The watcher: a copy of the tool that undoes whatever a run left changed on
// the host when the run's process ends, however it ends (Task Manager, a
// crash the tool's own filter cannot see, the end of the user's session).
// One watcher serves every run of the user's session, of every editor: a
// run registers with it (a slot in a named table) and waits until it holds
// the run's process; only the first run after a quiet while starts it, with
// the host's process as its parent, so that ending the tool's process tree
// leaves it running (where the system refuses that, through a short-lived
// copy of the tool that starts it and ends). It ends two minutes after the
// last run it watched has ended.
//
// The rule: the host is never changed before the watcher watches and knows
// what undoing the change takes. The one caller is the host lock (HostLock),
// which covers every change of the host: a run's lock, the dialogs, the
// message boxes.
namespace LockWatcher {
// Registers the run with the watcher, starting one if none runs, and
// returns without waiting for it: the start overlaps with the job's first
// steps.
void Start();
// Tells the watcher what to undo if the tool ends now, and returns once it
// watches (starting it first if need be). False when no watcher could be
// had: the change goes ahead unwatched, as it would without watchers.
bool Cover(const LockState& state);
// Those parts are back: the watcher must not undo them again (the host may
// have changed them since).
void Uncover(unsigned parts);
}  // namespace LockWatcher

// The switches that start a copy of the tool as a watcher, and as the
// short-lived copy that starts one where the host's process cannot be the
// watcher's parent. Only the tool itself starts them: the switch first on the
// command line, then the tool's process id and the name of the run's record.
inline constexpr char kLockWatcherSwitch[] = "/pelmarind-lock-watcher";
inline constexpr char kLockWatcherStarterSwitch[] = "/pelmarind-lock-watcher-starter";
// Whether the command line (split into pieces) is a watcher's or its
// starter's.
bool IsLockWatcherCommand(const std::vector<std::string>& pieces);
// The watcher process's whole work: takes up the runs that register, undoes
// what each left changed when its process ends, and ends once no run has
// come for a while. Shows nothing. The starter starts the watcher, waits
// until it watches the run, and ends. Returns the process's exit code.
int RunLockWatcher(const std::vector<std::string>& pieces);
