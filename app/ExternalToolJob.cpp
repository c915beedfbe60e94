#include "app/ExternalToolJob.h"

#include <windows.h>

#include <optional>

#include "app/FilterJob.h"
#include "app/HostLock.h"
#include "app/RunResult.h"
#include "app/RunningWindow.h"
#include "app/Unit1.h"
#include "base/CodePageWin32.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/Launcher.h"
#include "support/PhaseLog.h"
#include "support/Switches.h"
#include "support/core/IoModes.h"
#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "support/core/Utf8Text.h"

void RunExternalToolJob(TPelmarindMainForm& form, std::string& editorText) {
    std::string program = GetSwitchValue("/app=");
    if (program.empty()) program = GetHostExeName(HostWindow);
    const std::string passedOnList = MakePassedOnList();
    const std::string ioValue = GetSwitchValue("/io=");
    const std::optional<IoModes> modes = ParseIoModes(ioValue, SystemCodePage());
    if (!modes) {
        ShowWarning(FormatMessageText(kIoSwitchInvalid, ioValue));
        return;
    }
    // A program that reads UTF-8 gets the text only when every byte of it
    // converts: nothing is locked, written or started otherwise.
    std::string utf8Text;
    if (modes->utf8) {
        const TextConversion conversion = Cp932ToUtf8(editorText, utf8Text);
        if (!conversion.ok()) {
            ShowWarning(FormatMessageText(kTextNotUtf8, std::to_string(conversion.line)));
            return;
        }
    }
    const std::string& programInput = modes->utf8 ? utf8Text : editorText;
    if (modes->pipe) {
        RunFilterJob(form, editorText, programInput, program, passedOnList, *modes);
        return;
    }

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

    SaveTextToFile(programInput, tempFile);
    EndPhase("file write");
    form.InitialModifiedTime = GetFileModifiedTime(tempFile);
    EndPhase("time query");
    // Without the first time stamp the program's result could not be told
    // from the text handed over, and would be ignored: it does not run.
    if (form.InitialModifiedTime == 0) {
        ShowWarning(kTimeStampFailed);
        return;
    }

    // The name as the program gets it, and as a failed launch names it.
    const std::string handedOn = HandedOnFileName(tempFile);
    RunningWindow running(form.Application().Instance(), program, lock);
    const RunOutcome outcome =
        RunAndWait(GetShortPath(program), passedOnList + " " + handedOn, HasSwitch("/hide"), &running);
    if (outcome == RunOutcome::NotStarted) {
        ShowWarning(LaunchFailedMessage(program, passedOnList, handedOn));
        return;
    }
    // Stopped by the user: as after a failed start, nothing is written back
    // and nothing more is said.
    if (outcome == RunOutcome::Aborted) return;
    EndPhase("process start and wait");

    lock.RestoreTitles();
    if (GetFileModifiedTime(tempFile) == form.InitialModifiedTime) return;
    // A result that cannot be put back (larger than the tool can hold, not
    // convertible, or not taken by the editor: closed while the program ran,
    // or while it took the result, or no section could carry it) stays in
    // the file, which is all that is left of it.
    const KeepResult keepResult = [&] {
        keepTempFile = true;
        return tempFile;
    };
    // Into the editor text's own storage: it is not needed any more.
    if (!LoadTextFromFile(tempFile, editorText)) {
        ShowWarning(FormatMessageText(kResultKept, keepResult()));
        return;
    }
    EndPhase("read back");
    if (modes->utf8 && !ResultFromUtf8(editorText, keepResult)) return;
    PutResultBack(editorText, keepResult);
    EndPhase("write-back");
}
