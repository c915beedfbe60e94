#include "support/core/CommandHistory.h"

#include <algorithm>

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The letters of where the result goes, in the order of OutputMode (replace
// has none).
constexpr std::string_view kOutputLetters = " ascn";

// A command line as the history can hold it: not empty, no blank at either
// end, no control byte but TAB, and not too long.
bool IsKeepable(std::string_view command) {
    if (command.empty() || command.size() > kMaxHistoryCommandBytes) return false;
    if (IsBlank(command.front()) || IsBlank(command.back())) return false;
    return std::none_of(command.begin(), command.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; });
}

// Every double-byte character whole, with a second byte that code page 932
// allows (40-7E, 80-FC).
bool DoubleBytesWhole(std::string_view text, const CodePage& cp) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!cp.IsLeadByte(static_cast<unsigned char>(text[i]))) continue;
        if (++i == text.size()) return false;
        const auto trail = static_cast<unsigned char>(text[i]);
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    }
    return true;
}

std::optional<HistoryEntry> ParseLine(std::string_view line, const CodePage& cp) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    const std::string_view options = line.substr(0, tab);
    HistoryEntry entry;
    std::string_view rest = line.substr(tab + 1);
    bool folder = false;
    if (options != "-") {
        if (options.empty()) return std::nullopt;
        for (char letter : options) {
            const std::size_t output = kOutputLetters.find(letter);
            if (output != std::string_view::npos && letter != ' ') {
                if (entry.output != OutputMode::Replace) return std::nullopt;
                entry.output = static_cast<OutputMode>(output);
                continue;
            }
            bool* option = letter == 'p'   ? &entry.pipe
                           : letter == 'u' ? &entry.utf8
                           : letter == 'h' ? &entry.hide
                           : letter == 'd' ? &folder
                                           : nullptr;
            if (option == nullptr || *option) return std::nullopt;
            *option = true;
        }
    }
    if (folder) {
        const std::size_t end = rest.find('\t');
        if (end == std::string_view::npos) return std::nullopt;
        entry.folder = TrimmedCommand(rest.substr(0, end));
        rest.remove_prefix(end + 1);
        if (!IsKeepable(entry.folder) || !DoubleBytesWhole(entry.folder, cp)) return std::nullopt;
    }
    entry.command = TrimmedCommand(rest);
    if (!IsKeepable(entry.command) || !DoubleBytesWhole(entry.command, cp)) return std::nullopt;
    return entry;
}

bool SameCommand(const HistoryEntry& entry, std::string_view command) { return entry.command == command; }

}  // namespace

std::optional<std::vector<HistoryEntry>> ParseHistory(std::string_view bytes, const CodePage& cp) {
    if (bytes.find('\0') != std::string_view::npos || bytes.substr(0, 3) == kUtf8ByteOrderMark) return std::nullopt;
    std::vector<HistoryEntry> history;
    bool sawText = false, sawEntry = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::all_of(line.begin(), line.end(), IsBlank)) continue;
        sawText = true;
        std::optional<HistoryEntry> entry = ParseLine(line, cp);
        if (!entry) continue;
        sawEntry = true;
        const bool repeated = std::any_of(history.begin(), history.end(),
                                          [&](const HistoryEntry& e) { return SameCommand(e, entry->command); });
        if (!repeated && history.size() < kHistoryLimit) history.push_back(std::move(*entry));
    }
    if (sawText && !sawEntry) return std::nullopt;
    return history;
}

std::string FormatHistory(const std::vector<HistoryEntry>& history) {
    std::string bytes;
    for (const HistoryEntry& entry : history) {
        if (!IsKeepable(entry.command)) continue;
        std::string options;
        if (entry.pipe) options += 'p';
        if (entry.utf8) options += 'u';
        if (entry.hide) options += 'h';
        if (entry.output != OutputMode::Replace) options += kOutputLetters[static_cast<std::size_t>(entry.output)];
        // A folder that could not be read back (a TAB in it) is left out.
        const bool folder = IsKeepable(entry.folder) && entry.folder.find('\t') == std::string::npos;
        if (folder) options += 'd';
        bytes += options.empty() ? "-" : options;
        bytes += '\t';
        if (folder) bytes += entry.folder + '\t';
        bytes += entry.command;
        bytes += "\r\n";
    }
    return bytes;
}

std::string TrimmedCommand(std::string_view typed) {
    while (!typed.empty() && IsBlank(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && IsBlank(typed.back())) typed.remove_suffix(1);
    return std::string(typed);
}

bool RememberCommand(std::vector<HistoryEntry>& history, HistoryEntry entry) {
    entry.command = TrimmedCommand(entry.command);
    if (!IsKeepable(entry.command)) return false;
    ForgetCommand(history, entry.command);
    history.insert(history.begin(), std::move(entry));
    if (history.size() > kHistoryLimit) history.resize(kHistoryLimit);
    return true;
}

void ForgetCommand(std::vector<HistoryEntry>& history, std::string_view command) {
    std::erase_if(history, [&](const HistoryEntry& e) { return SameCommand(e, command); });
}

void DropUnreadableEntries(std::vector<HistoryEntry>& history, const CodePage& cp) {
    // Each entry read back alone, through the reader itself: whatever rule
    // the reader has, the writer then keeps.
    std::erase_if(history, [&](const HistoryEntry& entry) {
        const auto readBack = ParseHistory(FormatHistory({entry}), cp);
        return !readBack || readBack->size() != 1 || readBack->front() != entry;
    });
}
