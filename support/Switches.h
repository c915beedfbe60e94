#pragma once
#include <string>

#include "support/core/CommandLine.h"

// The switch queries over this process's command line (GetCommandLineA).
bool HasSwitch(const std::string& switchText);
std::string GetSwitchValue(const std::string& prefix);
// The arguments handed on to the external program, with the host's mode
// switch in front when /nowmode is given.
std::string MakePassedOnList();
JobKind ChosenJob();
