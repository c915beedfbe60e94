#include "support/core/SaveFilterRules.h"

#include <iterator>

#include "support/core/Texts.h"

namespace {

// The document kinds in the order of their entries, which is the order of the
// editor modes 2 to 11.
struct DocumentEntry {
    std::uint8_t mode;
    const char* name;
    std::string TAppIni::*patternList;
};
constexpr DocumentEntry kDocumentEntries[] = {
    {2, kFilterHtml, &TAppIni::HtmlDocFilter}, {3, kFilterPerl, &TAppIni::PerlDocFilter},
    {4, kFilterRuby, &TAppIni::RubyDocFilter}, {5, kFilterIni, &TAppIni::IniDocFilter},
    {6, kFilterBat, &TAppIni::BatDocFilter},   {7, kFilterCpp, &TAppIni::CppDocFilter},
    {8, kFilterJava, &TAppIni::JavaDocFilter}, {9, kFilterVb, &TAppIni::VbDocFilter},
    {10, kFilterHsp, &TAppIni::HspDocFilter},  {11, kFilterPas, &TAppIni::PasDocFilter},
};

const DocumentEntry* EntryOfMode(std::uint8_t mode) {
    for (const DocumentEntry& entry : kDocumentEntries) {
        if (entry.mode == mode) return &entry;
    }
    return nullptr;
}

bool IsReplacedInFileName(unsigned char b) {
    switch (b) {
        case '"': case '*': case ',': case '/': case ':': case ';': case '<': case '>': case '?': case '\\': case '|':
            return true;
        default:
            return false;
    }
}

bool IsDroppedFromFileName(unsigned char b) { return b == 0x00 || b == 0x09 || b == 0x0A || b == 0x0D || b == 0x1A; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    return text;
}

// The first `limit` bytes, less a double-byte character that the cut would
// split: a name never ends in half a character.
std::string_view CutWhole(const CodePage& cp, std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = cp.IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return text.substr(0, end);
}

}  // namespace

std::string ReplaceAll(const std::string& pattern, const std::string& replacement, const std::string& text) {
    if (pattern.empty()) return text;
    std::string result = text;
    // Searching again from the start, as the operation is defined, finds no
    // occurrence before the last one less the pattern's length; starting
    // there gives the same result. A replacement that holds the pattern would
    // never end that way, so it is replaced in one pass instead.
    const bool oneNewSearch = replacement.find(pattern) == std::string::npos;
    std::size_t from = 0;
    for (std::size_t pos; (pos = result.find(pattern, from)) != std::string::npos;) {
        result.replace(pos, pattern.size(), replacement);
        from = oneNewSearch ? (pos >= pattern.size() - 1 ? pos - (pattern.size() - 1) : 0) : pos + replacement.size();
    }
    return result;
}

std::string MakeFilterItem(const std::string& patternList, std::uint8_t mode) {
    const DocumentEntry* entry = EntryOfMode(mode);
    std::string item = "|";
    item += entry != nullptr ? entry->name : "";
    if (patternList.empty()) return item + "(*.*)|*.*";
    return item + "(" + ReplaceAll(";", ",", patternList) + ")|" + patternList;
}

std::string MakeFilterText(const TAppIni& settings) {
    std::string filter = kFilterHead;
    filter += ReplaceAll(";", ",", settings.UserFileFilter);
    filter += kFilterUserMiddle;
    filter += settings.UserFileFilter;
    for (const DocumentEntry& entry : kDocumentEntries) filter += MakeFilterItem(settings.*entry.patternList, entry.mode);
    filter += kFilterTail;
    return filter;
}

int FilterIndexForMode(std::uint8_t mode, const TAppIni& settings) {
    const DocumentEntry* entry = EntryOfMode(mode);
    if (entry == nullptr || (settings.*entry->patternList).empty()) return 2;
    return static_cast<int>(std::distance(std::begin(kDocumentEntries), entry)) + 3;
}

std::string CleanFileNameLine(std::string_view line, const CodePage& cp) {
    std::string result;
    result.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (cp.IsLeadByte(b)) {
            result += line.substr(i, 2);
            ++i;
        } else if (IsReplacedInFileName(b)) {
            result += '-';
        } else if (!IsDroppedFromFileName(b)) {
            result += static_cast<char>(b);
        }
    }
    return result;
}

std::string MakeDefaultFileName(std::string_view text, const CodePage& cp) {
    text = text.substr(0, text.find('\0'));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string cleaned = CleanFileNameLine(text.substr(start, end - start), cp);
        const std::string_view name = Trimmed(CutWhole(cp, cleaned, kDefaultFileNameLimit));
        if (!name.empty()) return std::string(name);
        start = end;
        if (start < text.size() && text[start] == '\r') ++start;
        if (start < text.size() && text[start] == '\n') ++start;
    }
    return {};
}
