#include "app/RunResult.h"

#include <new>
#include <optional>
#include <string_view>

#include "app/Messages.h"
#include "app/ResultWindow.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/Clipboard.h"
#include "support/FileHelpers.h"
#include "support/UnicodeText.h"
#include "support/PhaseLog.h"
#include "support/core/FilterText.h"
#include "support/core/ResultText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "support/core/Utf8Text.h"

namespace {

// How much of the program's error output a message quotes, and the result
// window (all that the pipe keeps of it).
constexpr std::size_t kErrorLines = 8;
constexpr std::size_t kErrorBytes = 800;
constexpr std::size_t kWindowErrorLines = 200;
constexpr std::size_t kWindowErrorBytes = 8192;

// Keeps a result that is not put back: in the temporary file that holds it,
// or (through the pipe, which has none) in a new one. The file's name.
std::string KeepResult(ProgramInput& input, const std::string& result) {
    return input.file.Empty() ? KeepInNewTempFile(result) : input.file.Keep();
}

// The message of a result that is not put back: `keptMessage` names the file
// that keeps it; where none could (the temporary-files folder full or not
// writable), the user is told so after `reason`, never shown an empty name.
void ShowKeptResult(const std::string& kept, const std::string& keptMessage, const std::string& reason) {
    ShowWarning(kept.empty() ? reason + kResultNotKept : keptMessage);
}
void ShowKeptResult(const std::string& kept) {
    ShowKeptResult(kept, FormatMessageText(kResultKept, kept), kWriteBackFailed);
}

// The user kept the text: the result stays in a file and a message names
// it. Through the pipe an empty output leaves nothing to keep or say.
void KeepDeclinedResult(ProgramInput& input, const std::string& result) {
    if (input.file.Empty() && result.empty()) return;
    const std::string kept = KeepResult(input, result);
    ShowKeptResult(kept, FormatMessageText(kResultDeclined, kept), "");
}

// The first lines of a program's error output, readable whatever its
// encoding.
std::string ReadableErrors(const ProgramRun& run, std::size_t lines, std::size_t bytes) {
    return FirstLines(ReadableErrorText(run.filter.ErrorHead, kMissingCharacterMark), lines, bytes, SystemCodePage());
}
// Those of a message, between line breaks; empty when it wrote none.
std::string ErrorLines(const ProgramRun& run) {
    const std::string errors = ReadableErrors(run, kErrorLines, kErrorBytes);
    return errors.empty() ? "" : "\r\n" + errors + "\r\n";
}

// A program that ended with an exit code other than 0 may still have left a
// usable result (exit code 1 of a comparison or a search often means
// "differences found" or "nothing matched"): the user decides, いいえ being
// the default. The first lines of its standard error, where it has one and
// wrote any, are quoted.
bool FailedResultAccepted(const ProgramRun& run) {
    return AskWarning(FormatMessageTexts(kProgramFailedAsk, {std::to_string(run.exitCode), ErrorLines(run)}));
}

// In place of the selection, or of the whole text when the selection was
// empty. When the editor does not take it (gone, or no section could carry
// it), the result is kept and the kept-result message names the file.
void PutResultBack(const std::string& result, bool replaceSelection, ProgramInput& input) {
    const bool handedOver = replaceSelection ? SetHostSelText(HostWindow, result) : SetHostAllText(HostWindow, result);
    if (!handedOver) ShowKeptResult(KeepResult(input, result));
}

// What the program left, made into a result: its bytes (the filter's output,
// or the file read back) and what can be done with them.
enum class Verdict { Usable, TooLarge, NotLoaded, HoldsNul, NotCp932 };
struct MadeResult {
    std::string* bytes = nullptr;
    Verdict verdict = Verdict::Usable;
    TextConversion conversion;  // the fault of NotCp932
};

// Through a file the result is read into `storage`, which for a result that
// replaces the text is the editor text's own (not needed any more: its line
// ends are found before it is overwritten).
MadeResult MakeResult(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& storage) {
    MadeResult made;
    made.bytes = &run.filter.Output;
    std::optional<LineEnds> handedOverEnds;
    if (request.modes.pipe) {
        if (run.filter.OutputTooLarge) {
            made.verdict = Verdict::TooLarge;
            return made;
        }
    } else {
        if (!request.modes.exact && input.bytes == &storage) handedOverEnds = FindLineEnds(storage);
        // A result larger than the tool can hold stays in the file, which is
        // all that is left of it; so does one that cannot be read.
        bool loaded = false;
        try {
            loaded = LoadTextFromFile(input.file.Name(), storage);
        } catch (...) {
            input.file.Keep();
            throw;
        }
        if (!loaded) {
            made.verdict = Verdict::NotLoaded;
            return made;
        }
        EndPhase("read back");
        made.bytes = &storage;
    }
    // (With /io=exact the text handed over is not looked at: through a file
    // its storage may already hold the result.)
    const PreparedResult prepared = handedOverEnds
                                        ? PrepareResult(*made.bytes, request.modes, *handedOverEnds)
                                        : PrepareResult(*made.bytes, request.modes, std::string_view(*input.bytes));
    if (prepared.verdict == ResultVerdict::HoldsNul) made.verdict = Verdict::HoldsNul;
    if (prepared.verdict == ResultVerdict::NotCp932) made.verdict = Verdict::NotCp932, made.conversion = prepared.conversion;
    EndPhase("result prepared");
    return made;
}

// A result that cannot go into the editor: kept where it can be, and said.
void RefuseResult(const MadeResult& made, ProgramInput& input) {
    switch (made.verdict) {
    case Verdict::TooLarge:
        ShowWarning(kFilterOutputTooLarge);
        break;
    case Verdict::NotLoaded:
        ShowKeptResult(input.file.Keep());
        break;
    case Verdict::HoldsNul:
        ShowKeptResult(KeepResult(input, *made.bytes));
        break;
    case Verdict::NotCp932: {
        const std::string kept = KeepResult(input, *made.bytes);
        const std::string line = std::to_string(made.conversion.line);
        const std::string fault = ConversionFaultText(made.conversion);
        ShowKeptResult(kept, FormatMessageTexts(kResultNotShiftJis, {line, fault, kept}),
                       FormatMessageTexts(kResultNotShiftJisHead, {line, fault}));
        break;
    }
    case Verdict::Usable:
        break;
    }
}

// /out=replace. A program that failed silently often leaves nothing: an
// empty result for a text is put back only when the user says so (after a
// failure too: the question whether to use the result did not say that it
// is empty).
void DeliverReplace(const RunRequest& request, ProgramInput& input, const MadeResult& made, bool textWasEmpty) {
    if (made.verdict != Verdict::Usable) return RefuseResult(made, input);
    if (made.bytes->empty() && !textWasEmpty && !AskWarning(kEmptyResultAsk)) {
        KeepDeclinedResult(input, *made.bytes);
        return;
    }
    PutResultBack(*made.bytes, request.replaceSelection, input);
    EndPhase("write-back");
}

// /out=after: the text handed over, as it was, and the result after it.
void DeliverAfter(const RunRequest& request, ProgramInput& input, const MadeResult& made,
                  const std::string& handedOver) {
    if (made.verdict != Verdict::Usable) return RefuseResult(made, input);
    if (made.bytes->empty()) return;
    PutResultBack(TextWithResultAfter(handedOver, *made.bytes), request.replaceSelection, input);
    EndPhase("write-back");
}

// /out=copy: as Unicode, so that a character code page 932 lacks is copied
// too; a result that holds a NUL, or that could not be had, is not.
void DeliverCopy(const RunRequest& request, ProgramInput& input, const MadeResult& made) {
    if (made.verdict != Verdict::Usable && made.verdict != Verdict::NotCp932) return RefuseResult(made, input);
    const std::wstring unicode = made.verdict == Verdict::Usable ? UnicodeFromCp932(*made.bytes)
                                                                 : UnicodeResult(*made.bytes, request.modes.utf8);
    if (CopyToClipboard(unicode)) return;
    const std::string kept = KeepResult(input, *made.bytes);
    ShowKeptResult(kept, FormatMessageText(kCopyFailedKept, kept), kCopyFailed);
}

// /out=show: the result window, whose 置き換える and 後ろに挿入 do what
// replace and after do (the user has seen the result: nothing more is
// asked); closed, nothing changes. A result that code page 932 cannot hold
// is shown too, with those two disabled.
void DeliverShow(const RunRequest& request, ProgramInput& input, const ProgramRun& run, const MadeResult& made,
                 const std::string& handedOver) {
    if (made.verdict != Verdict::Usable && made.verdict != Verdict::NotCp932) return RefuseResult(made, input);
    ResultView view;
    const bool usable = made.verdict == Verdict::Usable;
    view.result = usable ? UnicodeFromCp932(*made.bytes) : UnicodeResult(*made.bytes, request.modes.utf8);
    view.failed = run.exitCode != 0;
    if (view.failed) view.status = FormatMessageText(kResultWindowFailed, std::to_string(run.exitCode));
    view.errors = ReadableErrors(run, kWindowErrorLines, kWindowErrorBytes);
    if (!usable) {
        view.notForEditor = FormatMessageTexts(
            kResultWindowNotCp932, {std::to_string(made.conversion.line), ConversionFaultText(made.conversion)});
    }
    switch (ShowResultWindow(view)) {
    case ResultChoice::Replace:
        PutResultBack(*made.bytes, request.replaceSelection, input);
        break;
    case ResultChoice::After:
        if (!made.bytes->empty()) {
            PutResultBack(TextWithResultAfter(handedOver, *made.bytes), request.replaceSelection, input);
        }
        break;
    case ResultChoice::Close:
        break;
    }
}

void Take(const RunRequest& request, ProgramInput& input, ProgramRun& run, std::string& editorText) {
    const bool textWasEmpty = input.bytes->empty();
    const OutputMode output = request.output;
    if (run.exitCode != 0) {
        // A program that failed and wrote nothing through the pipe has
        // nothing to offer: it is only reported, as through a file with the
        // file unchanged.
        const std::string code = std::to_string(run.exitCode);
        if (request.modes.pipe && run.filter.Output.empty()) {
            ShowWarning(FormatMessageTexts(kProgramFailedNoOutput, {code, ErrorLines(run)}));
            return;
        }
        // Nor is anything offered where the result would not go into the
        // text; the result window says so itself, and asks nothing more.
        if (output == OutputMode::Copy || output == OutputMode::None) {
            ShowWarning(FormatMessageTexts(kProgramFailedNotUsed, {code, ErrorLines(run)}));
            return;
        }
        // An output cut at the limit is no result to offer or to keep: it is
        // refused as too large below.
        const bool cut = request.modes.pipe && run.filter.OutputTooLarge;
        if (output != OutputMode::Show && !cut && !FailedResultAccepted(run)) {
            KeepDeclinedResult(input, request.modes.pipe ? run.filter.Output : std::string());
            return;
        }
    }
    if (output == OutputMode::None) return;
    // Only a result that replaces the text may take the text's storage.
    std::string loaded;
    const MadeResult made = MakeResult(request, input, run, output == OutputMode::Replace ? editorText : loaded);
    switch (output) {
    case OutputMode::Replace:
        return DeliverReplace(request, input, made, textWasEmpty);
    case OutputMode::After:
        return DeliverAfter(request, input, made, editorText);
    case OutputMode::Show:
        return DeliverShow(request, input, run, made, editorText);
    case OutputMode::Copy:
        return DeliverCopy(request, input, made);
    case OutputMode::None:
        break;
    }
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
        ShowKeptResult(input.file.Empty() ? KeepInNewTempFile(run.filter.Output) : input.file.Keep());
    }
}
