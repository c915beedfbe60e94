#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "base/core/CodePage.h"

// The placeholders a registered command may hold, replaced where they stand:
//   {in}      the text's temporary file, named as the handed-on file is
//   {out}     a fresh file that the program writes its result into
//   {sel}     the text handed over, as one argument
//   {sel:url} the same text as UTF-8, percent-encoded for a web address
// "{{" and "}}" stand for a brace; any other "{" opens a name that must be
// one of these (a lone "}" is itself). Braces are found on characters, not
// bytes: 0x7B and 0x7D are also second bytes of double-byte characters.

struct PlaceholderUse {
    bool in = false;
    bool out = false;
    bool sel = false;
    bool selUrl = false;
    bool any = false;  // a placeholder of any kind, or a doubled brace
};

enum class TemplateFault {
    None,
    UnknownName,           // `faultText` is the "{..." that is no placeholder
    SelectionLineEnd,      // {sel}: a CR, LF or NUL in the text
    SelectionTooLong,      // {sel} or {sel:url}: more than kMaxSelectionBytes
    SelectionForCmd,       // {sel}: a byte cmd reads again, for an interpreter call
    SelectionNotCp932,     // {sel} or {sel:url}: the text is not code page 932 (`faultText`: its line)
    FileWithPipe,          // {in} or {out} where the text goes through the pipe
};

inline constexpr std::size_t kMaxSelectionBytes = 2000;
// The bytes cmd would read again in an argument, quoted or not.
inline constexpr std::string_view kCmdSpecialBytes = "&|<>^%!\"";

// The command as registered: the program (the /app= value or the typed
// command), the mode switch ("" or "/html " and so on) and the passed-on
// arguments, unquoted.
struct CommandParts {
    std::string program;
    std::string modeSwitch;
    std::vector<std::string> passedOn;
};

struct TemplateScan {
    TemplateFault fault = TemplateFault::None;
    std::string faultText;
    PlaceholderUse use;
};

// Which placeholders the command uses; UnknownName for the first "{" that
// opens none.
TemplateScan ScanTemplate(const CommandParts& command, const CodePage& cp);

// What the placeholders stand for. The file names are as a command line's
// last piece would give them (HandedOnFileName: perhaps in quotes); inside a
// passed-on argument, which is quoted as a whole, they go without theirs.
struct TemplateValues {
    std::string inFile;
    std::string outFile;
    std::string_view selection;
    bool pipe = false;         // the text goes through the standard input
    bool interpreter = false;  // the program is a command interpreter call
};

struct ExpandedCommand {
    TemplateFault fault = TemplateFault::None;
    std::string faultText;
    std::string program;       // the command line's head, placeholders replaced
    std::string passedOnList;  // the mode switch, then each argument quoted and followed by a blank
};

// The command with every placeholder replaced, or the first fault. {sel} is
// quoted by the C runtime's rules (in the program part on its own; in a
// passed-on argument, with the argument); its refusals are checked whenever
// it is used.
ExpandedCommand ExpandTemplate(const CommandParts& command, const TemplateValues& values, const CodePage& cp);

// The text as UTF-8 with every byte but A-Z a-z 0-9 - . _ ~ as %XX (upper
// case); false when the text does not convert from code page 932 (`line`:
// the first bad line).
bool PercentEncoded(std::string_view cp932, std::string& encoded, std::size_t& line);
