#include "app/RunRequest.h"

#include "app/AskDialog.h"
#include "app/LockWatcher.h"
#include "app/Messages.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/Switches.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

namespace {

// The dialog's first options are the menu entry's own switches: /io= as it
// would run without the dialog; without a /io= a filter (the dialog's
// default), unless /hide asks for a command interpreter's console to be
// hidden, which only a run through a file has.
AskInitial InitialOptions(const std::string& ioValue, const IoModes& modes, bool hide, OutputMode output) {
    const bool pipe = ioValue.empty() ? !hide : modes.pipe;
    return AskInitial{pipe, modes.utf8, hide, output};
}

// The dialog disables the editor's main window while it is open: if the tool
// is ended or crashes meanwhile, a watcher enables it again (the titles are
// not touched).
std::optional<AskAnswer> AskWatched(HINSTANCE instance, const AskInitial& initial) {
    const bool mainWasEnabled = HostWindow != HostOwnerWindow && IsWindowEnabled(HostWindow);
    LockWatcher watcher(LockState{HostWindow, HostOwnerWindow, mainWasEnabled, {}, {}});
    watcher.TitlesRestored();
    return AskForCommand(instance, HostWindow, initial);
}

}  // namespace

std::optional<RunRequest> ReadRunRequest(HINSTANCE instance, bool replaceSelection) {
    RunRequest request;
    const bool ask = HasSwitch("/ask");
    if (!ask) {
        request.program = GetSwitchValue("/app=");
        if (request.program.empty()) request.program = GetHostExeName(HostWindow);
    }
    request.passedOnList = MakePassedOnList();
    const std::string ioValue = GetSwitchValue("/io=");
    const std::optional<IoModes> modes = ParseIoModes(ioValue, SystemCodePage());
    if (!modes) {
        ShowWarning(FormatMessageText(kIoSwitchInvalid, ioValue));
        return std::nullopt;
    }
    request.modes = *modes;
    const std::string outValue = GetSwitchValue("/out=");
    const std::optional<OutputMode> output = ParseOutputMode(outValue, SystemCodePage());
    if (!output) {
        ShowWarning(FormatMessageText(kOutSwitchInvalid, outValue));
        return std::nullopt;
    }
    request.output = *output;
    request.extension = GetSwitchValue("/ext=");
    request.hide = HasSwitch("/hide");
    request.replaceSelection = replaceSelection;
    if (ask) {
        // The typed command takes the place of /app=, its options those of
        // /io=pipe, /io=utf8, /hide and /out=; /io=exact stays as the entry gives it.
        const std::optional<AskAnswer> answer =
            AskWatched(instance, InitialOptions(ioValue, *modes, request.hide, request.output));
        if (!answer) return std::nullopt;
        request.program = answer->command;
        request.modes.pipe = answer->pipe;
        request.modes.utf8 = answer->utf8;
        request.hide = answer->hide;
        request.output = answer->output;
    }
    return request;
}
