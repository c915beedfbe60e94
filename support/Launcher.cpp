#include "support/Launcher.h"

#include <windows.h>

#include <optional>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "support/core/InterpreterCommand.h"

namespace {

// The record size the child is told: the platform's own (68 bytes in the
// 32-bit program).
constexpr DWORD kStartupInfoSize = sizeof(STARTUPINFOA);
#if defined(__i386__) || defined(_M_IX86)
static_assert(kStartupInfoSize == 68, "the 32-bit program's startup record");
#endif

STARTUPINFOA ChildStartupInfo(bool hidden) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    GetStartupInfoA(&startup);
    startup.cb = kStartupInfoSize;
    // Replaces the tool's own flags: the show state below and the three
    // standard handle values found in the tool's record are passed on as they
    // are, whatever they hold.
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    if (hidden) startup.wShowWindow = SW_HIDE;
    return startup;
}

// Dispatches every message waiting for this thread. A WM_QUIT is taken out of
// the way (its exit code noted) and posted again once the wait is over, so
// that the caller's own loop still sees it.
void DispatchPendingMessages(std::optional<WPARAM>& quitCode) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitCode = message.wParam;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Sleeps until the process ends or a message arrives for this thread, serving
// messages as they come: they are answered as soon as they arrive, and the
// thread uses no processor time while nothing happens. MWMO_INPUTAVAILABLE
// also wakes for messages that were already in the queue but not yet taken
// (a Peek elsewhere marks them as seen). A failed wait ends the wait as if
// the child had ended.
void WaitServingMessages(HANDLE process) {
    std::optional<WPARAM> quitCode;
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken != WAIT_OBJECT_0 + 1) break;
        DispatchPendingMessages(quitCode);
    }
    if (quitCode) PostQuitMessage(static_cast<int>(*quitCode));
}

}  // namespace

bool RunAndWait(const std::string& program, const std::string& arguments, bool hide) {
    STARTUPINFOA startup = ChildStartupInfo(hide && IsInterpreterCommand(program, SystemCodePage()));
    std::string commandLine = program + ' ' + arguments;
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &created)) {
        return false;
    }
    const KernelHandle process(created.hProcess);
    const KernelHandle thread(created.hThread);

    // Ends at once for a child without a message queue (a console program);
    // its outcome does not matter.
    WaitForInputIdle(process.Get(), INFINITE);
    WaitServingMessages(process.Get());
    return true;
}
