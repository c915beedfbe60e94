#pragma once
#include <string>

class TqzSaveDialogEx;

// Saves the editor text to a file that the user picks in the Save dialog (the
// main window's own, placed by it).
void RunSaveJob(TqzSaveDialogEx& dialog, const std::string& editorText);
