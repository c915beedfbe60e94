#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "app/RunRequest.h"
#include "app/Transports.h"
#include "support/core/CommandTemplate.h"

// Where the text and the result stand in the command, where the program runs,
// and whether the program is a web address: all settled before anything is
// locked, each refusal after a message.
struct CommandPlan {
    PlaceholderUse use;
    std::string folder;  // the working folder, resolved and existing; empty: the tool's own
    bool webAddress = false;
};

// Scans the command for its placeholders and resolves /dir=. Nothing, after a
// message, for an unknown placeholder or a folder that does not exist.
std::optional<CommandPlan> PlanCommand(const RunRequest& request);

// Makes the {out} file's name (a fresh name in the temporary folder, no file
// yet), then puts the file names and the text where the placeholders stand:
// `request`'s program and passed-on list become the command line's. False,
// after a message, when the text cannot be handed over as asked.
bool ExpandCommand(RunRequest& request, const CommandPlan& plan, const std::string& editorText, ProgramInput& input);

// Opens the command, a web address, with the default browser; nothing is
// locked or waited for. A message when the system cannot open it.
void OpenWebAddress(const RunRequest& request, const CommandPlan& plan, const std::string& editorText);

// The tool's current folder for as long as it lives, which a program it
// starts inherits; the one before comes back on every path. Nothing for an
// empty folder.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::string& folder);
    ~ScopedCurrentFolder();
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    std::string previous_;
};
