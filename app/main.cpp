#include <windows.h>

#include "app/Forms.h"
#include "app/Unit1.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/PhaseLog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
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
