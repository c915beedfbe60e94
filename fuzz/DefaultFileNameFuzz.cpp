// The default file name from any editor text: at most 60 bytes, trimmed, no
// line break or tab, no replaced character outside a double-byte pair, and
// never ending in half of a pair that the cut would split.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/SaveFilterRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CodePage& cp = CodePage932Model();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string name = MakeDefaultFileName(text, cp);
    if (name.size() > kDefaultFileNameLimit) std::abort();
    if (!name.empty() && (static_cast<unsigned char>(name.front()) <= 0x20 || static_cast<unsigned char>(name.back()) <= 0x20)) {
        std::abort();
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (cp.IsLeadByte(b)) {
            ++i;
            continue;
        }
        if (b == '\r' || b == '\n' || b == '\t' || b == 0 || b == 0x1A) std::abort();
        if (std::string_view("\"*,/:;<>?\\|").find(static_cast<char>(b)) != std::string_view::npos) std::abort();
    }
    // A cleaned line never grows, and cleaning twice changes nothing more.
    const std::string cleaned = CleanFileNameLine(text, cp);
    if (cleaned.size() > text.size() || CleanFileNameLine(cleaned, cp) != cleaned) std::abort();
    return 0;
}
