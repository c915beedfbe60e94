// Every example of the user's guide, run the way the guide tells the user to
// register it: the programs and the batch file it names are put where it names
// them (on the test's Wine drive C:), and the stand-in editor starts
// C:\Tools\pelmarind.exe with each example's arguments (typing the command that
// the guide gives for an /ask example into its dialog). The examples are read
// from the guide's table, so that the guide cannot show one that is not run.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "support/FileHelpers.h"
#include "tests/robot/AskDialogRobot.h"
#include "tests/robot/HexText.h"
#include "tests/robot/Probe.h"
#include "tests/robot/ResultWindowRobot.h"
#include "tests/robot/Robot.h"
#include "tests/robot/SaveDialogRobot.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr char kTool[] = "C:\\Tools\\pelmarind.exe";
// The header of the table of examples, in the guide and in the README.
constexpr char kGuideHeader[] = "| ［引数］欄 |";
constexpr char kReadmeHeader[] = "| arguments field |";
constexpr char kEmptyCell[] = "（空欄）";

// The first cell of each row of the table under `header`: the text of its
// code span, or nothing for an empty arguments field.
std::vector<std::string> ExampleArguments(const std::string& document, const std::string& header) {
    std::vector<std::string> arguments;
    const std::size_t at = document.find(header);
    if (at == std::string::npos) return arguments;
    std::istringstream lines(document.substr(at));
    std::string line;
    std::getline(lines, line);  // the header
    std::getline(lines, line);  // its rule
    while (std::getline(lines, line) && line.rfind('|', 0) == 0) {
        std::string cell = line.substr(1, line.find('|', 1) - 1);
        cell = cell.substr(cell.find_first_not_of(' '));
        cell = cell.substr(0, cell.find_last_not_of(' ') + 1);
        if (cell == kEmptyCell) {
            cell.clear();
        } else if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`') {
            cell = cell.substr(1, cell.size() - 2);
        } else {
            ADD_FAILURE() << "not an example: " << cell;
        }
        arguments.push_back(cell);
    }
    return arguments;
}

// A file of the guide: its one block of that language ("```bat"), with CR
// LF line ends.
std::string GuideFile(const std::string& guide, const std::string& language) {
    const std::size_t start = guide.find("```" + language + "\n");
    if (start == std::string::npos) return {};
    std::istringstream lines(guide.substr(guide.find('\n', start) + 1));
    std::string line, text;
    while (std::getline(lines, line) && line.rfind("```", 0) != 0) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text += line + "\r\n";
    }
    return text;
}

// The folder of a path, in its short form (as the tool may hand it on).
std::string ShortFolderOf(const std::string& path) { return GetShortPath(path.substr(0, path.find_last_of('\\') + 1)); }

// Files put on drive C: for the test, with the folders made for them; all
// removed again at the end.
class Installed {
public:
    Installed() = default;
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
    ~Installed() {
        for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryA(it->c_str());
    }
    void Put(const std::string& path, const std::string& bytes) {
        for (std::size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
            const std::string folder = path.substr(0, slash);
            if (CreateDirectoryA(folder.c_str(), nullptr)) folders_.push_back(folder);
        }
        WriteFileBytes(path, bytes);
        files_.push_back(path);
    }
    void MakeFolder(const std::string& folder) { Put(folder + "\\.folder", {}); }

private:
    std::vector<std::string> files_, folders_;
};

struct Example {
    std::string arguments;
    std::vector<std::string> hostSwitches;
    std::string probeInstructions;
    std::string finalText;
    bool probeRuns;  // standing in for sort or for the editor's executable
    std::string typed = {};  // the command typed into the ask dialog (/ask)
    int resultButton = 0;    // pressed in the result window (/out=show)
    // Where the probe is not handed a temporary file: the arguments it gets.
    std::vector<std::string> probeArguments = {};
    std::string folder = {};  // made for the run (/dir=), where the probe runs
    std::string appendsTo = {};  // a file that the example adds the text to
};

}  // namespace

