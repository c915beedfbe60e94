#include "support/core/ToolError.h"

#include <cstring>

std::string FormatMessageText(const char* pattern, const std::string& argument) {
    std::string text = pattern;
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

std::string FormatMessageTexts(const char* pattern, std::initializer_list<std::string> arguments) {
    const std::string text = pattern;
    std::string formatted;
    auto next = arguments.begin();
    std::size_t from = 0;
    for (std::size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", from)) {
        formatted.append(text, from, at - from);
        if (next != arguments.end()) formatted += *next++;
        from = at + 2;
    }
    formatted.append(text, from, std::string::npos);
    return formatted;
}

std::wstring FormatWideMessageText(const wchar_t* pattern, const std::wstring& argument) {
    std::wstring text = pattern;
    for (std::size_t at = text.find(L"%s"); at != std::wstring::npos; at = text.find(L"%s", at + argument.size())) {
        text.replace(at, 2, argument);
    }
    return text;
}
