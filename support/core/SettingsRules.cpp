#include "support/core/SettingsRules.h"

namespace {

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "$" followed by hexadecimal digits to the end, as a 32-bit pattern.
bool ConvertHex(std::string_view digits, std::int32_t& value) {
    if (digits.empty()) return false;
    std::uint64_t total = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0) return false;
        total = total * 16 + static_cast<unsigned>(d);
        if (total > 0xFFFFFFFFu) return false;  // a ninth significant digit
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(total));
    return true;
}

bool ConvertDecimal(std::string_view text, std::int32_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t total = 0;
    for (char c : text) {
        if (!IsDecimalDigit(c)) return false;
        total = total * 10 + static_cast<unsigned>(c - '0');
        if (total > limit) return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(total)) : static_cast<std::int32_t>(total);
    return true;
}

// 0-based offset of the first match starting on a character boundary, or npos.
std::size_t FindOnCharacterBoundary(const CodePage& cp, std::string_view text, std::string_view pattern) {
    if (pattern.empty() || pattern.size() > text.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + pattern.size() <= text.size();) {
        if (text.compare(i, pattern.size(), pattern) == 0 && cp.Equal(text.substr(i, pattern.size()), pattern)) {
            return i;
        }
        i += cp.IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::int32_t ConvertIniInteger(std::string_view text, std::int32_t defaultValue) {
    std::string converted(text);
    if (converted.size() > 2 && converted[0] == '0' && (converted[1] == 'x' || converted[1] == 'X')) {
        converted.replace(0, 2, "$");
    }
    std::string_view rest = converted;
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    std::int32_t value = 0;
    const bool ok = !rest.empty() && rest.front() == '$' ? ConvertHex(rest.substr(1), value) : ConvertDecimal(rest, value);
    return ok ? value : defaultValue;
}

std::string FindEnvToken(std::string_view text) {
    const std::size_t first = text.find('%');
    if (first == std::string_view::npos) return {};
    const std::size_t second = text.find('%', first + 1);
    if (second == std::string_view::npos) return {};
    return std::string(text.substr(first, second - first + 1));
}

std::string LookupEnvToken(const std::string& token, const Environment& environment) {
    if (token.size() < 2) return token;
    const std::string value = environment.Variable(token.substr(1, token.size() - 2));
    return value.empty() ? token : value;
}

std::string ReplaceText(const std::string& text, const std::string& pattern,
                        const std::string& replacement, bool allOccurrences, bool ignoreCase, const CodePage& cp) {
    const std::string searchText = ignoreCase ? cp.Uppered(text) : text;
    const std::string searchPattern = ignoreCase ? cp.Uppered(pattern) : pattern;
    std::string_view search = searchText;
    std::string_view remaining = text;
    std::string result;
    while (!search.empty()) {
        const std::size_t pos = FindOnCharacterBoundary(cp, search, searchPattern);
        if (pos == std::string_view::npos) break;
        result.append(remaining.substr(0, pos));
        result += replacement;
        remaining.remove_prefix(pos + pattern.size());
        search.remove_prefix(pos + searchPattern.size());
        if (!allOccurrences) break;
    }
    result.append(remaining);
    return result;
}

std::string ExpandDefDir(const std::string& dir, const Environment& environment, const CodePage& cp) {
    if (environment.IsExistingDir(dir)) return dir;
    const std::string token = FindEnvToken(dir);
    if (token.empty() || token == "%%") return dir;
    return ReplaceText(dir, token, LookupEnvToken(token, environment), false, true, cp);
}
