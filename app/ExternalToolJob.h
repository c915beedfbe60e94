#pragma once
#include <windows.h>

#include <string>

#include "app/RunRequest.h"

// Runs the external program on the editor text, through a temporary file or
// as a filter, with the host locked meanwhile, and puts the result back when
// there is one. `initialModifiedTime` gets the temporary file's time when the
// text was handed over (0 for a filter, or when it could not be had). The
// command's placeholders, working folder and a web address are settled
// first, before anything is locked (CommandPlace).
void RunExternalToolJob(HINSTANCE instance, const RunRequest& given, std::string& editorText,
                        double& initialModifiedTime);
