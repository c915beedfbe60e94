#include "app/RunResult.h"

#include <new>
#include <optional>
#include <string_view>

#include "app/Messages.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/PhaseLog.h"
#include "support/core/FilterText.h"
#include "support/core/ResultText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "support/core/Utf8Text.h"

namespace {

// How much of the program's error output a message quotes.
constexpr std::size_t kErrorLines = 8;
constexpr std::size_t kErrorBytes = 800;

// Keeps a result that is not put back: in the temporary file that holds it,
// or (through the pipe, which has none) in a new one. The file's name.
std::string KeepResult(ProgramInput& input, const std::string& result) {
    return input.file.Empty() ? KeepInNewTempFile(result) : input.file.Keep();
}

// The user kept the text: the result stays in a file and a message names
// it. Through the pipe an empty output leaves nothing to keep or say.
void KeepDeclinedResult(ProgramInput& input, const std::string& result) {
    if (input.file.Empty() && result.empty()) return;
    const std::string kept = KeepResult(input, result);
    ShowWarning(FormatMessageText(kResultDeclined, kept));
}

// A program's error output, from UTF-8 for a message; as it is when it is not
// UTF-8 (a program that said it speaks UTF-8 may not in its errors).
std::string ErrorTextFromUtf8(const std::string& errors) {
    std::string converted;
    return Utf8ToCp932(errors, converted).ok() ? converted : errors;
}

// A program that ended with an exit code other than 0 may still have left a
// usable result (exit code 1 of a comparison or a search often means
// "differences found" or "nothing matched"): the user decides, いいえ being
// the default. The first lines of its standard error, where it has one and
// wrote any, are quoted.
bool FailedResultAccepted(const RunRequest& request, const ProgramRun& run) {
    std::string errors = run.filter.ErrorHead;
    if (request.modes.utf8) errors = ErrorTextFromUtf8(errors);
    errors = FirstLines(errors, kErrorLines, kErrorBytes, SystemCodePage());
    return AskWarning(FormatMessageTexts(kProgramFailedAsk,
                                         {std::to_string(run.exitCode), errors.empty() ? "" : "\r\n" + errors + "\r\n"}));
}

// In place of the selection, or of the whole text when the selection was
// empty. When the editor does not take it (gone, or no section could carry
// it), the result is kept and the kept-result message names the file.
void PutResultBack(const std::string& result, bool replaceSelection, ProgramInput& input) {
    const bool handedOver = replaceSelection ? SetHostSelText(HostWindow, result) : SetHostAllText(HostWindow, result);
    if (!handedOver) ShowWarning(FormatMessageText(kResultKept, KeepResult(input, result)));
}

void Take(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText) {
    const bool textWasEmpty = input.bytes->empty();
    std::string* result = &run.filter.Output;
    // The line ends of the text handed over, found before the text's storage
    // takes the result; otherwise looked at only where the result needs it.
    std::optional<LineEnds> handedOverEnds;
    if (request.modes.pipe) {
        if (run.filter.OutputTooLarge) {
            ShowWarning(kFilterOutputTooLarge);
            return;
        }
        if (run.exitCode != 0 && !FailedResultAccepted(request, run)) {
            KeepDeclinedResult(input, *result);
            return;
        }
    } else {
        if (run.exitCode != 0 && !FailedResultAccepted(request, run)) {
            KeepDeclinedResult(input, {});
            return;
        }
        if (!request.modes.exact && input.bytes == &editorText) handedOverEnds = FindLineEnds(editorText);
        // A result larger than the tool can hold stays in the file, which is
        // all that is left of it; so does one that cannot be read (the
        // message names the file).
        bool loaded = false;
        try {
            loaded = LoadTextFromFile(input.file.Name(), editorText);
        } catch (...) {
            input.file.Keep();
            throw;
        }
        if (!loaded) {
            ShowWarning(FormatMessageText(kResultKept, input.file.Keep()));
            return;
        }
        EndPhase("read back");
        result = &editorText;
    }
    // (With /io=exact the text handed over is not looked at: through a file
    // its storage may already hold the result.)
    const PreparedResult prepared = handedOverEnds
                                        ? PrepareResult(*result, request.modes, *handedOverEnds)
                                        : PrepareResult(*result, request.modes, std::string_view(*input.bytes));
    if (prepared.verdict == ResultVerdict::HoldsNul) {
        const std::string kept = KeepResult(input, *result);
        ShowWarning(FormatMessageText(kResultKept, kept));
        return;
    }
    if (prepared.verdict == ResultVerdict::NotCp932) {
        const std::string kept = KeepResult(input, *result);
        ShowWarning(FormatMessageTexts(kResultNotShiftJis, {std::to_string(prepared.conversion.line),
                                                            ConversionFaultText(prepared.conversion), kept}));
        return;
    }
    EndPhase("result prepared");
    // A program that failed silently often leaves nothing: an empty result
    // for a text is put back only when the user says so.
    if (result->empty() && !textWasEmpty && run.exitCode == 0 && !AskWarning(kEmptyResultAsk)) {
        KeepDeclinedResult(input, *result);
        return;
    }
    PutResultBack(*result, request.replaceSelection, input);
    EndPhase("write-back");
}

}  // namespace

void TakeResult(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText) {
    // Through a file, a file the program did not change holds no result.
    if (!request.modes.pipe && !run.changed) {
        if (run.exitCode != 0) ShowWarning(FormatMessageText(kProgramFailedUnchanged, std::to_string(run.exitCode)));
        return;
    }
    try {
        Take(request, input, run, editorText);
    } catch (const std::bad_alloc&) {
        // Out of memory while the result was read, converted or handed over:
        // it is kept where it is (the temporary file is marked first), or
        // through the pipe in a new file, and named.
        const std::string kept = input.file.Empty() ? KeepInNewTempFile(run.filter.Output) : input.file.Keep();
        ShowWarning(FormatMessageText(kResultKept, kept));
    }
}
