#include "app/core/ErrorText.h"

#include <new>

#include "support/core/Texts.h"
#include "support/core/ToolError.h"

std::string UserMessageFor(const std::exception& error) {
    if (dynamic_cast<const ToolError*>(&error) != nullptr) return error.what();
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return kOutOfMemory;
    return std::string(kUnexpectedError) + "\r\n\r\n" + error.what();
}

std::string UserMessageForUnknownError() { return kUnexpectedError; }
