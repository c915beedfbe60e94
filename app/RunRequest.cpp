#include "app/RunRequest.h"

#include "app/AskDialog.h"
#include "app/HostLock.h"
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
AskInitial InitialOptions(const std::string& ioValue, const IoModes& modes, bool hide, OutputMode output,
                          const std::string& folder) {
    const bool pipe = ioValue.empty() ? !hide : modes.pipe;
    return AskInitial{pipe, modes.utf8, hide, output, folder};
}

// The editor is held as for a dialog while the dialog is open (the titles
// are not touched).
std::optional<AskAnswer> AskWatched(HINSTANCE instance, const AskInitial& initial) {
    const HostLock hold(HostWindow, HostOwnerWindow, HostHold::Dialog);
    return AskForCommand(instance, HostWindow, initial);
}

}  // namespace

std::optional<RunRequest> ReadRunRequest(HINSTANCE instance, bool replaceSelection) {
    const ToolSwitches& switches = CommandSwitches();
    RunRequest request;
    if (!switches.ask) {
        request.program = switches.app;
        if (request.program.empty()) request.program = GetHostExeName(HostWindow);
    }
    request.passedOn = switches.passedOn;
    if (switches.nowmode) request.modeSwitch = ModeSwitch(GetEditorMode(HostWindow));
    request.passedOnList = request.modeSwitch + PassedOnListOf(switches.passedOn, false, kModeNone, SystemCodePage());
    const std::optional<IoModes> modes = ParseIoModes(switches.io, SystemCodePage());
    if (!modes) {
        ShowWarning(FormatMessageText(kIoSwitchInvalid, switches.io));
        return std::nullopt;
    }
    request.modes = *modes;
    const std::optional<OutputMode> output = ParseOutputMode(switches.out, SystemCodePage());
    if (!output) {
        ShowWarning(FormatMessageText(kOutSwitchInvalid, switches.out));
        return std::nullopt;
    }
    request.output = *output;
    request.extension = switches.ext;
    request.outExtension = switches.outext;
    request.folder = switches.dir;
    request.hide = switches.hide;
    request.replaceSelection = replaceSelection;
    if (switches.ask) {
        // The typed command takes the place of /app=, its options those of
        // /io=pipe, /io=utf8, /hide and /out=, its folder that of /dir=;
        // /io=exact stays as the entry gives it.
        const std::optional<AskAnswer> answer =
            AskWatched(instance, InitialOptions(switches.io, *modes, request.hide, request.output, switches.dir));
        if (!answer) return std::nullopt;
        request.program = answer->command;
        request.modes.pipe = answer->pipe;
        request.modes.utf8 = answer->utf8;
        request.hide = answer->hide;
        request.output = answer->output;
        request.folder = answer->folder;
    }
    return request;
}
