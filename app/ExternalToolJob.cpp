#include "app/ExternalToolJob.h"

#include <optional>

#include "app/CommandPlace.h"
#include "app/HostLock.h"
#include "app/Messages.h"
#include "app/RunResult.h"
#include "app/RunningWindow.h"
#include "app/Transports.h"
#include "host/HostLink.h"
#include "support/PhaseLog.h"
#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "support/core/Utf8Text.h"

namespace {

// The program's input, made before anything is locked: its UTF-8 form (a
// program that reads UTF-8 gets the text only when every byte of it
// converts), and for a run through a file the temporary file with its
// extension. False, after a message, when the run cannot go ahead.
bool PrepareInput(const RunRequest& request, const CommandPlan& plan, const std::string& editorText,
                  ProgramInput& input) {
    input.bytes = &editorText;
    if (request.modes.utf8) {
        const TextConversion conversion = Cp932ToUtf8(editorText, input.utf8);
        if (!conversion.ok()) {
            ShowWarning(FormatMessageText(kTextNotUtf8, std::to_string(conversion.line)));
            return false;
        }
        input.bytes = &input.utf8;
    }
    // With placeholders, the text goes into a file only where {in} takes it.
    if (request.modes.pipe || (plan.use.any && !plan.use.in)) return true;
    input.file = TempFile::Create();
    if (input.file.Empty()) {
        ShowWarning(kTempFileFailed);
        return false;
    }
    if (!request.extension.empty()) input.file.ChangeExtension("." + request.extension);
    return true;
}

}  // namespace

void RunExternalToolJob(HINSTANCE instance, const RunRequest& given, std::string& editorText,
                        double& initialModifiedTime) {
    const std::optional<CommandPlan> plan = PlanCommand(given);
    if (!plan) return;
    if (plan->webAddress) {
        OpenWebAddress(given, *plan, editorText);
        return;
    }
    RunRequest request = given;
    ProgramInput input;
    if (!PrepareInput(request, *plan, editorText, input)) return;
    if (plan->use.any && !ExpandCommand(request, *plan, editorText, input)) return;
    // From here on, whatever happens, the titles come back, the windows are
    // enabled and the host comes to the front (the lock's end), and the
    // temporary files go unless one holds a result that was kept.
    HostLock lock(HostWindow, HostOwnerWindow);
    EndPhase("temporary file and lock");
    std::optional<RunningWindow> running(std::in_place, instance, request.program);
    const Transport transport = request.modes.pipe ? RunThroughPipe : RunThroughFile;
    ProgramRun run = [&] {
        const ScopedCurrentFolder folder(plan->folder);
        return transport(request, input, *running);
    }();
    // The running window goes with the program: what follows may take a
    // while (a large result), and nothing would serve the window then.
    running.reset();
    initialModifiedTime = run.initialModifiedTime;
    // A failed launch is reported while the titles still say that the host
    // is locked; after a refusal or an abort nothing more is said.
    if (run.end == RunEnd::NotStarted) {
        ShowWarning(LaunchFailedMessage(request.program, request.passedOnList, run.handedOn));
    }
    if (run.end != RunEnd::Ended) return;
    lock.RestoreTitles();
    if (!input.output.Empty()) {
        // {out}: the file the program made is the result, under the same
        // rules as the temporary file's (the text's file goes now).
        if (!run.changed) {
            ShowWarning(FormatMessageText(kNoOutputFile, std::to_string(run.exitCode)));
            return;
        }
        input.file = std::move(input.output);
    }
    TakeResult(request, input, run, editorText);
}
