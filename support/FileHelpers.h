#pragma once
#include <string>
#include <string_view>

// The text is the whole file, byte for byte: no byte-order mark, no
// conversion, no terminating zero. Failures raise ToolError with the user's
// message.
void SaveTextToFile(const std::string& text, const std::string& fileName);
// The same for a file the user chose, which is never left half written: the
// text goes to a new file in the same folder, every byte written and flushed,
// which then takes the old file's place (ReplaceFileA: its attributes,
// security and creation time kept where the platform keeps them) or, with no
// old file, its name. On any failure the old file is as it was and the new
// one is gone; the ToolError's message is the file helper's own followed by
// a sentence saying the file was not changed (or not created). A read-only
// file is refused, as the in-place write refused it.
void ReplaceFileWithText(const std::string& text, const std::string& fileName);
// Reads the file into `text`, whose storage is reused (the editor's text,
// read back in place when it is no longer needed). False, with nothing read
// and `text` emptied, when this build cannot hold the file as a text: larger
// than kMaxTextBytes (its size taken in 64 bits), or no memory for it. A file
// that cannot be opened, sized or read raises ToolError; `text` is emptied.
[[nodiscard]] bool LoadTextFromFile(const std::string& fileName, std::string& text);
// Whether the file holds exactly `bytes`: its size first, then its bytes a
// piece at a time, so that no second copy of a large text is made. A file
// that cannot be opened or read counts as holding them (nothing to take).
bool FileHoldsExactly(const std::string& fileName, std::string_view bytes);
// The last-write time in local time as a date-time value; 0 when it cannot be
// had: the file is missing, or still cannot be opened for its attributes
// after about a second.
double GetFileModifiedTime(const std::string& fileName);
// The short form of a path; the path itself when it has none.
std::string GetShortPath(const std::string& path);
// Whether the path names an existing file (not a folder).
bool NamesExistingFile(const std::string& path);
// The program of a /app= value as the command line names it (UsableProgramPath):
// what a run puts first instead of GetShortPath(program).
std::string UsableProgramPath(const std::string& value);
// The temporary file's name as the program gets it on its command line: its
// folder's short form or quotes where the name holds a blank or one of cmd's
// special characters (HandedOnFileName).
std::string HandedOnFileName(const std::string& fileName);
