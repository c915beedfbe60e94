#include "app/RunResult.h"

#include "app/Messages.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/PhaseLog.h"
#include "support/core/FilterText.h"
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

// A program's error output, from UTF-8 for a message; as it is when it is not
// UTF-8 (a program that said it speaks UTF-8 may not in its errors).
std::string ErrorTextFromUtf8(const std::string& errors) {
    std::string converted;
    return Utf8ToCp932(errors, converted).ok() ? converted : errors;
}

// A filter's output is a result only when the program ended with exit code
// 0, all of it was had, and it wrote something (a filter that fails often
// says nothing); a message says why not.
bool FilterOutputUsable(const RunRequest& request, const FilterResult& filter, const std::string& editorText) {
    if (filter.ExitCode != 0) {
        std::string errors = filter.ErrorHead;
        if (request.modes.utf8) errors = ErrorTextFromUtf8(errors);
        ShowWarning(FormatMessageTexts(kFilterFailed, {std::to_string(filter.ExitCode),
                                                       FirstLines(errors, kErrorLines, kErrorBytes, SystemCodePage())}));
        return false;
    }
    if (filter.OutputTooLarge) {
        ShowWarning(kFilterOutputTooLarge);
        return false;
    }
    if (filter.Output.empty() && !editorText.empty()) {
        ShowWarning(kFilterNoOutput);
        return false;
    }
    return true;
}

// Converts a program's UTF-8 result to code page 932 in place. When it cannot
// be converted exactly, nothing is put back: the result is kept and a
// message names the file, the first thing that stands in the way and its
// line. False then.
bool ResultFromUtf8(std::string& result, ProgramInput& input) {
    std::string converted;
    const TextConversion conversion = Utf8ToCp932(result, converted);
    if (conversion.ok()) {
        result = std::move(converted);
        return true;
    }
    const std::string what =
        conversion.fault == TextConversion::Fault::NoCp932Form ? CodePointText(conversion.codePoint) : kInvalidUtf8;
    ShowWarning(FormatMessageTexts(kResultNotShiftJis, {std::to_string(conversion.line), what, KeepResult(input, result)}));
    return false;
}

// In place of the selection, or of the whole text when the selection was
// empty. When the editor does not take it (gone, or no section could carry
// it), the result is kept and the kept-result message names the file.
void PutResultBack(const std::string& result, bool replaceSelection, ProgramInput& input) {
    const bool handedOver = replaceSelection ? SetHostSelText(HostWindow, result) : SetHostAllText(HostWindow, result);
    if (!handedOver) ShowWarning(FormatMessageText(kResultKept, KeepResult(input, result)));
}

}  // namespace

void TakeResult(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText) {
    std::string* result = &run.filter.Output;
    if (request.modes.pipe) {
        if (!FilterOutputUsable(request, run.filter, editorText)) return;
    } else {
        if (!run.changed) return;
        // A result larger than the tool can hold stays in the file, which is
        // all that is left of it.
        if (!LoadTextFromFile(input.file.Name(), editorText)) {
            ShowWarning(FormatMessageText(kResultKept, input.file.Keep()));
            return;
        }
        EndPhase("read back");
        result = &editorText;
    }
    if (request.modes.utf8 && !ResultFromUtf8(*result, input)) return;
    PutResultBack(*result, request.replaceSelection, input);
    EndPhase("write-back");
}
