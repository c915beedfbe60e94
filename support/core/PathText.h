#pragma once
#include <functional>
#include <string>

#include "base/core/CodePage.h"

// The file name with its extension (from the last "." of the last path
// component on) replaced by `extension`, which includes its dot. A backslash
// or colon that is the second byte of a double-byte character is no path
// delimiter.
std::string ChangeFileExt(const std::string& fileName, const std::string& extension, const CodePage& cp);

// The title a locked host window shows: the lock prefix and at most the first
// 256 bytes of its own title, never ending in half a double-byte character.
std::string LockedTitle(const std::string& title, const CodePage& cp);

// The message of a failed launch: the program as given, the passed-on list,
// the temporary file name, then the complaint on a line of its own.
std::string LaunchFailedMessage(const std::string& program, const std::string& passedOnList, const std::string& tempFile);

// The temporary file's name as the program gets it, as the last piece of a
// command line that a program splits at blanks and that cmd (a batch run by
// "cmd /c") reads with its own special characters: the name itself when it
// holds none of blank & | < > ^ , ; = ( ) %; else the short form of its
// folder (`shortForm` of the folder with its trailing delimiter) followed by
// its own name, whose extension stays whole (a short name would cut ".html"
// to ".HTM"), when that holds none of them; else in double quotes. Quotes
// cannot protect a % from cmd's %NAME% expansion: where only one form holds a
// %, that is the short form's gain; where both do, the % stays.
std::string HandedOnFileName(const std::string& fileName,
                             const std::function<std::string(const std::string& folder)>& shortForm,
                             const CodePage& cp);

// The program as the command line names it, from the /app= value: where the
// value names an existing file, its short form (`shortForm`, the value itself
// where it has none), in double quotes when that still holds a blank (a volume without short names), since the platform would otherwise
// try "D:\My.exe" first and hand on "Tools\conv.exe" as an argument. A value
// that is a command line ("cmd /c x.bat") names no file and stays as it is.
std::string UsableProgramPath(const std::string& value, const std::string& shortForm, bool namesExistingFile,
                              const CodePage& cp);
