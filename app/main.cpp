#include <windows.h>

#include "app/Application.h"
#include "app/HostLock.h"
#include "app/LockWatcher.h"
#include "app/Unit1.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/PhaseLog.h"
#include "support/core/CommandLine.h"

namespace {

// A crash must not leave the host locked: the lock in force is undone
// before the process ends.
LONG WINAPI UndoLockOnCrash(EXCEPTION_POINTERS*) {
    HostLock::RestoreAfterCrash();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A copy started by the tool to watch over a run does that alone.
    const auto pieces = SplitCommandLine(GetCommandLineA());
    if (IsLockWatcherCommand(pieces)) return RunLockWatcher(pieces);

    SetUnhandledExceptionFilter(UndoLockOnCrash);
    StartPhaseLog();
    // The host is captured before the tool creates or shows any window: the
    // window in front is still the one that started the tool.
    InitHostLink();
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
