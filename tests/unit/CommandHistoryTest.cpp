#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "support/core/CommandHistory.h"
#include "tests/unit/TestCodePage.h"

using namespace std::string_literals;

namespace {

HistoryEntry Entry(std::string command, bool pipe = false, bool utf8 = false, bool hide = false,
                   std::string folder = {}) {
    return HistoryEntry{std::move(command), pipe, utf8, hide, OutputMode::Replace, std::move(folder)};
}

std::vector<HistoryEntry> Numbered(int count) {
    std::vector<HistoryEntry> history;
    for (int i = 0; i < count; ++i) history.push_back(Entry("c" + std::to_string(i)));
    return history;
}

std::string NumberedFile(int count) { return FormatHistory(Numbered(count)); }

struct ParseCase {
    const char* why;
    std::string bytes;
    std::optional<std::vector<HistoryEntry>> expected;
};

}  // namespace

TEST(CommandHistory, ParseReadsEntriesAndSkipsDamage) {
    const std::string kana = "\x83\x65\x83\x58\x83\x67";  // テスト
    const std::vector<ParseCase> cases = {
        {"empty file", "", std::vector<HistoryEntry>{}},
        {"blank lines only", "\r\n  \n\t\r\n", std::vector<HistoryEntry>{}},
        {"each option, CR LF and LF, last line unended",
         "p\tsort /r\r\npu\tpy -X utf8 C:\\fix.py\nh\tcmd /c x.bat\r\n-\ttextconv /upper",
         {{Entry("sort /r", true), Entry("py -X utf8 C:\\fix.py", true, true), Entry("cmd /c x.bat", false, false, true),
           Entry("textconv /upper")}}},
        {"options in any order; a TAB in the command; blanks at its ends trimmed",
         "hup\twsl sed\ts/a/b/\r\n-\t  sort  \r\n",
         {{Entry("wsl sed\ts/a/b/", true, true, true), Entry("sort")}}},
        {"a working folder before the command, with the other options",
         "dp\tC:\\My Project\tnpm run build\r\n"
         "d\t %TEMP% \tx {in}\r\n"
         "d\tno second tab\r\n"
         "d\t\tempty folder\r\n"
         "dd\tC:\\a\trepeated\r\n",
         {{Entry("npm run build", true, false, false, "C:\\My Project"), Entry("x {in}", false, false, false, "%TEMP%")}}},
        {"where the result goes: one letter at most", "pa\tdate\r\nsu\tfmt\r\nc\twc\r\nn\tstart\r\nac\ttwo\r\n",
         {{HistoryEntry{"date", true, false, false, OutputMode::After},
           HistoryEntry{"fmt", false, true, false, OutputMode::Show}, HistoryEntry{"wc", false, false, false, OutputMode::Copy},
           HistoryEntry{"start", false, false, false, OutputMode::None}}}},
        {"double-byte characters whole", "-\techo " + kana + "\r\n", {{Entry("echo " + kana)}}},
        {"damaged lines skipped between good ones",
         "-\tfirst\r\n"
         "no tab here\r\n"
         "x\tunknown option\r\n"
         "pp\trepeated option\r\n"
         "\tno options\r\n"
         "p\t   \r\n"
         "-\tbell\x07inside\r\n"
         "-\tstray\rCR\r\n"
         "-\tcut " + kana.substr(0, 5) + "\r\n"
         "-\tbad \x83\x7F second byte\r\n"
         "-\t" + std::string(kMaxHistoryCommandBytes + 1, 'a') + "\r\n"
         "u\tlast\r\n",
         {{Entry("first"), Entry("last", false, true)}}},
        {"a repeated command keeps its first (most recent) line", "p\tsort\r\n-\tsort\r\n-\tuniq\r\n",
         {{Entry("sort", true), Entry("uniq")}}},
        {"the longest command kept", "-\t" + std::string(kMaxHistoryCommandBytes, 'a') + "\r\n",
         {{Entry(std::string(kMaxHistoryCommandBytes, 'a'))}}},
        {"entries beyond the limit dropped", NumberedFile(kHistoryLimit + 5), Numbered(kHistoryLimit)},
        {"a NUL byte: not text", "-\tsort\r\n-\tu\0niq\r\n"s, std::nullopt},
        {"UTF-16", "\xFF\xFE-\0\t\0s\0"s, std::nullopt},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF-\tsort\r\n", std::nullopt},
        {"text, but no line an entry", "[history]\r\nsort=1\r\n", std::nullopt},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseHistory(c.bytes, TestCodePage()), c.expected) << c.why;
    }
}

