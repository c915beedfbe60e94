#pragma once
#include <string>

class TPelmarindMainForm;

// Runs the external program on the editor text through a temporary file,
// with the host locked meanwhile, and puts the result back when the program
// changed the file.
void RunExternalToolJob(TPelmarindMainForm& form, std::string& editorText);
