#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/core/CodePage.h"
#include "support/core/IoModes.h"

// The commands typed into the ask dialog, kept between runs: most recent
// first, each with the options it ran with.
struct HistoryEntry {
    std::string command;
    bool pipe = false;
    bool utf8 = false;
    bool hide = false;
    OutputMode output = OutputMode::Replace;
    // The working folder as typed (as /dir= takes it); empty: none.
    std::string folder = {};
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

inline constexpr std::size_t kHistoryLimit = 50;
// The longest command a process can be started with (CreateProcess takes at
// most 32767 characters, the terminating zero included).
inline constexpr std::size_t kMaxHistoryCommandBytes = 32766;

// The history file is code page 932 text, one entry a line, most recent
// first, each line
//     OPTIONS TAB COMMAND CR LF
// OPTIONS is "-" for none, or the letters of the options in any order, each
// once: "p" the standard input and output (/io=pipe), "u" UTF-8 (/io=utf8),
// "h" the hidden console (/hide), at most one letter of where the result
// goes (/out=): "a" after, "s" show, "c" copy, "n" none (none of them:
// replace), and "d" a working folder, which then comes first: "d" OPTIONS...
// TAB FOLDER TAB COMMAND (a folder holds no TAB and is not empty; a file of
// older copies, which knew no "d", has no such lines).
// COMMAND is the command line as typed, the
// blanks at either end removed (also when reading a line a user has edited);
// it may itself hold a TAB (only the first one separates). A TAB, CR or LF is never the second byte of a double-byte
// character, so the split is safe on bytes.
//
// Reading tolerates damage, since a user may edit the file or a disk may
// spoil it: a line that breaks any rule above (an unknown or repeated option,
// no TAB, an empty command, a control byte other than TAB, a double-byte
// character cut short or with a bad second byte, a command too long to start)
// is skipped; a command that comes again further down is skipped; blank lines
// are ignored; LF alone ends a line as well as CR LF; entries after the
// fiftieth are dropped.
//
// Nothing comes back when the bytes are no such file at all: a NUL byte or a
// UTF-8 byte-order mark (not code page 932 text), or lines that are not blank
// but none of them an entry (another program's file, or a future format).
// Such a file is shown as an empty history and must never be replaced, so
// that nothing that might still be read is lost.
std::optional<std::vector<HistoryEntry>> ParseHistory(std::string_view bytes, const CodePage& cp);

// The file's bytes for a history (entries that could not be read back, such
// as an empty command, are left out).
std::string FormatHistory(const std::vector<HistoryEntry>& history);

// The command with the blanks (spaces, TABs) at both ends removed, as it is
// run and kept.
std::string TrimmedCommand(std::string_view typed);

// Puts the entry at the top, its command trimmed: a command of the same bytes moves up with the
// new options instead of coming twice; the oldest falls off beyond the limit.
// False, the history unchanged, for a command that cannot be kept (empty, or
// holding a control byte other than TAB, or too long).
bool RememberCommand(std::vector<HistoryEntry>& history, HistoryEntry entry);

// Removes the command of the same bytes, if it is there.
void ForgetCommand(std::vector<HistoryEntry>& history, std::string_view command);

// Leaves out the entries that ParseHistory would not give back as they are
// (a command with a double-byte character cut short, say): the writer never
// puts into the file what would make the reader skip a line, or reject a
// file that holds no other entry and so never replace it again.
void DropUnreadableEntries(std::vector<HistoryEntry>& history, const CodePage& cp);
