// The filter conversion and the start-folder rule on any text: separators
// turn into NULs one for one, nothing else changes, and the start folder
// loses at most its one trailing backslash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dialogs/core/DialogRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CodePage& cp = CodePage932Model();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string filter = ConvertFilter(cp, text);
    if (text.empty() != filter.empty()) std::abort();
    if (!text.empty()) {
        if (filter.size() != text.size() + 1 || filter.back() != '\0') std::abort();
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (filter[i] != text[i] && !(text[i] == '|' && filter[i] == '\0')) std::abort();
        }
    }
    const std::string dir = InitialDirValue(cp, text);
    if (dir != text && (dir.size() + 1 != text.size() || text.back() != '\\' || text.compare(0, dir.size(), dir) != 0)) {
        std::abort();
    }
    return 0;
}
