// ReplaceText on any text, pattern and replacement (split at the first two
// 0xFF bytes; the first byte picks the options): the result is the text with
// one occurrence replaced, or every one, or the text itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/SettingsCore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool all = (data[0] & 1) != 0, ignoreCase = (data[0] & 2) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t a = input.find('\xFF');
    const std::size_t b = a == std::string::npos ? std::string::npos : input.find('\xFF', a + 1);
    if (b == std::string::npos) return 0;
    const std::string text = input.substr(0, a), pattern = input.substr(a + 1, b - a - 1), replacement = input.substr(b + 1);
    const std::string result = ReplaceText(CodePage932Model(), text, pattern, replacement, all, ignoreCase);
    if (pattern.empty() && result != text) std::abort();
    if (!pattern.empty()) {
        const long delta = static_cast<long>(replacement.size()) - static_cast<long>(pattern.size());
        const long grown = static_cast<long>(result.size()) - static_cast<long>(text.size());
        if (delta == 0 ? grown != 0 : grown % delta != 0) std::abort();
        if (!all && grown != 0 && grown != delta) std::abort();
    }
    return 0;
}