TEST(CommandHistory, FormatReadsBackAsWritten) {
    const std::string file = "p\tsort /r\r\npuh\tcmd /c \x83\x65.bat\r\n-\twsl sed\ts/a/b/\r\n"
                             "pd\tC:\\My Project\tnpm run\r\npc\twc\r\nsd\tC:\\w\tboth\r\n";
    const auto history = ParseHistory(file, TestCodePage());
    ASSERT_TRUE(history);
    EXPECT_EQ(FormatHistory(*history), file);
    // An entry the file could not hold is left out rather than spoiling it.
    EXPECT_EQ(FormatHistory({Entry(""), Entry("a\r\nb"), Entry("sort")}), "-\tsort\r\n");
}

// The writer keeps exactly what the reader gives back as it is.
TEST(CommandHistory, UnreadableEntriesAreDroppedBeforeWriting) {
    std::vector<HistoryEntry> history = {
        Entry("cut \x82"),         // ends in half a double-byte character
        Entry("x \x81\x20 y", true),  // a second byte code page 932 lacks
        Entry("\x83\x65\x83\x58\x83\x67", false, true),
        Entry(" padded "),        // the reader would trim it
        Entry(""),
        Entry("sort /r", true, true, true),
    };
    DropUnreadableEntries(history, TestCodePage());
    EXPECT_EQ(history, (std::vector<HistoryEntry>{Entry("\x83\x65\x83\x58\x83\x67", false, true),
                                                  Entry("sort /r", true, true, true)}));
}

TEST(CommandHistory, RememberMovesToTheTopAndKeepsTheLimit) {
    struct Case {
        const char* why;
        std::vector<HistoryEntry> before;
        HistoryEntry added;
        bool kept;
        std::vector<HistoryEntry> after;
    };
    std::vector<HistoryEntry> fullWithNewTop = Numbered(kHistoryLimit);
    fullWithNewTop.insert(fullWithNewTop.begin(), Entry("new", true));
    fullWithNewTop.pop_back();
    std::vector<HistoryEntry> fullWithLastOnTop = Numbered(kHistoryLimit);
    std::rotate(fullWithLastOnTop.begin(), fullWithLastOnTop.end() - 1, fullWithLastOnTop.end());
    fullWithLastOnTop.front().utf8 = true;
    const std::string last = "c" + std::to_string(kHistoryLimit - 1);

    const std::vector<Case> cases = {
        {"into an empty history", {}, Entry("sort", true), true, {Entry("sort", true)}},
        {"a new command on top", {Entry("a"), Entry("b")}, Entry("c"), true, {Entry("c"), Entry("a"), Entry("b")}},
        {"a repeated command moves up with its new options", {Entry("a"), Entry("b", true), Entry("c")},
         Entry("b", false, true, true), true, {Entry("b", false, true, true), Entry("a"), Entry("c")}},
        {"trimmed before it is compared", {Entry("a"), Entry("b")}, Entry("  b\t"), true, {Entry("b"), Entry("a")}},
        {"other bytes are another command", {Entry("sort")}, Entry("SORT"), true, {Entry("SORT"), Entry("sort")}},
        {"the oldest falls off a full history", Numbered(kHistoryLimit), Entry("new", true), true, fullWithNewTop},
        {"a repeat in a full history drops nothing", Numbered(kHistoryLimit), Entry(last, false, true), true,
         fullWithLastOnTop},
        {"blanks only: not kept", {Entry("a")}, Entry(" \t "), false, {Entry("a")}},
        {"a line break: not kept", {Entry("a")}, Entry("sort\r\nx"), false, {Entry("a")}},
    };
    for (const Case& c : cases) {
        std::vector<HistoryEntry> history = c.before;
        EXPECT_EQ(RememberCommand(history, c.added), c.kept) << c.why;
        EXPECT_EQ(history, c.after) << c.why;
    }
}

TEST(CommandHistory, ForgetRemovesOnlyTheSameBytes) {
    std::vector<HistoryEntry> history = {Entry("sort"), Entry("Sort"), Entry("uniq")};
    ForgetCommand(history, "sort");
    ForgetCommand(history, "missing");
    EXPECT_EQ(history, (std::vector<HistoryEntry>{Entry("Sort"), Entry("uniq")}));
}
