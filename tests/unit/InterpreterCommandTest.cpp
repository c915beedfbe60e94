#include <gtest/gtest.h>

#include "support/core/InterpreterCommand.h"
#include "tests/unit/TestCodePage.h"

namespace {

struct Case {
    const char* why;
    std::string command;
    bool expected;
};

void ExpectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(IsInterpreterCommand(c.command, TestCodePage()), c.expected) << c.why << ": [" << c.command << "]";
    }
}

}  // namespace

TEST(IsInterpreterCommand, BareNamesWithTheRunOnceSwitch) {
    ExpectAll({
        {"cmd", "cmd /c sort", true},
        {"cmd.exe", "cmd.exe /c sort", true},
        {"command.com", "command.com /c sort", true},
        {"switch at the end", "cmd /c", true},
        {"switch at the end, .exe", "cmd.exe /c", true},
        {"upper case name and switch", "CMD.EXE /C sort", true},
        {"mixed case", "Cmd /C x", true},
        {"hyphen", "cmd -c x", true},
        {"upper case hyphen", "COMMAND.COM -C x", true},
        {"several blanks before the switch", "cmd    /c x", true},
        {"blanks trimmed around", "  cmd /c x  ", true},
        {"control bytes trimmed around", "\t\r\n\x01" "cmd /c\t\x1F", true},
        {"text after the switch is not looked at", "cmd /c \"\x83\x65\x83\x58\x83\x67\"", true},
        {"a second blank after the switch", "cmd /c  x", true},
    });
}

TEST(IsInterpreterCommand, OtherCommandsAndSwitches) {
    ExpectAll({
        {"empty", "", false},
        {"blanks only", "   ", false},
        {"name alone", "cmd", false},
        {"name and blank alone", "cmd ", false},
        {"keep-running switch", "cmd /k sort", false},
        {"switch glued to the name", "cmd/c sort", false},
        {"tab is no blank", "cmd\t/c sort", false},
        {"tab after the switch", "cmd /c\tsort", false},
        {"blank then tab", "cmd \t/c x", false},
        {"longer name", "cmdx /c sort", false},
        {"cmd.exe read as cmd leaves .exx", "cmd.exx /c", false},
        {"longer switch", "cmd /cx", false},
        {"switch letter only", "cmd c x", false},
        {"double slash", "cmd //c", false},
        {"folder-qualified", "C:\\windows\\system32\\cmd.exe /c sort", false},
        {"relative folder", ".\\cmd /c sort", false},
        {"other program", "sort.exe /c", false},
        {"command.com cut short", "command /c x", false},
        {"the switch in a second word", "cmd x /c", false},
        {"full-width letters are not the name", "\x82\x83\x82\x8D\x82\x84 /c", false},
        {"a leading NUL is not trimmed", std::string("\0cmd /c", 7), false},
    });
}

TEST(IsInterpreterCommand, QuotedCommands) {
    ExpectAll({
        {"whole command quoted", "\"cmd /c sort\" file", true},
        {"quoted upper case", "\"CMD.EXE -C sort\"", true},
        {"only the name quoted: the content has no switch", "\"cmd\" /c sort", false},
        {"quoted folder-qualified", "\"C:\\Program Files\\cmd.exe /c\"", false},
        {"doubled quotes inside count as one", "\"cmd /c \"\"x\"\"\" y", true},
        {"doubled quote right after the switch is no blank", "\"cmd /c\"\"\"", false},
        {"doubled quote opening the content", "\"\"\"cmd /c\"", false},
        {"content is not trimmed", "\" cmd /c\"", false},
        {"pair of quotes, then the trimmed rest", "\"\"cmd /c sort", true},
        {"pair of quotes, blanks, then the rest", "\"\"   cmd.exe -C  ", true},
        {"pair of quotes, then no interpreter", "\"\"sort /c", false},
        {"pair of quotes alone", "\"\"", false},
        {"pair of quotes and blanks", "\"\"   ", false},
        {"leading blank: the quotes are part of the name", " \"cmd /c\"", false},
    });
}

// An opening quote that no quote closes: the command is malformed, and a
// malformed command must never be started hidden.
TEST(IsInterpreterCommand, UnclosedQuoteIsNoInterpreterCall) {
    ExpectAll({
        {"unclosed", "\"cmd /c sort", false},
        {"unclosed after a doubled quote", "\"cmd /c \"\"", false},
        {"lone quote", "\"", false},
        {"three quotes", "\"\"\"", false},
    });
}

// A lead byte whose second byte looks like a quote or a blank: the bytes are
// examined as bytes, as the platform's command-line reader does.
TEST(IsInterpreterCommand, DoubleByteCharactersAfterTheSwitch) {
    ExpectAll({
        {"Japanese command", "cmd /c \x83\x5C\x81\x5B\x83\x67", true},
        {"Japanese right after the switch", "cmd /c\x83\x5C", false},
        {"full-width blank is no blank", "cmd\x81\x40/c", false},
    });
}
