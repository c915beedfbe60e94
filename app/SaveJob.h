#pragma once
#include <string>

class TPelmarindMainForm;

// Saves the editor text to a file that the user picks in the Save dialog.
void RunSaveJob(TPelmarindMainForm& form, const std::string& editorText);
