#include "app/CommandPlace.h"

#include <shellapi.h>

#include "app/Messages.h"
#include "base/Handles.h"
#include "base/CodePageWin32.h"
#include "support/FileHelpers.h"
#include "support/Settings.h"
#include "support/Switches.h"
#include "support/core/CommandLine.h"
#include "support/core/InterpreterCommand.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

namespace {

CommandParts PartsOf(const RunRequest& request) {
    return CommandParts{request.program, request.modeSwitch, request.passedOn};
}

bool IsWebAddress(const std::string& command) {
    const std::string lowered = SystemCodePage().Lowered(command.substr(0, 8));
    return lowered.rfind("http://", 0) == 0 || lowered.rfind("https://", 0) == 0;
}

std::string TempFolder() {
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(folder, length);
}

// The folder of the program's file: the command itself where it names a
// file, else its first piece as the system would find it (with .exe).
std::string ProgramFolder(const std::string& program) {
    std::string file = program;
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::vector<std::string> pieces = SplitCommandLine(program);
        if (pieces.empty()) return {};
        char found[MAX_PATH] = {};
        const DWORD length = SearchPathA(nullptr, pieces[0].c_str(), ".exe", MAX_PATH, found, nullptr);
        if (length == 0 || length >= MAX_PATH) return {};
        file = found;
    }
    char full[MAX_PATH] = {};
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(file.c_str(), MAX_PATH, full, &name);
    if (length == 0 || length >= MAX_PATH || name == nullptr) return {};
    return std::string(full, static_cast<std::size_t>(name - full));
}

void ShowFault(TemplateFault fault, const std::string& text) {
    switch (fault) {
    case TemplateFault::None: return;
    case TemplateFault::UnknownName: ShowWarning(FormatMessageText(kUnknownPlaceholder, text)); return;
    case TemplateFault::SelectionLineEnd: ShowWarning(kSelectionLineEnd); return;
    case TemplateFault::SelectionTooLong: ShowWarning(kSelectionTooLong); return;
    case TemplateFault::SelectionForCmd: ShowWarning(kSelectionForCmd); return;
    case TemplateFault::SelectionNotCp932: ShowWarning(FormatMessageText(kSelectionNotCp932, text)); return;
    case TemplateFault::FileWithPipe: ShowWarning(kFileWithoutFile); return;
    }
}

}  // namespace

std::optional<CommandPlan> PlanCommand(const RunRequest& request) {
    CommandPlan plan;
    const TemplateScan scan = ScanTemplate(PartsOf(request), SystemCodePage());
    if (scan.fault != TemplateFault::None) {
        ShowFault(scan.fault, scan.faultText);
        return std::nullopt;
    }
    plan.use = scan.use;
    plan.webAddress = IsWebAddress(request.program);
    const std::string lowered = SystemCodePage().Lowered(request.folder);
    if (lowered == "temp") {
        plan.folder = TempFolder();
    } else if (lowered == "app") {
        plan.folder = ProgramFolder(request.program);
        if (plan.folder.empty()) {
            ShowWarning(FormatMessageText(kProgramFolderMissing, request.program));
            return std::nullopt;
        }
    } else if (!request.folder.empty()) {
        plan.folder = ExpandDefDir(request.folder);
    }
    if (!plan.folder.empty() && !IsExistingDir(plan.folder)) {
        ShowWarning(FormatMessageText(kFolderMissing, plan.folder));
        return std::nullopt;
    }
    return plan;
}

bool ExpandCommand(RunRequest& request, const CommandPlan& plan, const std::string& editorText, ProgramInput& input) {
    TemplateValues values;
    values.selection = editorText;
    values.pipe = request.modes.pipe || plan.webAddress;
    values.interpreter = IsInterpreterCommand(request.program, SystemCodePage());
    if (!input.file.Empty()) values.inFile = HandedOnFileName(input.file.Name());
    if (plan.use.out && !values.pipe) {
        // A name the system made unique; the file itself goes, so that a
        // program that will not overwrite a file writes it all the same and
        // one that writes nothing is seen.
        input.output = TempFile::Create();
        if (input.output.Empty()) {
            ShowWarning(kTempFileFailed);
            return false;
        }
        if (!request.outExtension.empty()) input.output.ChangeExtension("." + request.outExtension);
        DeleteFileA(input.output.Name().c_str());
        values.outFile = HandedOnFileName(input.output.Name());
    }
    const ExpandedCommand expanded = ExpandTemplate(PartsOf(request), values, SystemCodePage());
    if (expanded.fault != TemplateFault::None) {
        ShowFault(expanded.fault, expanded.faultText);
        return false;
    }
    request.program = expanded.program;
    request.passedOnList = expanded.passedOnList;
    input.templated = true;
    return true;
}

void OpenWebAddress(const RunRequest& request, const CommandPlan& plan, const std::string& editorText) {
    RunRequest address = request;
    ProgramInput none;
    if (plan.use.any && !ExpandCommand(address, plan, editorText, none)) return;
    // The shell is loaded only here: imported, it would cost every start of
    // the tool.
    const SystemLibrary shell("shell32.dll");
    const auto shellExecute = shell.Get<decltype(&ShellExecuteA)>("ShellExecuteA");
    const INT_PTR result =
        shellExecute == nullptr
            ? 0
            : reinterpret_cast<INT_PTR>(shellExecute(HostOwnerForMessages(), "open", address.program.c_str(), nullptr,
                                                     plan.folder.empty() ? nullptr : plan.folder.c_str(), SW_SHOWNORMAL));
    if (result <= 32) {
        ShowWarning(FormatMessageText(kWebAddressFailed, address.program));
        return;
    }
    // A place for the result that was asked for (a value of /out= other than
    // none, replace when written out) gets nothing: the user is told so.
    const bool placeAsked = request.output == OutputMode::After || request.output == OutputMode::Show ||
                            request.output == OutputMode::Copy ||
                            (request.output == OutputMode::Replace && !CommandSwitches().out.empty());
    if (placeAsked) ShowWarning(kWebAddressNoResult);
}

ScopedCurrentFolder::ScopedCurrentFolder(const std::string& folder) {
    if (folder.empty()) return;
    char previous[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, previous);
    if (length == 0 || length >= MAX_PATH) return;
    if (SetCurrentDirectoryA(folder.c_str())) previous_.assign(previous, length);
}

ScopedCurrentFolder::~ScopedCurrentFolder() {
    if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
}
