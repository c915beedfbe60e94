#include "app/Transports.h"

#include "app/Messages.h"
#include "base/NativeSystemFolder.h"
#include "host/core/TextSize.h"
#include "support/FileHelpers.h"
#include "support/PhaseLog.h"
#include "support/core/Texts.h"

namespace {

// The program as the command line names it (its short path, quoted when
// that still holds a blank), found where it is started: in the system's own
// system folder (a 64-bit one included) first, else in the folder the system
// shows a 32-bit program in its place (where 32-bit installers put theirs).
std::string ProgramPath(const RunRequest& request) {
    {
        const NativeSystemFolder nativeSystemFolder;
        if (!nativeSystemFolder.Active() || NamesExistingFile(request.program)) {
            return UsableProgramPath(request.program);
        }
    }
    return UsableProgramPath(request.program);
}

RunEnd EndOf(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::NotStarted:
        return RunEnd::NotStarted;
    case RunOutcome::Aborted:
        return RunEnd::Aborted;
    case RunOutcome::NoPipes:
        return RunEnd::Refused;
    case RunOutcome::Ended:
        break;
    }
    return RunEnd::Ended;
}

}  // namespace

ProgramRun RunThroughFile(const RunRequest& request, ProgramInput& input, RunObserver& observer) {
    ProgramRun run;
    const std::string& file = input.file.Name();
    if (!input.file.Empty()) {
        SaveTextToFile(*input.bytes, file);
        EndPhase("file write");
        run.initialModifiedTime = GetFileModifiedTime(file);
        EndPhase("time query");
        // Without the first time stamp the program's result could not be told
        // from the text handed over, and would be ignored: it does not run.
        if (run.initialModifiedTime == 0) {
            ShowWarning(kTimeStampFailed);
            run.end = RunEnd::Refused;
            return run;
        }
        if (!input.templated) run.handedOn = HandedOnFileName(file);
    }
    const std::string tail = input.templated ? request.passedOnList : request.passedOnList + " " + run.handedOn;
    run.end = EndOf(RunAndWait(ProgramPath(request), tail, request.hide, &observer, &run.exitCode));
    if (run.end != RunEnd::Ended) return run;
    EndPhase("process start and wait");
    if (!input.output.Empty()) {
        run.changed = GetFileAttributesA(input.output.Name().c_str()) != INVALID_FILE_ATTRIBUTES;
    } else if (!input.file.Empty()) {
        // A time set back counts as a change too; with the same time (a
        // converter that keeps it, 2-second times, a run within one tick) the
        // bytes decide, compared a piece at a time (ResultChanged's rule).
        run.changed = GetFileModifiedTime(file) != run.initialModifiedTime || !FileHoldsExactly(file, *input.bytes);
    }
    return run;
}

ProgramRun RunThroughPipe(const RunRequest& request, ProgramInput& input, RunObserver& observer) {
    ProgramRun run;
    run.filter = RunFilter(ProgramPath(request), request.passedOnList, request.hide, *input.bytes,
                           static_cast<std::size_t>(kMaxTextBytes), &observer);
    run.end = EndOf(run.filter.Outcome);
    run.exitCode = run.filter.ExitCode;
    if (run.filter.Outcome == RunOutcome::NoPipes) ShowWarning(kPipesFailed);
    return run;
}
