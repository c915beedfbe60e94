// The integer conversion of settings values against a plain reference: a
// decimal text within 32 bits converts to its value, every result is either
// the default or a value the text spells.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/SettingsCore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    constexpr std::int32_t kDefault = 123456789;
    const std::int32_t value = ConvertIniInteger(text, kDefault);
    // Reference for texts of optional blanks, an optional sign and 1..18 digits.
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return value == kDefault ? 0 : (std::abort(), 0);
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    const std::string digits = text.substr(i);
    if (!digits.empty() && digits.size() <= 18 && digits.find_first_not_of("0123456789") == std::string::npos) {
        long long expected = std::stoll(digits) * (negative ? -1 : 1);
        const bool fits = expected >= INT32_MIN && expected <= INT32_MAX;
        if (fits && value != expected) std::abort();
        if (!fits && value != kDefault) std::abort();
    }
    return 0;
}
