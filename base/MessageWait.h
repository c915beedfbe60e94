#pragma once
#include <windows.h>

#include <vector>

// Waiting on the tool's one thread without stopping its windows: the thread
// sleeps until a handle is signalled, a message of the given kinds comes, or
// the time is up. Other programs send messages to the tool's windows (a
// broadcast waits for every top-level window's answer), so no wait of the
// tool may leave them unserved.
struct WaitWake {
    enum Kind { Handle, Message, TimedOut, Failed } kind;
    DWORD index;  // of the signalled handle, for Handle (a mutex: had, abandoned or not)
};
// `wakeMask` is a QS_ mask and `flags` MsgWaitForMultipleObjectsEx's (with
// MWMO_INPUTAVAILABLE, messages already in the queue but not yet taken wake
// the wait too: a Peek elsewhere marks them as seen).
WaitWake WaitForHandlesOrMessages(const std::vector<HANDLE>& handles, DWORD timeoutMs, DWORD wakeMask, DWORD flags);

// Answers the messages that other threads sent to this thread's windows,
// leaving the posted ones in the queue.
void ServeSentMessages();

// Waits until one of `handles` is signalled or `timeoutMs` passed, serving
// sent messages meanwhile: the index of the handle, or -1 on a time-out or a
// failed wait.
int WaitServingSentMessages(const std::vector<HANDLE>& handles, DWORD timeoutMs);
