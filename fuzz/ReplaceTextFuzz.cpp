// ReplaceText on any text, pattern and replacement (split at the first two
// 0xFF bytes; the first byte picks the options), against a plain reference:
// the matches, found by trying every character boundary of the search text
// in turn, are replaced one by one. A match never starts on the second byte
// of a double-byte character.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/core/SettingsRules.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// Offsets at which a character begins, walking from the first byte: a lead
// byte takes the next byte with it.
std::vector<std::size_t> CharacterStarts(const CodePage& cp, const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i += cp.IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
        starts.push_back(i);
    }
    return starts;
}

std::string Reference(const CodePage& cp, const std::string& text, const std::string& pattern,
                      const std::string& replacement, bool all, bool ignoreCase, std::vector<std::size_t>& matches) {
    std::string search = ignoreCase ? cp.Uppered(text) : text;
    const std::string wanted = ignoreCase ? cp.Uppered(pattern) : pattern;
    std::string remaining = text, result;
    std::size_t consumed = 0;  // bytes of the text already passed
    while (!search.empty() && !wanted.empty()) {
        std::size_t found = std::string::npos;
        for (std::size_t start : CharacterStarts(cp, search)) {
            if (search.compare(start, wanted.size(), wanted) == 0 && start + wanted.size() <= search.size()) {
                found = start;
                break;
            }
        }
        if (found == std::string::npos) break;
        matches.push_back(consumed + found);
        result += remaining.substr(0, found) + replacement;
        remaining.erase(0, found + pattern.size());
        search.erase(0, found + wanted.size());
        consumed += found + pattern.size();
        if (!all) break;
    }
    return result + remaining;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool all = (data[0] & 1) != 0, ignoreCase = (data[0] & 2) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t a = input.find('\xFF');
    const std::size_t b = a == std::string::npos ? std::string::npos : input.find('\xFF', a + 1);
    if (b == std::string::npos) return 0;
    const std::string text = input.substr(0, a), pattern = input.substr(a + 1, b - a - 1), replacement = input.substr(b + 1);
    const CodePage& cp = CodePage932Model();
    std::vector<std::size_t> matches;
    const std::string expected = Reference(cp, text, pattern, replacement, all, ignoreCase, matches);
    Require(ReplaceText(text, pattern, replacement, all, ignoreCase, cp) == expected);
    // The first match lies on a character boundary of the text itself.
    if (!matches.empty()) {
        bool onBoundary = false;
        for (std::size_t start : CharacterStarts(cp, text)) onBoundary = onBoundary || start == matches.front();
        Require(onBoundary);
    }
    return 0;
}
