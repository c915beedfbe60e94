#include "app/FilterJob.h"

#include <windows.h>

#include "app/HostLock.h"
#include "app/RunResult.h"
#include "app/RunningWindow.h"
#include "app/Unit1.h"
#include "base/CodePageWin32.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"
#include "host/core/TextSize.h"
#include "support/FileHelpers.h"
#include "support/Launcher.h"
#include "support/Switches.h"
#include "support/core/FilterText.h"
#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

namespace {

// How much of the program's error output a message quotes.
constexpr std::size_t kErrorLines = 8;
constexpr std::size_t kErrorBytes = 800;

}  // namespace

void RunFilterJob(TPelmarindMainForm& form, const std::string& editorText, const std::string& programInput,
                  const std::string& program, const std::string& passedOnList, const IoModes& modes) {
    HostLock lock(HostWindow, HostOwnerWindow);
    ScopeGuard unlock([&] {
        lock.RestoreTitles();
        lock.Unlock();
        BringHostToFront(HostWindow);
    });

    RunningWindow running(form.Application().Instance(), program, lock);
    FilterResult run = RunFilter(GetShortPath(program), passedOnList, HasSwitch("/hide"), programInput,
                                 static_cast<std::size_t>(kMaxTextBytes), &running);
    if (run.Outcome == RunOutcome::NotStarted) {
        ShowWarning(LaunchFailedMessage(program, passedOnList, {}));
        return;
    }
    if (run.Outcome == RunOutcome::Aborted) return;

    lock.RestoreTitles();
    if (run.ExitCode != 0) {
        std::string errors = run.ErrorHead;
        if (modes.utf8) errors = ErrorTextFromUtf8(errors);
        ShowWarning(FormatMessageTexts(kFilterFailed, {std::to_string(run.ExitCode),
                                                       FirstLines(errors, kErrorLines, kErrorBytes, SystemCodePage())}));
        return;
    }
    if (run.OutputTooLarge) {
        ShowWarning(kFilterOutputTooLarge);
        return;
    }
    // A filter that fails often says nothing: an empty output for a text is
    // no result.
    if (run.Output.empty() && !editorText.empty()) {
        ShowWarning(kFilterNoOutput);
        return;
    }
    std::string result = std::move(run.Output);
    // A result that is not put back has no file yet: one is made for it.
    const KeepResult keepResult = [&] { return KeepInNewTempFile(result); };
    if (modes.utf8 && !ResultFromUtf8(result, keepResult)) return;
    PutResultBack(result, keepResult);
}
