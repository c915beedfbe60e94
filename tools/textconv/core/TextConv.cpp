#include "tools/textconv/core/TextConv.h"

#include <algorithm>
#include <cctype>

#include "base/core/CodePage.h"

namespace {

bool IsLead(char c) { return CodePage932Model().IsLeadByte(static_cast<unsigned char>(c)); }

// The length of the character at text[i]: 2 for a lead byte with a byte
// after it, else 1 (a lead byte at the very end stands alone).
std::size_t CharLength(std::string_view text, std::size_t i) { return IsLead(text[i]) && i + 1 < text.size() ? 2 : 1; }

// Row 0x81 of code page 932: full-width space and punctuation.
struct Form {
    unsigned char trail;
    char ascii;
};
constexpr Form kRow81[] = {
    {0x40, ' '}, {0x43, ','}, {0x44, '.'}, {0x46, ':'}, {0x47, ';'}, {0x48, '?'}, {0x49, '!'}, {0x4D, '`'},
    {0x4F, '^'}, {0x51, '_'}, {0x5E, '/'}, {0x5F, '\\'}, {0x60, '~'}, {0x62, '|'}, {0x69, '('}, {0x6A, ')'},
    {0x6D, '['}, {0x6E, ']'}, {0x6F, '{'}, {0x70, '}'}, {0x7B, '+'}, {0x7C, '-'}, {0x81, '='}, {0x83, '<'},
    {0x84, '>'}, {0x90, '$'}, {0x93, '%'}, {0x94, '#'}, {0x95, '&'}, {0x96, '*'}, {0x97, '@'},
};

// The ASCII counterpart of a double-byte character, or 0.
char HalfwidthOf(unsigned char lead, unsigned char trail) {
    switch (lead) {
    case 0x81:
        for (const Form& form : kRow81) {
            if (form.trail == trail) return form.ascii;
        }
        return 0;
    case 0x82:
        if (trail >= 0x4F && trail <= 0x58) return static_cast<char>('0' + (trail - 0x4F));
        if (trail >= 0x60 && trail <= 0x79) return static_cast<char>('A' + (trail - 0x60));
        if (trail >= 0x81 && trail <= 0x9A) return static_cast<char>('a' + (trail - 0x81));
        return 0;
    // The quotation mark and apostrophe exist only among the extensions, each
    // in two places.
    case 0xEE:
    case 0xFA: {
        const unsigned char apostrophe = lead == 0xEE ? 0xFB : 0x56;
        if (trail == apostrophe) return '\'';
        if (trail == apostrophe + 1) return '"';
        return 0;
    }
    default:
        return 0;
    }
}

// Decimal milliseconds, at most a minute; anything else is no delay.
unsigned DelayOf(const std::string& digits) {
    if (digits.empty() || digits.size() > 5) return 0;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 60000 ? value : 60000;
}

}  // namespace

bool ParseTextConvArguments(const std::vector<std::string>& arguments, TextConvOptions& options, std::string& file) {
    if (arguments.empty()) return false;
    auto lowered = [](std::string name) {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    };
    for (const std::string& argument : arguments) options.stdio = options.stdio || lowered(argument) == "/stdio";
    const std::size_t switches = options.stdio ? arguments.size() : arguments.size() - 1;
    for (std::size_t i = 0; i < switches; ++i) {
        const std::string name = lowered(arguments[i]);
        if (name == "/sort") options.sort = true;
        else if (name == "/halfwidth") options.halfwidth = true;
        else if (name == "/upper") options.upper = true;
        else if (name.rfind("/delay=", 0) == 0) options.delayMs = DelayOf(name.substr(7));
    }
    file = options.stdio ? std::string() : arguments.back();
    return true;
}

std::string ToHalfwidth(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharLength(text, i);
        const char ascii = length == 2 ? HalfwidthOf(static_cast<unsigned char>(text[i]),
                                                     static_cast<unsigned char>(text[i + 1]))
                                       : 0;
        if (ascii != 0) result += ascii;
        else result.append(text.substr(i, length));
        i += length;
    }
    return result;
}

std::string ToUpperAscii(std::string_view text) {
    std::string result(text);
    for (std::size_t i = 0; i < result.size();) {
        const std::size_t length = CharLength(result, i);
        if (length == 1 && result[i] >= 'a' && result[i] <= 'z') result[i] = static_cast<char>(result[i] - 'a' + 'A');
        i += length;
    }
    return result;
}

std::string SortLines(std::string_view text) {
    // A line break (LF, or CR LF) can never be part of a double-byte
    // character: neither byte is a valid second byte.
    std::vector<std::string_view> lines, breaks;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            breaks.push_back({});
            break;
        }
        const std::size_t contentEnd = end > start && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(text.substr(start, contentEnd - start));
        breaks.push_back(text.substr(contentEnd, end + 1 - contentEnd));
        start = end + 1;
    }
    std::stable_sort(lines.begin(), lines.end());
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        result.append(lines[i]);
        result.append(breaks[i]);
    }
    return result;
}

std::string ConvertText(std::string_view text, const TextConvOptions& options) {
    std::string result(text);
    if (options.halfwidth) result = ToHalfwidth(result);
    if (options.upper) result = ToUpperAscii(result);
    if (options.sort) result = SortLines(result);
    return result;
}

std::string FolderOf(std::string_view path) {
    std::size_t folderEnd = 0;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t length = CharLength(path, i);
        if (length == 1 && (path[i] == '\\' || path[i] == '/')) folderEnd = i + 1;
        i += length;
    }
    return std::string(path.substr(0, folderEnd));
}
