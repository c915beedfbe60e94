#pragma once
#include <string>

#include "support/core/IoModes.h"

class TPelmarindMainForm;

// The external program as a filter (/io=pipe): the text goes to its standard
// input and its standard output is the result, taken only when it ended with
// exit code 0 and wrote something (for a text that was not empty). The host
// is locked, shown as running and can be stopped as in a run through a
// temporary file. `programInput` is what the program reads: the editor text
// itself, or its UTF-8 form with /io=utf8.
void RunFilterJob(TPelmarindMainForm& form, const std::string& editorText, const std::string& programInput,
                  const std::string& program, const std::string& passedOnList, const IoModes& modes);
