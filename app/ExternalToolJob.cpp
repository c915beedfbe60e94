#include "app/ExternalToolJob.h"

#include <windows.h>

#include <vector>

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

// A window's whole title. (A title longer than the usual 259 bytes must come
// back whole too, so the buffer follows the title's length.)
std::string WindowTitle(HWND window) {
    if (window == nullptr) return {};
    const int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<std::size_t>(std::max(length, MAX_PATH - 1)) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

// The host's two titles while it is locked: prefixed on construction, set
// back by Restore or, at the latest, on destruction. Both are read before
// either is set: a host that copies its main window's title onto its owner
// window would otherwise have the owner's title saved with the prefix in it.
class LockedTitles {
public:
    LockedTitles() {
        for (Saved& s : saved_) {
            if (s.window != nullptr) s.title = WindowTitle(s.window);
        }
        for (const Saved& s : saved_) {
            if (s.window != nullptr) SetWindowTextA(s.window, LockedTitle(s.title, SystemCodePage()).c_str());
        }
    }
    LockedTitles(const LockedTitles&) = delete;
    LockedTitles& operator=(const LockedTitles&) = delete;
    ~LockedTitles() { Restore(); }
    void Restore() {
        if (restored_) return;
        restored_ = true;
        for (const Saved& s : saved_) {
            if (s.window != nullptr) SetWindowTextA(s.window, s.title.c_str());
        }
    }

private:
    struct Saved {
        HWND window;
        std::string title;
    };
    Saved saved_[2] = {{HostWindow, {}}, {HostOwnerWindow, {}}};
    bool restored_ = false;
};

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
    // result that could not be put back), the owner window is enabled again
    // and the host comes to the front.
    bool keepTempFile = false;
    EnableWindow(HostOwnerWindow, FALSE);
    ScopeGuard unlock([&] {
        if (!keepTempFile) DeleteFileA(tempFile.c_str());
        EnableWindow(HostOwnerWindow, TRUE);
        BringHostToFront(HostWindow);
    });
    // Armed before the hand-over, so that a failed write does not leave the
    // host titled as locked.
    LockedTitles titles;
    EndPhase("temporary file and lock");

    SaveTextToFile(editorText, tempFile);
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
    if (!RunAndWait(GetShortPath(program), passedOnList + " " + handedOn, HasSwitch("/hide"))) {
        ShowWarning(LaunchFailedMessage(program, passedOnList, handedOn));
        return;
    }
    EndPhase("process start and wait");

    titles.Restore();
    if (GetFileModifiedTime(tempFile) != form.InitialModifiedTime) {
        // Into the editor text's own storage: it is not needed any more.
        const bool taken = LoadTextFromFile(tempFile, editorText);
        EndPhase("read back");
        const bool handedOver =
            taken && (SelLength != 0 ? SetHostSelText(HostWindow, editorText) : SetHostAllText(HostWindow, editorText));
        EndPhase("write-back");
        // The result is larger than the tool can hold, the editor has gone
        // (closed while the program ran, or while it took the result) or the
        // section could not carry the result: the file is all that is left
        // of it.
        if (!handedOver) {
            keepTempFile = true;
            ShowWarning(FormatMessageText(kResultKept, tempFile));
        }
    }
}
