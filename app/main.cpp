#include <windows.h>

#include "app/Application.h"
#include "app/HostLock.h"
#include "app/LockWatcher.h"
#include "app/Unit1.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/PhaseLog.h"
#include "support/core/CommandLine.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

namespace {

// A crash must not leave the host locked: the lock in force is undone
// before the process ends.
LONG WINAPI UndoLockOnCrash(EXCEPTION_POINTERS*) {
    HostLock::RestoreAfterCrash();
    return EXCEPTION_CONTINUE_SEARCH;
}

// An exception raised in a window procedure (the job runs in one) must reach
// the crash filter: 64-bit Windows 7 silently swallows such exceptions of a
// 32-bit program, which then runs on invisibly with the host locked, while
// its watcher sees a live tool. The policy functions exist on those systems
// only: looked up, not imported.
void LetCrashesReachTheFilter() {
    using GetPolicy = BOOL(WINAPI*)(LPDWORD);
    using SetPolicy = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kCallbackFilterEnabled = 0x1;  // PROCESS_CALLBACK_FILTER_ENABLED
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto get = reinterpret_cast<GetPolicy>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    const auto set = reinterpret_cast<SetPolicy>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags = 0;
    if (get != nullptr && set != nullptr && get(&flags)) set(flags & ~kCallbackFilterEnabled);
}

// Every text of the tool is code page 932 and reaches the system through the
// ANSI calls: on any other ANSI code page (a system locale not Japanese, or
// the system-wide UTF-8 option) each would come out garbled. Then the tool
// says so once, in UTF-16, and does nothing else. The box has no owner: an
// owner would be disabled while it shows, and the editor is left untouched.
bool RunsOnCodePage932() {
    const UINT codePage = GetACP();
    if (codePage == 932) return true;
    const std::wstring text = FormatWideMessageText(kWrongCodePage, std::to_wstring(codePage));
    MessageBoxW(nullptr, text.c_str(), kAppCaptionWide, MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A copy started by the tool to watch over a run does that alone.
    const auto pieces = SplitCommandLine(GetCommandLineA());
    if (IsLockWatcherCommand(pieces)) return RunLockWatcher(pieces);

    SetUnhandledExceptionFilter(UndoLockOnCrash);
    LetCrashesReachTheFilter();
    StartPhaseLog();
    // The host is captured before the tool creates or shows any window: the
    // window in front is still the one that started the tool.
    InitHostLink();
    // (Nothing of the editor has been asked or changed yet: capturing it only
    // looked at the window in front.)
    if (!RunsOnCodePage932()) return 0;
    // The lead-byte set, filled once at start from the platform's code page.
    SystemCodePage();

    TApplication application;
    if (!application.Initialize(instance)) return 0;
    // No task-bar button for the tool.
    SetWindowLongA(application.Handle(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);

    TPelmarindMainForm form(application);
    if (!form.Create()) return 0;
    form.Show();
    application.Run();
    EndPhase("exit");
    WritePhaseLog();
    return 0;
}
