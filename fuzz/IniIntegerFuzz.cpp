// The integer conversion of settings values against a plain reference: a
// decimal text within 32 bits converts to its value, a "$" (or leading "0x")
// text of up to eight significant hexadecimal digits to its 32-bit pattern,
// and anything out of range to the default.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/SettingsRules.h"

namespace {

bool AllOf(const std::string& digits, const char* set) {
    return !digits.empty() && digits.find_first_not_of(set) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    constexpr std::int32_t kDefault = 123456789;
    const std::int32_t value = ConvertIniInteger(text, kDefault);
    // Hexadecimal: "0x"/"0X" opening a text of more than two bytes, or blanks then "$".
    std::string hex;
    bool isHex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = text.substr(2);
        isHex = true;
    } else if (const std::size_t at = text.find_first_not_of(' '); at != std::string::npos && text[at] == '$') {
        hex = text.substr(at + 1);
        isHex = true;
    }
    if (isHex) {
        if (AllOf(hex, "0123456789abcdefABCDEF") && hex.size() <= 16) {
            const unsigned long long expected = std::stoull(hex, nullptr, 16);
            if (expected <= 0xFFFFFFFFull && value != static_cast<std::int32_t>(static_cast<std::uint32_t>(expected))) std::abort();
            if (expected > 0xFFFFFFFFull && value != kDefault) std::abort();
        }
        return 0;
    }
    // Decimal: blanks, an optional sign and 1..18 digits.
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return value == kDefault ? 0 : (std::abort(), 0);
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    const std::string digits = text.substr(i);
    if (AllOf(digits, "0123456789") && digits.size() <= 18) {
        const long long expected = std::stoll(digits) * (negative ? -1 : 1);
        const bool fits = expected >= INT32_MIN && expected <= INT32_MAX;
        if (fits && value != expected) std::abort();
        if (!fits && value != kDefault) std::abort();
    }
    return 0;
}
