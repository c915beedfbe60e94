#include "support/core/CommandLine.h"

#include "host/core/HostProtocol.h"

namespace {

bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

// A byte that code page 932 allows after a lead byte: a lead byte before
// any other (a quote, a blank) is read as a byte of its own.
bool IsSecondByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
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
    std::string quoted;
    quoted.reserve(argument.size() + 2);
    quoted += '"';
    std::size_t backslashes = 0;  // just written, not yet doubled
    for (std::size_t i = 0; i < argument.size(); ++i) {
        const char c = argument[i];
        if (cp.IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < argument.size() && IsSecondByte(argument[i + 1])) {
            quoted.append(argument.substr(i++, 2));
            backslashes = 0;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        } else {
            backslashes = c == '\\' ? backslashes + 1 : 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, '\\');
    quoted += '"';
    return quoted;
}

namespace {

// Prefix tests: /hidden or a bare /app= are left out too.
bool IsOwnSwitch(const std::string& argument, const CodePage& cp) {
    static constexpr const char* kOwnSwitches[] = {"/app=", "/ext=", "/nowmode", "/hide", "/io=", "/ask", "/dir=",
                                                   "/outext=", "/out="};
    const std::string lowered = cp.Lowered(argument);
    for (const char* s : kOwnSwitches) {
        if (lowered.compare(0, std::char_traits<char>::length(s), s) == 0) return true;
    }
    return false;
}

}  // namespace

ToolSwitches ReadToolSwitches(const std::vector<std::string>& pieces, const CodePage& cp) {
    ToolSwitches switches;
    switches.save = HasSwitchIn(pieces, "/save", cp);
    switches.ask = HasSwitchIn(pieces, "/ask", cp);
    switches.nowmode = HasSwitchIn(pieces, "/nowmode", cp);
    switches.hide = HasSwitchIn(pieces, "/hide", cp);
    switches.app = GetSwitchValueIn(pieces, "/app=", cp);
    switches.ext = GetSwitchValueIn(pieces, "/ext=", cp);
    switches.io = GetSwitchValueIn(pieces, "/io=", cp);
    switches.dir = GetSwitchValueIn(pieces, "/dir=", cp);
    switches.outext = GetSwitchValueIn(pieces, "/outext=", cp);
    switches.out = GetSwitchValueIn(pieces, "/out=", cp);
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        if (!IsOwnSwitch(pieces[i], cp)) switches.passedOn.push_back(pieces[i]);
    }
    return switches;
}

std::string PassedOnListOf(const std::vector<std::string>& passedOn, bool withModeSwitch, std::uint8_t editorMode,
                           const CodePage& cp) {
    std::string list = withModeSwitch ? ModeSwitch(editorMode) : std::string();
    for (const std::string& argument : passedOn) list += QuotedArgument(argument, cp) + " ";
    return list;
}

std::string MakePassedOnListFrom(const std::vector<std::string>& pieces, bool withModeSwitch, std::uint8_t editorMode,
                                 const CodePage& cp) {
    return PassedOnListOf(ReadToolSwitches(pieces, cp).passedOn, withModeSwitch, editorMode, cp);
}

JobKind ChooseJob(const std::vector<std::string>& pieces, const CodePage& cp) {
    return HasSwitchIn(pieces, "/save", cp) ? JobKind::SaveToFile : JobKind::ExternalToolRun;
}
