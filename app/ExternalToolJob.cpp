#include "app/ExternalToolJob.h"

#include <optional>

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
bool PrepareInput(const RunRequest& request, const std::string& editorText, ProgramInput& input) {
    input.bytes = &editorText;
    if (request.modes.utf8) {
        const TextConversion conversion = Cp932ToUtf8(editorText, input.utf8);
        if (!conversion.ok()) {
            ShowWarning(FormatMessageText(kTextNotUtf8, std::to_string(conversion.line)));
            return false;
        }
        input.bytes = &input.utf8;
    }
    if (request.modes.pipe) return true;
    input.file = TempFile::Create();
    if (input.file.Empty()) {
        ShowWarning(kTempFileFailed);
        return false;
    }
    if (!request.extension.empty()) input.file.ChangeExtension("." + request.extension);
    return true;
}

}  // namespace

void RunExternalToolJob(HINSTANCE instance, const RunRequest& request, std::string& editorText,
                        double& initialModifiedTime) {
    ProgramInput input;
    if (!PrepareInput(request, editorText, input)) return;
    // From here on, whatever happens, the titles come back, the windows are
    // enabled and the host comes to the front (the lock's end), and the
    // temporary file goes unless it holds a result that was kept.
    HostLock lock(HostWindow, HostOwnerWindow);
    EndPhase("temporary file and lock");
    std::optional<RunningWindow> running(std::in_place, instance, request.program);
    const Transport transport = request.modes.pipe ? RunThroughPipe : RunThroughFile;
    ProgramRun run = transport(request, input, *running);
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
    TakeResult(request, input, run, editorText);
}
