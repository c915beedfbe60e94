#include "app/ExternalToolJob.h"

#include <windows.h>

#include "app/HostLock.h"
#include "app/RunningWindow.h"
#include "app/Unit1.h"
#include "base/CodePageWin32.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/Launcher.h"
#include "support/PhaseLog.h"
#include "support/Switches.h"
#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

namespace {

// A new empty file in the temporary-files folder, named by the system from
// the prefix "qlk"; empty when it could not be made.
std::string CreateTempFile() {
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return {};
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder, "qlk", 0, name) == 0) return {};
    return name;
}

}  // namespace

void RunExternalToolJob(TPelmarindMainForm& form, std::string& editorText) {
    std::string program = GetSwitchValue("/app=");
    if (program.empty()) program = GetHostExeName(HostWindow);
    const std::string passedOnList = MakePassedOnList();

    std::string tempFile = CreateTempFile();
    if (tempFile.empty()) {
        ShowWarning(kTempFileFailed);
        return;
    }
    const std::string extension = GetSwitchValue("/ext=");
    if (!extension.empty()) {
        const std::string renamed = ChangeFileExt(tempFile, "." + extension, SystemCodePage());
        if (MoveFileA(tempFile.c_str(), renamed.c_str())) tempFile = renamed;
    }

    // The lock. Whatever happens from here, the file goes (unless it holds a
    // result that could not be put back), the host's windows are enabled
    // again and it comes to the front; the titles are put back too, a failed
    // hand-over included.
    bool keepTempFile = false;
    HostLock lock(HostWindow, HostOwnerWindow);
    ScopeGuard unlock([&] {
        if (!keepTempFile) DeleteFileA(tempFile.c_str());
        lock.RestoreTitles();
        lock.Unlock();
        BringHostToFront(HostWindow);
    });
    EndPhase("temporary file and lock");

    SaveTextToFile(editorText, tempFile);
    EndPhase("file write");
    form.InitialModifiedTime = GetFileModifiedTime(tempFile);
    EndPhase("time query");

    RunningWindow running(form.Application().Instance(), program, lock);
    const RunOutcome outcome = RunAndWait(GetShortPath(program), passedOnList + " " + tempFile, HasSwitch("/hide"), &running);
    if (outcome == RunOutcome::NotStarted) {
        ShowWarning(LaunchFailedMessage(program, passedOnList, tempFile));
        return;
    }
    // Stopped by the user: as after a failed start, nothing is written back
    // and nothing more is said.
    if (outcome == RunOutcome::Aborted) return;
    EndPhase("process start and wait");

    lock.RestoreTitles();
    if (form.InitialModifiedTime != 0 && GetFileModifiedTime(tempFile) != form.InitialModifiedTime) {
        // Into the editor text's own storage: it is not needed any more.
        LoadTextFromFile(tempFile, editorText);
        EndPhase("read back");
        const bool handedOver =
            SelLength != 0 ? SetHostSelText(HostWindow, editorText) : SetHostAllText(HostWindow, editorText);
        EndPhase("write-back");
        // The editor has gone (closed while the program ran) or the section
        // could not carry the result: the file is all that is left of it.
        if (!handedOver) {
            keepTempFile = true;
            ShowWarning(FormatMessageText(kResultKept, tempFile));
        }
    }
}
