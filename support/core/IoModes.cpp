#include "support/core/IoModes.h"

#include <algorithm>
#include <string>

std::optional<IoModes> ParseIoModes(std::string_view value, const CodePage& cp) {
    IoModes modes;
    if (value.empty()) return modes;
    const std::string lowered = cp.Lowered(std::string(value));
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(lowered.find(',', start), lowered.size());
        const std::string_view word = std::string_view(lowered).substr(start, comma - start);
        if (word == "pipe") modes.pipe = true;
        else if (word == "utf8") modes.utf8 = true;
        else if (word == "exact") modes.exact = true;
        else return std::nullopt;
        if (comma == lowered.size()) return modes;
        start = comma + 1;
    }
}

std::optional<OutputMode> ParseOutputMode(std::string_view value, const CodePage& cp) {
    const std::string lowered = cp.Lowered(std::string(value));
    if (lowered.empty() || lowered == "replace") return OutputMode::Replace;
    if (lowered == "after") return OutputMode::After;
    if (lowered == "show") return OutputMode::Show;
    if (lowered == "copy") return OutputMode::Copy;
    if (lowered == "none") return OutputMode::None;
    return std::nullopt;
}
