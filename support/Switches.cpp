#include "support/Switches.h"

#include <windows.h>

#include "base/CodePageWin32.h"
#include "host/HostLink.h"

namespace {

std::vector<std::string> ProcessPieces() { return SplitCommandLine(GetCommandLineA()); }

}  // namespace

bool HasSwitch(const std::string& switchText) { return HasSwitchIn(ProcessPieces(), switchText, SystemCodePage()); }

std::string GetSwitchValue(const std::string& prefix) {
    return GetSwitchValueIn(ProcessPieces(), prefix, SystemCodePage());
}

std::string MakePassedOnList() {
    const bool withMode = HasSwitch("/nowmode");
    const std::uint8_t mode = withMode ? GetEditorMode(HostWindow) : kModeNone;
    return MakePassedOnListFrom(ProcessPieces(), withMode, mode, SystemCodePage());
}

JobKind ChosenJob() { return ChooseJob(ProcessPieces(), SystemCodePage()); }
