#include "support/Switches.h"

#include <windows.h>

#include "base/CodePageWin32.h"

const std::vector<std::string>& ProcessArguments() {
    static const std::vector<std::string> pieces = SplitCommandLine(GetCommandLineA());
    return pieces;
}

const ToolSwitches& CommandSwitches() {
    static const ToolSwitches switches = ReadToolSwitches(ProcessArguments(), SystemCodePage());
    return switches;
}

bool HasSwitch(const std::string& switchText) {
    return HasSwitchIn(ProcessArguments(), switchText, SystemCodePage());
}

std::string GetSwitchValue(const std::string& prefix) {
    return GetSwitchValueIn(ProcessArguments(), prefix, SystemCodePage());
}

JobKind ChosenJob() { return CommandSwitches().save ? JobKind::SaveToFile : JobKind::ExternalToolRun; }
