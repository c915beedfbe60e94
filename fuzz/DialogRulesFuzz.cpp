// The filter conversion and the start-folder rule on any text: separators
// turn into NULs, empty pattern lists into "*.*", nothing else changes; the
// start folder loses at most its one trailing backslash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dialogs/core/DialogRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CodePage& cp = CodePage932Model();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string filter = ConvertFilter(text, cp);
    if (text.empty() != filter.empty()) std::abort();
    if (!text.empty() && text.find('\0') == std::string::npos) {  // (a filter is a C text)
        // Dropping the "*.*" put in for empty pattern lists and turning NULs
        // back into "|" gives the text again.
        std::string back;
        std::size_t item = 0, start = 0;
        for (std::size_t i = 0; i < filter.size(); ++i) {
            if (filter[i] != '\0') continue;
            std::string piece = filter.substr(start, i - start);
            if (item % 2 == 1 && piece == "*.*" && text.find("*.*") == std::string::npos) piece.clear();
            back += piece + "|";
            start = i + 1;
            ++item;
        }
        back.pop_back();
        if (filter.back() != '\0' || (text.find("*.*") == std::string::npos && back != text)) std::abort();
        if (filter.size() < text.size() + 1) std::abort();
    }
    const std::string dir = InitialDirValue(text, cp);
    if (dir != text && (dir.size() + 1 != text.size() || text.back() != '\\' || text.compare(0, dir.size(), dir) != 0)) {
        std::abort();
    }
    return 0;
}
