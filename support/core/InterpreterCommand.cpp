#include "support/core/InterpreterCommand.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

bool IsTrimmedByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsTrimmedByte(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmedByte(text.back())) text.remove_suffix(1);
    return text;
}

// The content of the quoted string that opens `command` (after its first
// byte, a double quote), or nothing when no quote closes it.
std::optional<std::string> QuotedContent(std::string_view command) {
    std::string content;
    for (std::size_t i = 1; i < command.size(); ++i) {
        if (command[i] != '"') {
            content += command[i];
        } else if (i + 1 < command.size() && command[i + 1] == '"') {
            content += '"';
            ++i;
        } else {
            return content;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ExaminedText(const std::string& command) {
    if (command.empty() || command.front() != '"') return std::string(Trimmed(command));
    std::optional<std::string> content = QuotedContent(command);
    // An empty content means the command opens with a lone pair of quotes.
    if (content && content->empty()) return std::string(Trimmed(std::string_view(command).substr(2)));
    return content;
}

}  // namespace

bool IsInterpreterCommand(const std::string& command, const CodePage& cp) {
    const std::optional<std::string> examined = ExaminedText(command);
    if (!examined) return false;
    const std::string lowered = cp.Lowered(*examined);
    std::string_view text = *examined;

    bool named = false;
    for (std::string_view name : {"cmd.exe", "cmd", "command.com"}) {
        if (lowered.compare(0, name.size(), name) == 0) {
            text.remove_prefix(name.size());
            named = true;
            break;
        }
    }
    if (!named) return false;

    const std::size_t blanks = std::min(text.find_first_not_of(' '), text.size());
    if (blanks == 0) return false;
    text.remove_prefix(blanks);

    return text.size() >= 2 && (text[0] == '-' || text[0] == '/') && (text[1] == 'C' || text[1] == 'c') &&
           (text.size() == 2 || text[2] == ' ');
}
