#pragma once
#include <functional>
#include <string>
#include <vector>

#include "support/core/CommandHistory.h"

// The ask dialog's history file: %APPDATA%\Pelmarind\history.txt (the format
// is described at ParseHistory). Only a run with /ask touches it.

// The file's path; empty when the user's application-data folder is unknown.
std::string HistoryFilePath();

struct LoadedHistory {
    std::vector<HistoryEntry> entries;
    // False when a file is there that could not be read as a history (not
    // opened, not read, too large, not text, no entry in it): it is shown as
    // an empty history and left as it is, so that nothing is ever replaced
    // with less than could be read of it.
    bool replaceable = true;
};

// A missing file is an empty history; nothing here is an error for the user.
LoadedHistory LoadHistory(const std::string& path);

// Reads the file afresh (another copy of the tool may have written it since
// it was shown), applies `change`, and puts the result in its place in one
// step: a new file beside it, then renamed over it, so that a crash never
// leaves half a file. The read, the change and the replace are one turn
// across all copies of the tool (a named mutex), so that no copy's update is
// lost to another's; a replace refused for a moment (the file open elsewhere)
// is tried again briefly. Entries the reader would not give back are left
// out (DropUnreadableEntries). Creates the Pelmarind folder when it is
// missing. False when nothing was written: no path, no turn within a few
// seconds, a file that is not replaceable, or a platform failure (the new
// file is then removed).
bool UpdateHistory(const std::string& path, const std::function<void(std::vector<HistoryEntry>&)>& change);
