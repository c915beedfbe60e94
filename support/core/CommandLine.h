#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/core/CodePage.h"

// The tool's arguments as the process command line gives them: piece 0 is the
// program name, pieces 1..n the arguments. Blanks (0x01-0x20) separate pieces,
// an empty "" pair where a piece would begin is skipped, a double quote opens a
// stretch in which blanks belong to the piece, and quotes are never part of a
// piece. The count stops at the first empty piece, which only the end of the
// line gives. Pieces are kept whole, however long: a path cut at some length
// would silently name another file.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Switch queries over arguments 1..n, ignoring case through the code page's
// lower-casing of both sides.
bool HasSwitchIn(const std::vector<std::string>& pieces, std::string_view switchText, const CodePage& cp);
std::string GetSwitchValueIn(const std::vector<std::string>& pieces, std::string_view prefix, const CodePage& cp);

// "/html ", "/perl ", ... for an editor mode; "/def " for any other.
std::string ModeSwitch(std::uint8_t editorMode);

// `argument` in double quotes as the C runtime reads them back: the backslashes
// just before the closing quote are doubled (`C:\windows\` would otherwise
// end in \", a literal quote, and swallow what follows), and a double quote
// inside becomes \" after its backslashes are doubled. The second byte of a
// double-byte character is no backslash (a lead byte before a byte that
// cannot follow it, a quote among them, stands alone).
std::string QuotedArgument(std::string_view argument, const CodePage& cp);

// The arguments that are not the tool's own switches, each quoted
// (QuotedArgument) and followed by a blank; with the mode switch in front
// when `withModeSwitch`.
std::string MakePassedOnListFrom(const std::vector<std::string>& pieces, bool withModeSwitch, std::uint8_t editorMode,
                                 const CodePage& cp);

// The tool's own switches and the arguments passed on, read from the pieces
// in one pass. Flags are whole-argument matches, values the first non-empty
// value of their prefix; any argument that begins with one of the tool's
// switches (a prefix test: /hidden, a bare /app=) is not passed on.
struct ToolSwitches {
    bool save = false;
    bool ask = false;
    bool nowmode = false;
    bool hide = false;
    std::string app;     // /app=
    std::string ext;     // /ext=
    std::string io;      // /io=
    std::string dir;     // /dir=
    std::string outext;  // /outext=
    std::string out;     // /out=
    std::vector<std::string> passedOn;  // as given, unquoted
};
ToolSwitches ReadToolSwitches(const std::vector<std::string>& pieces, const CodePage& cp);

// The passed-on arguments each quoted (QuotedArgument) and followed by a
// blank; with the mode switch in front when `withModeSwitch`.
std::string PassedOnListOf(const std::vector<std::string>& passedOn, bool withModeSwitch, std::uint8_t editorMode,
                           const CodePage& cp);

// The job that a command line asks for.
enum class JobKind { ExternalToolRun, SaveToFile };
JobKind ChooseJob(const std::vector<std::string>& pieces, const CodePage& cp);
