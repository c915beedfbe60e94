#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/core/IoModes.h"

// One run of an external program, as the user asked for it: read once from
// the command line (with /ask, partly from the ask dialog), and all that the external
// tool job needs to know of the switches.
struct RunRequest {
    // The program as the user gave it (the /app= value): it is started by its
    // short path and named as given in messages. The editor's own executable
    // when no /app= is given.
    std::string program;
    // The arguments that are not the tool's own, each quoted, with the
    // editor's mode switch in front for /nowmode.
    std::string passedOnList;
    // The same arguments as given, and the mode switch ("" without
    // /nowmode): what the placeholders are expanded in.
    std::vector<std::string> passedOn;
    std::string modeSwitch;
    IoModes modes;
    // Where the result goes (/out=).
    OutputMode output = OutputMode::Replace;
    // The temporary file's extension without its dot (/ext=); empty: .tmp.
    std::string extension;
    // The extension of the output file's name ({out}) without its dot
    // (/outext=); empty: .tmp.
    std::string outExtension;
    // The program's working folder as given (/dir=, or the ask dialog's
    // field); empty: the one the tool was started in.
    std::string folder;
    // A command interpreter's console is hidden (/hide).
    bool hide = false;
    // The result replaces the selection, not the whole text: the text
    // handed over was the selection.
    bool replaceSelection = false;
};

// The run that the command line asks for. With /ask the program and its
// options come from the ask dialog (shown over the editor, after a bad /io=
// value was reported, never instead); nothing for its キャンセル, and then no
// message. Nothing, after a message to the user, when a switch's value
// cannot be used. Nothing is locked, written or started in either case.
std::optional<RunRequest> ReadRunRequest(HINSTANCE instance, bool replaceSelection);
