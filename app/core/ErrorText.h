#pragma once
#include <exception>
#include <string>

// What the default error display shows for an error that ended the job: the
// tool's own errors carry the user's message already; a failed allocation is
// named as such; any other is named in Japanese, with the library's own text
// as the detail.
std::string UserMessageFor(const std::exception& error);
// For something thrown that is no standard exception at all.
std::string UserMessageForUnknownError();
