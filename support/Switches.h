#pragma once
#include <string>

#include "support/core/CommandLine.h"

// This process's command line (GetCommandLineA), split once, and the tool's
// switches read from it once; the queries are readers of that one value.
const std::vector<std::string>& ProcessArguments();
const ToolSwitches& CommandSwitches();
bool HasSwitch(const std::string& switchText);
std::string GetSwitchValue(const std::string& prefix);
JobKind ChosenJob();
