// The placeholder expansion on any command and text. The bytes up to the
// first 0xFF are the program part, up to the next the one passed-on
// argument, the rest the text handed over; the last byte's low bits choose
// the pipe and the interpreter flag. Checked: a command without braces comes
// out exactly as today's (nothing replaced, the argument quoted as today);
// every fault is one its rules allow; and where it expands, a "{sel}" argument
// reaches the program as the text itself, one argument, by the C runtime's
// reading of the command line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/CrtSplit.h"
#include "support/core/CommandLine.h"
#include "support/core/CommandTemplate.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CodePage& cp = CodePage932Model();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t first = bytes.find('\xFF');
    const std::size_t second = first == std::string::npos ? first : bytes.find('\xFF', first + 1);
    CommandParts command;
    command.program = bytes.substr(0, first);
    if (first != std::string::npos) command.passedOn.push_back(bytes.substr(first + 1, second - first - 1));
    const std::string selection = second == std::string::npos ? std::string() : bytes.substr(second + 1);
    TemplateValues values;
    values.inFile = "\"C:\\a b\\qlk1.tmp\"";
    values.outFile = "C:\\T\\qlk2.tmp";
    values.selection = selection;
    values.pipe = size > 0 && (data[size - 1] & 1) != 0;
    values.interpreter = size > 0 && (data[size - 1] & 2) != 0;

    const ExpandedCommand plain = ExpandTemplate(command, values, cp);
    const TemplateScan scan = ScanTemplate(command, cp);
    if (command.program.find_first_of("{}") == std::string::npos &&
        (command.passedOn.empty() || command.passedOn[0].find_first_of("{}") == std::string::npos)) {
        Require(!scan.use.any && plain.fault == TemplateFault::None);
        Require(plain.program == command.program);
        Require(plain.passedOnList == PassedOnListOf(command.passedOn, false, 0, cp));
    }
    if (plain.fault == TemplateFault::UnknownName) Require(!plain.faultText.empty() && plain.faultText[0] == '{');

    // The text as one whole passed-on argument, and in the program part.
    const ExpandedCommand sel = ExpandTemplate(CommandParts{"p {sel}", "", {"{sel}"}}, values, cp);
    std::string encoded;
    std::size_t line = 0;
    const bool converts = PercentEncoded(selection, encoded, line);
    const bool refusable = !converts || selection.size() > kMaxSelectionBytes ||
                           selection.find_first_of(std::string("\r\n\0", 3)) != std::string::npos ||
                           (values.interpreter && selection.find_first_of(kCmdSpecialBytes) != std::string::npos);
    Require((sel.fault != TemplateFault::None) == refusable);
    if (sel.fault == TemplateFault::None) {
        const std::vector<std::string> expected = {"p", selection, selection};
        Require(CrtSplit(sel.program + " " + sel.passedOnList, cp) == expected);
    }
    if (converts) {
        Require(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%") ==
                std::string::npos);
    }
    return 0;
}
