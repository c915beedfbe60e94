#pragma once
#include <stdexcept>
#include <initializer_list>
#include <string>

// An error that ends the job; its message (code page 932 bytes) is what the
// default error display shows the user.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message with its one %s replaced by the argument.
std::string FormatMessageText(const char* pattern, const std::string& argument);

// The message with each "%s" replaced by the next argument, in one pass (an
// argument that holds "%s" stays as it is); "%s" left over become empty.
std::string FormatMessageTexts(const char* pattern, std::initializer_list<std::string> arguments);

// The wide message with every "%s" replaced by the argument (a text shown in
// UTF-16 names its one value once in each of its languages).
std::wstring FormatWideMessageText(const wchar_t* pattern, const std::wstring& argument);
