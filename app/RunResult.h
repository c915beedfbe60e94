#pragma once
#include <functional>
#include <string>

// What a run does with a program's result, through a temporary file or a
// pipe alike.

// A new empty file in the temporary-files folder, named by the system from
// the prefix "qlk"; empty when it could not be made.
std::string CreateTempFile();

// Keeps bytes that the editor did not take in a new temporary file; its name,
// or empty when none could be written.
std::string KeepInNewTempFile(const std::string& bytes);

// Where a result that is not put back goes: keeps it and gives the file's
// name.
using KeepResult = std::function<std::string()>;

// Converts a program's UTF-8 result to code page 932 in place. When it cannot
// be converted exactly, nothing is put back: the result is kept and a
// message names the file, the first thing that stands in the way and its
// line. False then.
bool ResultFromUtf8(std::string& result, const KeepResult& keep);

// A program's error output, from UTF-8 for a message; as it is when it is not
// UTF-8 (a program that said it speaks UTF-8 may not in its errors).
std::string ErrorTextFromUtf8(const std::string& errors);

// Puts the result in place of the selection, or of the whole text when the
// selection was empty. When the editor does not take it (gone, or no section
// could carry it), the result is kept and the kept-result message names the
// file.
void PutResultBack(const std::string& result, const KeepResult& keep);
