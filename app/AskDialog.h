#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "support/core/IoModes.h"

// The command typed at run time (/ask): a small modal dialog over the
// editor's main window with the command line, its history and its options.

// What the user chose: the command line (blanks at its ends removed, never
// empty) and its options as the switches /io=pipe, /io=utf8 and /hide would
// give them, and the working folder as /dir= would. hide is set only where
// it applies (no pipe, and the command calls a command interpreter).
struct AskAnswer {
    std::string command;
    bool pipe = true;
    bool utf8 = false;
    bool hide = false;
    OutputMode output = OutputMode::Replace;  // the 結果 list
    std::string folder = {};  // the working folder as /dir= takes it (blanks at its ends removed); empty: none
};

// The options the dialog opens with: those of the menu entry's own switches.
struct AskInitial {
    bool pipe = true;
    bool utf8 = false;
    bool hide = false;
    OutputMode output = OutputMode::Replace;
    std::string folder = {};
};

// Shows the dialog, owned by `owner` (disabled meanwhile) and centred over it
// inside its monitor's work area. Reads the history file first (an unreadable
// one is an empty list); on 実行 writes it back with the answer at the top and
// without the entries removed by Shift+Delete in the open list, then returns
// the answer. Nothing for キャンセル (Esc, the close box), and then nothing is
// written: removals are kept only with a 実行.
std::optional<AskAnswer> AskForCommand(HINSTANCE instance, HWND owner, const AskInitial& initial);
