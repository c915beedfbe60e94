#include "base/MessageWait.h"

WaitWake WaitForHandlesOrMessages(const std::vector<HANDLE>& handles, DWORD timeoutMs, DWORD wakeMask, DWORD flags) {
    const auto count = static_cast<DWORD>(handles.size());
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles.data(), timeoutMs, wakeMask, flags);
    if (woken == WAIT_TIMEOUT) return {WaitWake::TimedOut, 0};
    if (woken < WAIT_OBJECT_0 + count) return {WaitWake::Handle, woken - WAIT_OBJECT_0};
    // A mutex whose owner ended without releasing it is had all the same.
    if (woken >= WAIT_ABANDONED_0 && woken < WAIT_ABANDONED_0 + count) {
        return {WaitWake::Handle, woken - WAIT_ABANDONED_0};
    }
    if (woken == WAIT_OBJECT_0 + count) return {WaitWake::Message, 0};
    return {WaitWake::Failed, 0};
}

void ServeSentMessages() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

int WaitServingSentMessages(const std::vector<HANDLE>& handles, DWORD timeoutMs) {
    const DWORD started = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - started;
        if (elapsed >= timeoutMs) return -1;
        const WaitWake woken = WaitForHandlesOrMessages(handles, timeoutMs - elapsed, QS_SENDMESSAGE, 0);
        if (woken.kind == WaitWake::Handle) return static_cast<int>(woken.index);
        if (woken.kind != WaitWake::Message) return -1;
        ServeSentMessages();
    }
}
