// The history file's reading: any bytes give either nothing or at most the
// limit of entries, no command twice, each of which the file format can hold,
// so that writing them and reading that back gives the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "support/core/CommandHistory.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CodePage& cp = CodePage932Model();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto history = ParseHistory(bytes, cp);
    if (!history) return 0;
    Require(history->size() <= kHistoryLimit);
    std::set<std::string> commands;
    for (const HistoryEntry& entry : *history) {
        Require(!entry.command.empty() && entry.command == TrimmedCommand(entry.command));
        Require(commands.insert(entry.command).second);
    }
    const std::string written = FormatHistory(*history);
    if (history->empty()) {
        Require(written.empty());
        return 0;
    }
    Require(ParseHistory(written, cp) == history);
    // What the reader gave, the writer keeps whole.
    auto kept = *history;
    DropUnreadableEntries(kept, cp);
    Require(kept == *history);
    auto remembered = *history;
    Require(RememberCommand(remembered, history->back()));
    Require(remembered.size() == history->size() && remembered.front() == history->back());
    return 0;
}
