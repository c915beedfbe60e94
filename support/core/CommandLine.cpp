#include "support/core/CommandLine.h"

#include "host/core/HostProtocol.h"

namespace {

bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

bool StartsWithLowered(const std::string& argument, const std::string& loweredPrefix, const CodePage& cp) {
    return cp.Lowered(argument).compare(0, loweredPrefix.size(), loweredPrefix) == 0;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> pieces;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (true) {
            while (i < n && IsBlank(line[i])) ++i;
            if (i + 1 < n && line[i] == '"' && line[i + 1] == '"') i += 2;
            else break;
        }
        std::string piece;
        while (i < n && !IsBlank(line[i])) {
            if (line[i] == '"') {
                const std::size_t close = line.find('"', i + 1);
                const std::size_t end = close == std::string_view::npos ? n : close;
                piece.append(line.substr(i + 1, end - i - 1));
                i = close == std::string_view::npos ? n : close + 1;
            } else {
                piece += line[i++];
            }
        }
        // Only the end of the line gives an empty piece.
        if (piece.empty()) break;
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

bool HasSwitchIn(const std::vector<std::string>& pieces, std::string_view switchText, const CodePage& cp) {
    const std::string wanted = cp.Lowered(std::string(switchText));
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        if (cp.Lowered(pieces[i]) == wanted) return true;
    }
    return false;
}

std::string GetSwitchValueIn(const std::vector<std::string>& pieces, std::string_view prefix, const CodePage& cp) {
    const std::string wanted = cp.Lowered(std::string(prefix));
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        if (pieces[i].size() > wanted.size() && StartsWithLowered(pieces[i], wanted, cp)) {
            return pieces[i].substr(wanted.size());
        }
    }
    return {};
}

std::string ModeSwitch(std::uint8_t editorMode) {
    switch (editorMode) {
    case kModeHtml: return "/html ";
    case kModePerl: return "/perl ";
    case kModeRuby: return "/ruby ";
    case kModeIni: return "/ini ";
    case kModeBat: return "/bat ";
    case kModeCpp: return "/cpp ";
    case kModeJava: return "/java ";
    case kModeVb: return "/vb ";
    case kModeHsp: return "/hsp ";
    case kModePas: return "/pas ";
    default: return "/def ";
    }
}

std::string QuotedArgument(std::string_view argument, const CodePage& cp) {
    std::size_t backslashes = 0;  // ending the argument
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (cp.IsLeadByte(static_cast<unsigned char>(argument[i])) && i + 1 < argument.size()) {
            ++i;
            backslashes = 0;
        } else {
            backslashes = argument[i] == '\\' ? backslashes + 1 : 0;
        }
    }
    std::string quoted;
    quoted.reserve(argument.size() + backslashes + 2);
    quoted += '"';
    quoted += argument;
    quoted.append(backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::string MakePassedOnListFrom(const std::vector<std::string>& pieces, bool withModeSwitch, std::uint8_t editorMode,
                                 const CodePage& cp) {
    // Prefix tests: /hidden or a bare /app= are left out too.
    static constexpr const char* kOwnSwitches[] = {"/app=", "/ext=", "/nowmode", "/hide", "/io=", "/ask", "/out="};
    std::string list;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        bool own = false;
        for (const char* s : kOwnSwitches) own = own || StartsWithLowered(pieces[i], cp.Lowered(s), cp);
        if (!own) list += QuotedArgument(pieces[i], cp) + " ";
    }
    return withModeSwitch ? ModeSwitch(editorMode) + list : list;
}

JobKind ChooseJob(const std::vector<std::string>& pieces, const CodePage& cp) {
    return HasSwitchIn(pieces, "/save", cp) ? JobKind::SaveToFile : JobKind::ExternalToolRun;
}
