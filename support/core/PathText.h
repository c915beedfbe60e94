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
// command line that splits at blanks: the name itself when it holds no blank;
// else the short form of its folder (`shortForm` of the folder with its
// trailing delimiter) followed by its own name, whose extension stays whole
// (a short name would cut ".html" to ".HTM"); and where that still holds a
// blank (the volume gives no short names), the name in double quotes.
std::string HandedOnFileName(const std::string& fileName,
                             const std::function<std::string(const std::string& folder)>& shortForm,
                             const CodePage& cp);
