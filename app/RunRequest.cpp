#include "app/RunRequest.h"

#include "app/Messages.h"
#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/Switches.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

std::optional<RunRequest> ReadRunRequest(bool replaceSelection) {
    RunRequest request;
    request.program = GetSwitchValue("/app=");
    if (request.program.empty()) request.program = GetHostExeName(HostWindow);
    request.passedOnList = MakePassedOnList();
    const std::string ioValue = GetSwitchValue("/io=");
    const std::optional<IoModes> modes = ParseIoModes(ioValue, SystemCodePage());
    if (!modes) {
        ShowWarning(FormatMessageText(kIoSwitchInvalid, ioValue));
        return std::nullopt;
    }
    request.modes = *modes;
    request.extension = GetSwitchValue("/ext=");
    request.hide = HasSwitch("/hide");
    request.replaceSelection = replaceSelection;
    return request;
}
