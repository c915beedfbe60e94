#include "support/core/FilterText.h"

#include <vector>

namespace {

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= 0x20) line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20) line.remove_suffix(1);
    return line;
}

// The length of `text` cut to at most `limit` bytes on a character boundary.
std::size_t CutLength(std::string_view text, std::size_t limit, const CodePage& cp) {
    std::size_t length = 0;
    while (length < text.size()) {
        const std::size_t step = cp.IsLeadByte(static_cast<unsigned char>(text[length])) ? 2 : 1;
        if (length + step > limit || length + step > text.size()) break;
        length += step;
    }
    return length;
}

}  // namespace

std::string FirstLines(std::string_view text, std::size_t maxLines, std::size_t maxBytes, const CodePage& cp) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size() && lines.size() < maxLines;) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trimmed(text.substr(start, end - start));
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    std::string result;
    for (std::string_view line : lines) {
        const std::size_t separator = result.empty() ? 0 : 2;
        if (result.size() + separator >= maxBytes) break;
        if (separator != 0) result += "\r\n";
        result.append(line.substr(0, CutLength(line, maxBytes - result.size(), cp)));
    }
    return result;
}
