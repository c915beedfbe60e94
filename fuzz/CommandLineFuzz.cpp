// The command-line split and the passed-on list. The first byte picks one of
// two ways of using the rest:
// - as a command line itself: the split never reads outside the line (it is
//   given a buffer of exactly the line's size), no piece is empty or holds a
//   double quote, and every argument that is not one of the tool's switches
//   comes back in the list exactly once, quoted so that the C runtime's rules
//   (backslashes before a quote) split the list back into those arguments;
// - as arguments, 0xFF between them, that are written into a command line
//   with quotes around all or part of them, empty "" pairs and runs of
//   blanks: the split gives back exactly those arguments.
// 0xFD and 0xFE stand for double-byte characters whose second byte is a
// double quote or a backslash (as a line), a backslash or a blank (as
// arguments), which are hard to come by otherwise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/CrtSplit.h"
#include "support/core/CommandLine.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) >= 0x01 && static_cast<unsigned char>(c) <= 0x20; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The tool's own switches by a plain comparison of the first bytes: they are
// ASCII, so only ASCII bytes can match them, and those fold by A-Z alone.
bool BeginsWith(const std::string& argument, const std::string& prefix) {
    if (argument.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(argument[i]) != prefix[i]) return false;
    }
    return true;
}

bool IsToolSwitch(const std::string& argument) {
    for (const char* prefix : {"/app=", "/ext=", "/nowmode", "/hide", "/io=", "/ask", "/dir=", "/outext=", "/out="}) {
        if (BeginsWith(argument, prefix)) return true;
    }
    return false;
}

bool IsWhole(const std::string& argument, const std::string& switchText) {
    return argument.size() == switchText.size() && BeginsWith(argument, switchText);
}

std::vector<std::string> SplitExactly(const std::string& line) {
    // A buffer of exactly the line's size: a read past it is caught.
    const std::unique_ptr<char[]> bytes(new char[line.size() == 0 ? 1 : line.size()]);
    for (std::size_t i = 0; i < line.size(); ++i) bytes[i] = line[i];
    return SplitCommandLine(std::string_view(bytes.get(), line.size()));
}

// The list and the switch queries checked against the arguments themselves.
void CheckQueries(const std::vector<std::string>& pieces) {
    const CodePage& cp = CodePage932Model();
    std::vector<std::string> passedOn = {"t"};
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        if (!IsToolSwitch(pieces[i])) passedOn.push_back(pieces[i]);
    }
    const std::string list = MakePassedOnListFrom(pieces, false, 0, cp);
    Require(MakePassedOnListFrom(pieces, true, 2, cp) == "/html " + list);
    // Quoted, the arguments come back whole from the list, as the program
    // reads it.
    Require(CrtSplit("t " + list, cp) == passedOn);
    for (const char* switchText : {"/save", "/nowmode", "/hide", "/ask"}) {
        bool found = false;
        for (std::size_t i = 1; i < pieces.size(); ++i) found = found || IsWhole(pieces[i], switchText);
        Require(HasSwitchIn(pieces, switchText, cp) == found);
    }
}

void FuzzLine(const std::uint8_t* data, std::size_t size) {
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFD) line += "\x83\"";
        else if (data[i] == 0xFE) line += "\x95\\";
        else line += static_cast<char>(data[i]);
    }
    const std::vector<std::string> pieces = SplitExactly(line);
    for (const std::string& piece : pieces) {
        Require(!piece.empty());
        Require(piece.find('"') == std::string::npos);
    }
    CheckQueries(pieces);
}

void FuzzArguments(const std::uint8_t* data, std::size_t size) {
    // Each argument's first byte says how it is written; the rest is the
    // argument (quotes dropped: no argument can hold one).
    struct Written { unsigned style; std::string text; };
    std::vector<Written> arguments;
    std::size_t i = 0;
    while (i < size) {
        const unsigned style = data[i++];
        std::string text;
        for (; i < size && data[i] != 0xFF; ++i) {
            if (data[i] == '"') continue;
            if (data[i] == 0xFD) text += "\x83\\";
            else if (data[i] == 0xFE) text += "\x95 ";
            else text += static_cast<char>(data[i]);
        }
        ++i;  // the 0xFF
        if (!text.empty()) arguments.push_back({style, text});
    }
    static const char* const kSeparators[] = {" ", "\t", "  \r\n", "\x01", " \"\" ", " \"\"\"\" \x1F"};
    std::string line = "t";
    std::vector<std::string> expected = {"t"};
    for (std::size_t a = 0; a < arguments.size(); ++a) {
        const auto& [style, text] = arguments[a];
        line += kSeparators[(style >> 2) % 6];
        std::size_t firstBlank = 0;
        while (firstBlank < text.size() && !IsBlank(text[firstBlank])) ++firstBlank;
        // Where the quoted stretch opens: no blank may come before it.
        const std::size_t open = std::min<std::size_t>((style >> 5) % (text.size() + 1), firstBlank);
        const bool last = a + 1 == arguments.size();
        switch (style & 3) {
        case 0:  // plain, unless it holds a blank
            if (firstBlank == text.size()) {
                line += text;
                break;
            }
            [[fallthrough]];
        case 1:  // a quoted stretch from `open` on; the last argument may leave it open
            line += text.substr(0, open) + "\"" + text.substr(open);
            if (!(last && (style & 0x80) != 0)) line += "\"";
            break;
        case 2:  // an empty "" pair inside
            if (firstBlank != text.size()) {
                line += "\"" + text + "\"";
            } else {
                line += text.substr(0, open) + "\"\"" + text.substr(open);
            }
            break;
        default:  // quoted whole, with blanks after
            line += "\"" + text + "\"";
            if (!last) line += " ";
            break;
        }
        expected.push_back(text);
    }
    const std::vector<std::string> pieces = SplitExactly(line);
    Require(pieces == expected);
    CheckQueries(pieces);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0) FuzzLine(data + 1, size - 1);
    else FuzzArguments(data + 1, size - 1);
    return 0;
}