TEST(GuideExamples, EveryExampleRunsAsTheGuideSays) {
    const std::string guide = Utf8ToCodePage932(ReadFileBytes(PELMARIND_SOURCE_DIR "docs/guide.md"));
    const std::string readme = Utf8ToCodePage932(ReadFileBytes(PELMARIND_SOURCE_DIR "README.md"));
    ASSERT_NE(guide.find(kTool), std::string::npos) << "the guide registers the tool elsewhere";

    TempDir temp, work;
    const std::string record = work.File("probe.log");
    ScopedEnvironment tmp("TMP", temp.Path().c_str()), tempVariable("TEMP", temp.Path().c_str());
    ScopedEnvironment probeRecord("PELMARIND_PROBE_RECORD", record.c_str());
    // The ask dialog's history goes to the test's folder.
    ScopedEnvironment appData("APPDATA", work.Path().substr(0, work.Path().size() - 1));
    // Wine has no sort command, no Python, no PowerShell, no esbuild and no
    // dictionary: the probe stands in for each, first on the path.
    for (const char* name : {"sort.exe", "py.exe", "powershell.exe", "esbuild.exe", "dict.exe"}) {
        CopyFileA(ProbePath().c_str(), work.File(name).c_str(), FALSE);
    }
    ScopedEnvironment path("PATH", nullptr);
    SetEnvironmentVariableA("PATH", (work.Path() + ";" + path.Old().value_or("")).c_str());

    // "ｂ", "A", "c": each conversion gives a text of its own.
    const std::string text = "\x82\x82\r\nA\r\nc\r\n";
    const std::string sorted = "A\r\nc\r\n\x82\x82\r\n";
    WriteFileBytes(work.File("text.txt"), text);
    WriteFileBytes(work.File("sorted.txt"), sorted);
    const Example examples[] = {
        {"/app=C:\\Tools\\textconv.exe /sort", {}, "", sorted, false},
        {"/app=C:\\Tools\\textconv.exe /halfwidth", {}, "", "b\r\nA\r\nc\r\n", false},
        {"/app=C:\\Tools\\textconv.exe /upper", {}, "", "\x82\x82\r\nA\r\nC\r\n", false},
        {"\"/app=C:\\Program Files\\Textconv\\textconv.exe\" /halfwidth /sort", {}, "", "A\r\nb\r\nc\r\n", false},
        // sort writes its output file: the probe writes what sort would.
        {"\"/app=cmd /c C:\\Tools\\sortlines.bat\" /hide", {}, "--write-from=" + work.File("sorted.txt"), sorted, true},
        // The editor's own executable gets the temporary file.
        {"", {"--exe=" + ProbePath()}, "", text, true},
        // sort and the script read the text from their standard input and
        // write the result to their standard output: the probe writes what
        // they would (the script in UTF-8: "Ｂ", "A", "C").
        {"/app=sort /io=pipe", {}, "--stdin-to=" + work.File("stdin.bin") + "\t--stdout-hex=" + HexText(sorted),
         sorted, true},
        {"\"/app=py -X utf8 C:\\Tools\\upper.py\" /io=pipe,utf8", {},
         "--stdin-to=" + work.File("stdin.bin") + "\t--stdout-hex=" + HexText("\xEF\xBC\xA2\r\nA\r\nC\r\n"),
         "\x82\x61\r\nA\r\nC\r\n", true},
        {"/save", {}, "", text, false},
        // Typed at run time: the dialog opens as a filter (with UTF-8 too).
        {"/ask", {}, "--stdin-to=" + work.File("stdin.bin") + "\t--stdout-hex=" + HexText(sorted), sorted, true, "sort"},
        {"/ask /io=pipe,utf8", {},
         "--stdin-to=" + work.File("stdin.bin") + "\t--stdout-hex=" + HexText("\xEF\xBC\xA2\r\nA\r\nC\r\n"),
         "\x82\x61\r\nA\r\nC\r\n", true, "py -X utf8 C:\\Tools\\upper.py"},
        // esbuild writes the file named after --outfile= (its other options
        // are its own); the dictionary gets the selected word ("ｂ"); the
        // browser (the probe, registered for https) the address.
        {"\"/app=esbuild {in} --minify --outfile={out}\" /ext=js /outext=js", {},
         "--lenient\t--write-hex=" + HexText(sorted), sorted, true},
        {"\"/app=dict.exe {sel}\"", {"--sel=0,2"}, "", text, true, "", 0, {"\x82\x82"}},
        {"\"/app=https://www.google.com/search?q={sel:url}\"", {"--sel=0,2"}, "", text, true, "", 0,
         {"https://www.google.com/search?q=%EF%BD%82"}},
        {"\"/app=py tools\\fix.py {in}\" /dir=C:\\Projects\\site", {}, "--write-hex=" + HexText(sorted), sorted, true,
         "", 0, {}, "C:\\Projects\\site"},
        // Where the result goes: after the text, the clipboard, nowhere (the
        // last one Wine's own command interpreter runs).
        {"\"/app=powershell -nop -c Get-Date -Format yyyy/MM/dd\" /io=pipe /out=after", {},
         "--stdin-to=" + work.File("stdin.bin") + "\t--stdout-hex=" + HexText("2026/12/08\r\n"), text + "2026/12/08\r\n",
         true},
        {"\"/app=C:\\Tools\\textconv.exe /stdio /halfwidth\" /io=pipe /out=show", {}, "", "b\r\nA\r\nc\r\n", false, "",
         IDC_RESULT_REPLACE},
        {"\"/app=C:\\Tools\\textconv.exe /stdio /upper\" /io=pipe /out=copy", {}, "", text, false},
        {"\"/app=cmd /c type {in} >> C:\\Tools\\memo.txt\" /hide /out=none", {}, "", text, false, "", 0, {}, {},
         "C:\\Tools\\memo.txt"},
    };

    // The guide shows exactly these; the README only some of them.
    std::set<std::string> table;
    for (const Example& e : examples) {
        table.insert(e.arguments);
        if (!e.typed.empty()) {
            EXPECT_NE(guide.find("`" + e.typed + "`"), std::string::npos) << "the guide gives it: " << e.typed;
        }
    }
    const std::vector<std::string> shown = ExampleArguments(guide, kGuideHeader);
    EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()), table);
    const std::vector<std::string> inReadme = ExampleArguments(readme, kReadmeHeader);
    EXPECT_FALSE(inReadme.empty());
    for (const std::string& arguments : inReadme) EXPECT_EQ(table.count(arguments), 1u) << arguments;

    // Everything the examples name, where they name it.
    Installed installed;
    installed.Put(kTool, ReadFileBytes(BinPath("pelmarind.exe")));
    const std::regex named(R"(C:\\[^"]*?\\(\w+\.(exe|bat|py)))");
    for (const Example& e : examples) {
        const std::string words = e.arguments + " " + e.typed;
        for (std::sregex_iterator it(words.begin(), words.end(), named), end; it != end; ++it) {
            const std::string file = (*it)[1];
            const std::string bytes = (*it)[2] == "exe" ? ReadFileBytes(BinPath(file))
                                      : GuideFile(guide, (*it)[2] == "bat" ? "bat" : "python");
            ASSERT_FALSE(bytes.empty()) << file;
            installed.Put((*it)[0], bytes);
        }
    }

    const ScopedHttpsHandler browser("\"" + ProbePath() + "\" \"%1\"");
    for (const Example& e : examples) {
        DeleteFileA(record.c_str());
        if (!e.folder.empty()) installed.MakeFolder(e.folder);
        ScopedEnvironment instructions("PELMARIND_PROBE", e.probeInstructions.empty() ? nullptr : e.probeInstructions.c_str());
        std::vector<std::string> switches = e.hostSwitches;
        switches.push_back("--text-file=" + work.File("text.txt"));
        StandinHost host(switches, std::string("\"") + kTool + "\"" + (e.arguments.empty() ? "" : " " + e.arguments));
        ASSERT_TRUE(host.Ready()) << e.arguments;
        if (e.arguments == "/save") {
            const HWND frame = WaitForSaveDialog(host.WaitForStartedPid(kTimeoutMs), kTimeoutMs);
            ASSERT_NE(frame, nullptr);
            TypeSaveDialogName(frame, work.File("saved.txt"));
            ConfirmSaveDialog(frame);
        }
        bool pipe = e.arguments.find("/io=pipe") != std::string::npos;
        if (!e.typed.empty()) {
            const HWND dialog = WaitForAskDialog(host.WaitForStartedPid(kTimeoutMs), kTimeoutMs);
            ASSERT_NE(dialog, nullptr);
            TypeAskCommand(dialog, e.typed);
            pipe = AskOptionChecked(dialog, IDC_ASK_PIPE);
            PressAskRun(dialog);
        }
        if (e.resultButton != 0) {
            const HWND window = WaitForResultWindow(host.WaitForStartedPid(kTimeoutMs), kTimeoutMs);
            ASSERT_NE(window, nullptr) << e.arguments;
            PressButton(window, e.resultButton);
        }
        ASSERT_TRUE(host.WaitForExit(kTimeoutMs)) << e.arguments;
        EXPECT_EQ(host.FinalText(), e.finalText) << e.arguments;
        if (e.arguments == "/save") {
            EXPECT_EQ(ReadFileBytes(work.File("saved.txt")), text);
        }
        if (!e.appendsTo.empty()) {
            EXPECT_EQ(ReadFileBytes(e.appendsTo), text) << e.arguments;
            DeleteFileA(e.appendsTo.c_str());
        }
        // The probe, where it stands in, was given the temporary file (sort
        // the name of its output beside it).
        // (The browser is started, not waited for.)
        const auto probe = e.arguments.find("https:") != std::string::npos ? WaitForRecords(record, "probe", kTimeoutMs)
                                                                          : ReadLogRecords(record, "probe");
        if (e.probeRuns) {
            ASSERT_EQ(probe.size(), 1u) << e.arguments;
            if (!e.folder.empty()) EXPECT_EQ(probe[0].at("cwd"), e.folder);
            if (!e.probeArguments.empty()) {
                EXPECT_EQ(ProbeArguments(probe[0]), e.probeArguments);
                continue;
            }
            if (pipe) {
                // No temporary file: the text came through standard input, as
                // UTF-8 where asked.
                EXPECT_EQ(probe[0].at("file").find("qlk"), std::string::npos) << e.arguments;
                const bool utf8 = e.arguments.find("utf8") != std::string::npos;
                EXPECT_EQ(ReadFileBytes(work.File("stdin.bin")),
                          utf8 ? std::string("\xEF\xBD\x82\r\nA\r\nc\r\n") : text) << e.arguments;
                continue;
            }
            const std::string file = probe[0].at("file");
            EXPECT_EQ(ShortFolderOf(file), GetShortPath(temp.Path())) << file;
            EXPECT_EQ(file.substr(file.find_last_of('\\') + 1, 3), "qlk") << file;
        }
        // No temporary file is left (nor sort's output beside it).
        WIN32_FIND_DATAA found{};
        const HANDLE left = FindFirstFileA(temp.File("qlk*").c_str(), &found);
        EXPECT_EQ(left, INVALID_HANDLE_VALUE) << e.arguments << ": " << found.cFileName;
        if (left != INVALID_HANDLE_VALUE) FindClose(left);
    }
}
