// The external tool run from end to end: the stand-in editor starts the tool
// the way its Tools menu would, the probe child stands in for the external
// program.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <regex>

#include "app/RunningWindowIds.h"

#include "base/CodePageWin32.h"
#include "base/NativeSystemFolder.h"
#include "base/core/ScopeGuard.h"
#include "host/core/TextSize.h"
#include "support/FileHelpers.h"
#include "support/core/PathText.h"
#include "support/core/ProcessTree.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "tests/robot/AskDialogRobot.h"
#include "tests/robot/HexText.h"
#include "tests/robot/Probe.h"
#include "tests/robot/ResultWindowRobot.h"
#include "tests/robot/Robot.h"
#include "tests/robot/SaveDialogRobot.h"

namespace {

constexpr DWORD kRunTimeoutMs = 30000;

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& dir) {
        char old[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, old);
        old_ = old;
        SetCurrentDirectoryA(dir.c_str());
    }
    ~ScopedCurrentDirectory() { SetCurrentDirectoryA(old_.c_str()); }

private:
    std::string old_;
};

// One run's surroundings: its own temporary-files folder (so that the tool's
// temporary file can be looked for), and the probe's record file, which the
// probe also finds through the environment when no argument names it.
class ExternalToolRun : public ::testing::Test {
protected:
    TempDir temp;
    TempDir work;
    std::string record = work.File("probe.log");
    ScopedEnvironment tmp{"TMP", temp.Path()};
    ScopedEnvironment tempVar{"TEMP", temp.Path()};
    ScopedEnvironment probeRecord{"PELMARIND_PROBE_RECORD", record};

    static std::string Tool(const std::string& arguments) {
        return "\"" + BinPath("pelmarind.exe") + "\"" + (arguments.empty() ? "" : " " + arguments);
    }
    static std::string AppIsProbe() { return "\"/app=" + ProbePath() + "\""; }

    StandinHost::Record ProbeRecord() {
        const auto records = WaitForRecords(record, "probe", 1000);
        return records.empty() ? StandinHost::Record{} : records.front();
    }
    // The temporary files the tool left behind (in the test's folder, or in `folder`).
    std::string TempFolderContents(const std::string& folder = {}) const {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(((folder.empty() ? temp.Path() : folder) + "qlk*").c_str(), &found);
        std::string names;
        if (search != INVALID_HANDLE_VALUE) {
            do names += std::string(found.cFileName) + " ";
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        return names;
    }
    static std::vector<StandinHost::Record> SetTexts(const StandinHost& host) {
        std::vector<StandinHost::Record> sets;
        for (const auto& r : host.Records("msg")) {
            if (r.count("HM_SETTEXT")) sets.push_back(r);
        }
        return sets;
    }
    // The host as it was left: titles back, both windows enabled.
    static void ExpectUnlocked(const StandinHost& host, const std::string& title, const std::string& ownerTitle) {
        const auto after = host.Records("after");
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after[0].at("title"), title);
        EXPECT_EQ(after[0].at("owner_title"), ownerTitle);
        EXPECT_EQ(after[0].at("owner_enabled"), "1");
        EXPECT_EQ(after[0].at("main_enabled"), "1");
    }
    static bool SawLocked(const StandinHost& host, const std::string& title, const std::string& ownerTitle) {
        for (const auto& r : host.Records("state")) {
            if (r.at("owner_enabled") == "0" && r.at("main_enabled") == "0" && r.at("title") == LockedTitle(title, SystemCodePage()) &&
                r.at("owner_title") == LockedTitle(ownerTitle, SystemCodePage())) {
                return true;
            }
        }
        return false;
    }
};


std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    const ScopeGuard close([] { CloseClipboard(); });
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (text == nullptr) return std::nullopt;
    std::wstring copy = text;
    GlobalUnlock(data);
    return copy;
}

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    const ScopeGuard close([] { CloseClipboard(); });
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
}



}  // namespace

TEST_F(ExternalToolRun, HandsTheTextToTheProgramWithTheTemporaryFileLast) {
    const std::string text = "\x93\xFA\x96\x7B\x8C\xEA\r\nsecond line\r\n";
    StandinHost host({"--text=" + text, "--sel=0,0"},
                     Tool(AppIsProbe() + " \"--save-input=" + work.File("input.bin") + "\" plain"));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    const auto probe = ProbeRecord();
    ASSERT_FALSE(probe.empty());
    const std::string file = probe.at("file");
    EXPECT_TRUE(std::regex_match(file, std::regex(std::regex_replace(temp.Path(), std::regex(R"(\\)"), R"(\\)") +
                                                  "qlk[0-9a-fA-F]{1,4}\\.tmp")))
        << file;
    EXPECT_EQ(ProbeCommandLine(probe), GetShortPath(ProbePath()) + " \"--save-input=" + work.File("input.bin") +
                                           "\" \"plain\"  " + file);
    // The program saw exactly the text's bytes.
    EXPECT_EQ(ReadFileBytes(work.File("input.bin")), text);
    // Untouched: nothing written back, everything put back, the file gone.
    EXPECT_TRUE(SetTexts(host).empty());
    EXPECT_EQ(host.FinalText(), text);
    ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
    EXPECT_EQ(TempFolderContents(), "");
}

// A temporary folder whose path holds a blank (a user name with a blank puts
// one there): the program still gets the whole name as one argument, the
// short form of the folder, and a failed launch names the file that way too.
TEST_F(ExternalToolRun, TheTemporaryFileReachesTheProgramWhole) {
    const std::string blankTemp = temp.File("with blank\\");
    ASSERT_TRUE(CreateDirectoryA(blankTemp.c_str(), nullptr));
    const std::string shortFolder = GetShortPath(blankTemp);
    ASSERT_EQ(shortFolder.find(' '), std::string::npos) << shortFolder;
    ScopedEnvironment tmpWithBlank{"TMP", blankTemp};
    ScopedEnvironment tempWithBlank{"TEMP", blankTemp};

    const std::string input = work.File("input.bin");
    StandinHost host({"--text=whole text"}, Tool(AppIsProbe() + " \"--save-input=" + input + "\""));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    const auto probe = ProbeRecord();
    ASSERT_FALSE(probe.empty());
    const std::string file = probe.at("file");
    EXPECT_EQ(file.substr(0, shortFolder.size() + 3), shortFolder + "qlk") << file;
    EXPECT_EQ(ProbeCommandLine(probe), GetShortPath(ProbePath()) + " \"--save-input=" + input + "\"  " + file);
    EXPECT_EQ(ReadFileBytes(input), "whole text");

    StandinHost failing({"--text=abc"}, Tool("/app=C:\\nowhere\\conv.exe"));
    ASSERT_TRUE(failing.Ready());
    const auto box = WaitForMessageBox(failing.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
    ASSERT_TRUE(box.has_value());
    const std::string head = "C:\\nowhere\\conv.exe  " + shortFolder + "qlk";
    EXPECT_EQ(box->text.substr(0, head.size()), head) << box->text;
    EXPECT_EQ(box->text.find("with blank"), std::string::npos) << box->text;
    PressButton(box->window, IDOK);
    ASSERT_TRUE(failing.WaitForExit(kRunTimeoutMs));
}

TEST_F(ExternalToolRun, CommandLineShapes) {
    struct Case {
        std::vector<std::string> hostSwitches;
        std::string arguments;
        std::string tailBeforeFile;  // what stands between the program and the file
    };
    const Case cases[] = {
        // No passed-on list and no mode switch: two blanks before the file.
        {{}, AppIsProbe(), "  "},
        {{"--mode-reply=1"}, AppIsProbe() + " a b /nowmode", " /html \"a\" \"b\"  "},
        {{"--mode-reply=0"}, "/NOWMODE " + AppIsProbe(), " /def  "},
        {{"--mode-reply=1"}, AppIsProbe() + " /hideaway /ext= x /saveas", " \"x\" \"/saveas\"  "},
        // The backslash before the closing quote doubled: the program gets
        // C:\windows\ and the file as two arguments.
        {{}, AppIsProbe() + " C:\\windows\\", " \"C:\\windows\\\\\"  "},
        // No /app=: the host's own executable is started.
        {{"--exe=" + ProbePath()}, "", "  "},
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        std::vector<std::string> switches = c.hostSwitches;
        switches.push_back("--text=abc");
        StandinHost host(switches, Tool(c.arguments));
        ASSERT_TRUE(host.Ready());
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        const auto probe = ProbeRecord();
        ASSERT_FALSE(probe.empty()) << c.arguments;
        EXPECT_EQ(ProbeCommandLine(probe), GetShortPath(ProbePath()) + c.tailBeforeFile + probe.at("file")) << c.arguments;
        EXPECT_EQ(probe.at("file").substr(0, temp.Path().size()), temp.Path()) << c.arguments;
    }
}

// A temporary folder with one of cmd's special characters in its name: the
// handed-on name is quoted, so that a batch file run through cmd /c gets it
// whole as %1 and its result comes back.
TEST_F(ExternalToolRun, ATemporaryFolderNamedWithAnAmpersandReachesABatchFileWhole) {
    const std::string folder = temp.File("R&D\\");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ScopedEnvironment tmpRandD{"TMP", folder};
    ScopedEnvironment tempRandD{"TEMP", folder};
    const std::string batch = work.File("result.bat");
    WriteFileBytes(batch, "@echo off\r\necho result>%1\r\n");
    WriteFileBytes(work.File("text.txt"), "abc\r\n");
    StandinHost host({"--text-file=" + work.File("text.txt")}, Tool("\"/app=cmd /c " + batch + "\" /hide"));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_EQ(host.FinalText(), "result\r\n");
    EXPECT_EQ(TempFolderContents(folder), "");
}

TEST_F(ExternalToolRun, WritesBackWhenTheFileChanged) {
    const std::string replacement = "\x83\x65\x83\x58\x83\x67 new";  // katakana, then ASCII
    struct Case {
        const char* what;
        std::string selection;
        std::string actions;
        std::string finalText;
        const char* kind;  // of HM_SETTEXT, or nullptr for none
    };
    const Case cases[] = {
        {"untouched", "--sel=0,5", "", "hello world", nullptr},
        {"selection rewritten", "--sel=0,5", "--write-hex=" + HexText(replacement), replacement + " world", "1"},
        {"one-byte selection", "--sel=1,2", "--write-hex=" + HexText("XY"), "hXYllo world", "1"},
        {"empty selection: the whole text", "--sel=3,3", "--write-hex=" + HexText(replacement), replacement, "0"},
        {"time set back", "--sel=3,3", "--write-hex=" + HexText("older") + " --set-back=86400", "older", "0"},
        // (After the question that an empty result for a text asks, answered はい.)
        {"emptied", "--sel=0,11", "--write-hex=", "", "1"},
    };
    for (const Case& c : cases) {
        StandinHost host({"--text=hello world", c.selection}, Tool(AppIsProbe() + " " + c.actions));
        ASSERT_TRUE(host.Ready()) << c.what;
        if (c.finalText.empty()) {
            const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
            ASSERT_TRUE(box.has_value()) << c.what;
            EXPECT_EQ(box->text, kEmptyResultAsk) << c.what;
            PressButton(box->window, IDYES);
        }
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.what;
        EXPECT_EQ(host.FinalText(), c.finalText) << c.what;
        const auto sets = SetTexts(host);
        if (c.kind == nullptr) {
            EXPECT_TRUE(sets.empty()) << c.what;
        } else {
            ASSERT_EQ(sets.size(), 1u) << c.what;
            EXPECT_EQ(sets[0].at("wparam"), c.kind) << c.what;
        }
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        EXPECT_EQ(TempFolderContents(), "") << c.what;
    }
}

TEST_F(ExternalToolRun, ExtensionOfTheTemporaryFile) {
    for (const auto& [ext, expected] : {std::pair<std::string, std::string>{"/ext=txt", ".txt"}, {"/EXT=html", ".html"},
                                        {"/ext=", ".tmp"}}) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=abc"}, Tool(AppIsProbe() + " " + ext));
        ASSERT_TRUE(host.Ready());
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        const std::string file = ProbeRecord()["file"];
        EXPECT_EQ(file.substr(file.size() - expected.size()), expected) << ext;
        EXPECT_EQ(file.substr(temp.Path().size(), 3), "qlk") << ext;
        EXPECT_EQ(TempFolderContents(), "") << ext;
    }
}

TEST_F(ExternalToolRun, TheHostIsLockedWhileTheProgramRuns) {
    const std::string longTitle = "C:\\" + std::string(290, 'd') + "\\memo.txt - Zorvane";
    struct Case { std::string title; bool mirror; };
    const Case cases[] = {
        {"memo.txt - Zorvane", false},
        // The whole title comes back, also past the usual 259 bytes.
        {longTitle, false},
        // A host that copies its main title onto its owner window: both
        // titles are read before either is set, so neither is saved with the
        // prefix in it.
        {"memo.txt - Zorvane", true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> switches = {"--text=abc", "--title=" + c.title};
        if (c.mirror) switches.push_back("--mirror-title");
        StandinHost host(switches, Tool(AppIsProbe() + " --sleep=300"));
        ASSERT_TRUE(host.Ready());
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        EXPECT_TRUE(SawLocked(host, c.title, "Zorvane")) << c.title.size() << c.mirror;
        ExpectUnlocked(host, c.title, "Zorvane");
    }
    // A host without an owner window: its title alone is locked.
    StandinHost host({"--text=abc", "--no-owner"}, Tool(AppIsProbe() + " --sleep=300"));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    bool locked = false;
    for (const auto& r : host.Records("state")) locked = locked || r.at("title") == std::string(kLockPrefix) + "memo.txt - Zorvane";
    EXPECT_TRUE(locked);
    EXPECT_EQ(host.Records("after").at(0).at("title"), "memo.txt - Zorvane");
}

TEST_F(ExternalToolRun, HideAppliesToAnInterpreterRunningOneCommand) {
    const std::string interpreter = InstallProbeAsInterpreter(work);
    ScopedCurrentDirectory inWork(work.Path());
    struct Case { std::string arguments; const char* show; };
    const Case cases[] = {
        {"\"/app=cmd /c x\" /hide", "0"},
        {"\"/app=CMD.EXE -C x\" /HIDE", "0"},
        {"\"/app=cmd /k x\" /hide", "1"},
        {"\"/app=" + interpreter + " /c x\" /hide", "1"},
        {"\"/app=cmd /c x\"", "1"},
        {"/app=cmd /c x /hide", "1"},  // /c is a passed-on argument here
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=abc"}, Tool(c.arguments));
        ASSERT_TRUE(host.Ready());
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        const auto probe = ProbeRecord();
        ASSERT_FALSE(probe.empty()) << c.arguments;
        EXPECT_EQ(probe.at("show"), c.show) << c.arguments;
    }
}

TEST_F(ExternalToolRun, LaunchFailureIsShownWhileLockedThenEverythingIsPutBack) {
    struct Case { std::vector<std::string> hostSwitches; std::string arguments; std::string program, list; };
    const Case cases[] = {
        {{}, "/app=C:\\nowhere\\conv.exe a", "C:\\nowhere\\conv.exe", "\"a\" "},
        // Neither /app= nor a host executable: the line begins with a blank.
        {{}, "", "", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> switches = c.hostSwitches;
        switches.push_back("--text=abc");
        StandinHost host(switches, Tool(c.arguments));
        ASSERT_TRUE(host.Ready());
        const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
        const auto box = WaitForMessageBox(tool, kRunTimeoutMs);
        ASSERT_TRUE(box.has_value()) << c.arguments;
        EXPECT_EQ(box->caption, kAppCaption);
        EXPECT_EQ(box->owner, host.Owner());
        EXPECT_TRUE(box->exclamationIcon);
        const std::string head = c.program + " " + c.list + " ";
        ASSERT_EQ(box->text.substr(0, head.size()), head) << box->text;
        const std::string file = box->text.substr(head.size(), box->text.find("\r\n") - head.size());
        EXPECT_EQ(box->text, LaunchFailedMessage(c.program, c.list, file));
        EXPECT_EQ(file.substr(0, temp.Path().size() + 3), temp.Path() + "qlk");
        // Still locked while the message is up.
        EXPECT_EQ(TextOf(host.Main()), std::string(kLockPrefix) + "memo.txt - Zorvane");
        EXPECT_EQ(TextOf(host.Owner()), std::string(kLockPrefix) + "Zorvane");
        EXPECT_FALSE(IsWindowEnabled(host.Owner()));
        PressButton(box->window, IDOK);
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0");
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        EXPECT_TRUE(SetTexts(host).empty());
        EXPECT_FALSE(FileExists(file));
    }
}

// The program's result cannot be read (a process of its own still holds the
// file): the error is shown, after the host was put back, and the tool ends.
TEST_F(ExternalToolRun, AnErrorInsideTheJobIsShownAndTheToolStillEnds) {
    StandinHost host({"--text=hello"}, Tool(AppIsProbe() + " --write-hex=" + HexText("changed") + " --hold-after=4000"));
    ASSERT_TRUE(host.Ready());
    const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
    const auto box = WaitForMessageBox(tool, kRunTimeoutMs);
    ASSERT_TRUE(box.has_value());
    const std::string file = ProbeRecord().at("file");
    EXPECT_EQ(box->text, FormatMessageText(kCannotOpenFile, file));
    EXPECT_EQ(box->caption, kAppCaption);
    EXPECT_TRUE(box->errorIcon);
    // Owned by the editor's owner window, which it disables while it is up;
    // the lock is undone before it shows.
    EXPECT_EQ(box->owner, host.Owner());
    EXPECT_EQ(TextOf(host.Main()), "memo.txt - Zorvane");
    EXPECT_EQ(TextOf(host.Owner()), "Zorvane");
    EXPECT_TRUE(IsWindowEnabled(host.Main()));
    PressButton(box->window, IDOK);
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0");
    EXPECT_EQ(host.FinalText(), "hello");
    EXPECT_TRUE(SetTexts(host).empty());
    // The file is left only because another process still held it.
    WaitForRecords(record, "grandchild-done", 10000);
    DeleteFileA(file.c_str());
}

// The temporary file cannot be written (the host itself grabs it when it is
// locked): the error is shown, and the titles are back as well.
TEST_F(ExternalToolRun, AFailedHandOverStillPutsTheTitlesBack) {
    StandinHost host({"--text=hello", "--hold-temp-in=" + temp.Path()}, Tool(AppIsProbe()));
    ASSERT_TRUE(host.Ready());
    const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
    const auto box = WaitForMessageBox(tool, kRunTimeoutMs);
    ASSERT_TRUE(box.has_value());
    const auto held = host.Records("holding");
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(box->text, FormatMessageText(kCannotCreateFile, held[0].at("file")));
    EXPECT_EQ(box->owner, host.Owner());
    EXPECT_EQ(TextOf(host.Main()), "memo.txt - Zorvane");
    EXPECT_EQ(TextOf(host.Owner()), "Zorvane");
    EXPECT_TRUE(IsWindowEnabled(host.Main()));
    PressButton(box->window, IDOK);
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
    EXPECT_TRUE(ReadLogRecords(record, "probe").empty()) << "the program must not run";
    EXPECT_EQ(host.FinalText(), "hello");
}

// The text cannot be taken from the editor: the job ends with the message
// before anything is locked, written, started or shown, and the editor is
// left as it was. (A truly empty text still runs: see the start-up cases.)
TEST_F(ExternalToolRun, ATextThatCannotBeTakenEndsTheJobUntouched) {
    const std::string text(10000, 't');
    struct Case { const char* what; std::vector<std::string> hostSwitches; std::string arguments; };
    const Case cases[] = {
        // A section of the tool's name, held by another process: never
        // written over, however large.
        {"section already there", {"--stale-section=100000"}, AppIsProbe()},
        // The host declines the selection (the whole text is asked for) and
        // then the whole text, while its text-editing window holds some.
        {"host said no", {"--gettext-reply=0"}, AppIsProbe()},
        {"host said no, save job", {"--gettext-reply=0"}, "/save"},
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        std::vector<std::string> switches = c.hostSwitches;
        switches.push_back("--text=" + text);
        StandinHost host(switches, Tool(c.arguments));
        ASSERT_TRUE(host.Ready()) << c.what;
        const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
        const auto box = WaitForMessageBox(tool, kRunTimeoutMs);
        ASSERT_TRUE(box.has_value()) << c.what;
        EXPECT_EQ(box->text, kTextNotTaken) << c.what;
        EXPECT_EQ(box->caption, kAppCaption) << c.what;
        EXPECT_EQ(box->owner, host.Owner()) << c.what;
        EXPECT_TRUE(box->exclamationIcon) << c.what;
        // Nothing locked, no temporary file, no dialog.
        EXPECT_EQ(TextOf(host.Main()), "memo.txt - Zorvane") << c.what;
        EXPECT_EQ(TextOf(host.Owner()), "Zorvane") << c.what;
        EXPECT_EQ(TempFolderContents(), "") << c.what;
        EXPECT_EQ(TopLevelWindowsOf(tool, "#32770").size(), 1u) << c.what;
        PressButton(box->window, IDOK);
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.what;
        EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0") << c.what;
        EXPECT_TRUE(ReadLogRecords(record, "probe").empty()) << c.what;
        EXPECT_TRUE(SetTexts(host).empty()) << c.what;
        EXPECT_EQ(host.FinalText(), text) << c.what;
        // (The message box, modal to the owner window, disables it while it is up.)
        for (const auto& state : host.Records("state")) EXPECT_EQ(state.at("title"), "memo.txt - Zorvane") << c.what;
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
    }
}

// The program changed the file but its result cannot be put back: the file
// is kept and named to the user, and the editor's text stays as it was.
TEST_F(ExternalToolRun, AResultThatCannotBePutBackIsKeptAndNamed) {
    const std::string result(5000, 'r');
    WriteFileBytes(work.File("result.bin"), result);
    const std::string writeResult = "\"--write-from=" + work.File("result.bin") + "\" --sleep=1000";
    // 4 GiB and 10 bytes: cut to 32 bits, 10 bytes. More than either build
    // takes, as the host's messages carry a section's size in 32 bits.
    constexpr long long kOver4GiB = (1LL << 32) + 10;
    struct Case { const char* what; std::vector<std::string> hostSwitches; std::string probeActions; long long keptSize; bool editorGone, sent; };
    const Case cases[] = {
        // The user closes the editor while the program runs.
        {"editor closed", {"--close-after-ms=300"}, writeResult, 5000, true, false},
        // The editor goes while it handles the write-back.
        {"editor closed on the write-back", {"--close-on-settext"}, writeResult, 5000, true, true},
        // A section of the tool's name, large enough for the result, appears
        // while the program runs: someone else's, never written over.
        {"section already there", {"--stale-section-at-lock=100000"}, writeResult, 5000, false, false},
        {"result over 4 GiB", {}, writeResult + " --extend-to=" + std::to_string(kOver4GiB),
         kOver4GiB, false, false},
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        std::vector<std::string> switches = c.hostSwitches;
        switches.insert(switches.end(), {"--text=hello world", "--sel=0,5"});
        StandinHost host(switches, Tool(AppIsProbe() + " " + c.probeActions));
        ASSERT_TRUE(host.Ready()) << c.what;
        const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
        const auto box = WaitForMessageBox(tool, kRunTimeoutMs);
        ASSERT_TRUE(box.has_value()) << c.what;
        const std::string file = ProbeRecord().at("file");
        EXPECT_EQ(box->text, FormatMessageText(kResultKept, file)) << c.what;
        EXPECT_EQ(box->caption, kAppCaption) << c.what;
        EXPECT_TRUE(box->exclamationIcon) << c.what;
        EXPECT_EQ(box->owner, c.editorGone ? nullptr : host.Owner()) << c.what;
        PressButton(box->window, IDOK);
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.what;
        EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0") << c.what;
        WIN32_FILE_ATTRIBUTE_DATA kept{};
        ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &kept)) << c.what;
        EXPECT_EQ((static_cast<long long>(kept.nFileSizeHigh) << 32) | kept.nFileSizeLow, c.keptSize) << c.what;
        if (c.keptSize == 5000) {
            EXPECT_EQ(ReadFileBytes(file), result) << c.what;
        }
        EXPECT_EQ(SetTexts(host).size(), c.sent ? 1u : 0u) << c.what;
        EXPECT_EQ(host.FinalText(), "hello world") << c.what;
        if (c.editorGone) {
            EXPECT_EQ(host.Records("closed").size(), 1u) << c.what;
        } else {
            ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        }
        DeleteFileA(file.c_str());
        EXPECT_EQ(TempFolderContents(), "") << c.what;
    }
}

namespace {

// The window the tool shows while a program runs long, if it shows one now.
HWND RunningWindowOf(DWORD toolPid) {
    for (HWND window : TopLevelWindowsOf(toolPid, "#32770")) {
        if (GetDlgItem(window, IDC_RUNNING_STATUS) != nullptr) return window;
    }
    return nullptr;
}

HWND WaitForRunningWindow(DWORD toolPid, DWORD timeoutMs) {
    const DWORD started = GetTickCount();
    for (;;) {
        const HWND window = RunningWindowOf(toolPid);
        if (window != nullptr && IsWindowVisible(window)) return window;
        if (GetTickCount() - started > Scaled(timeoutMs)) return nullptr;
        Sleep(20);
    }
}

// The seconds that the window's status line shows after the program's name.
long ShownSeconds(HWND window, const std::string& program) {
    const std::string status = TextOf(GetDlgItem(window, IDC_RUNNING_STATUS));
    const std::string head = kRunningLabel + program + "  ";
    if (status.rfind(head, 0) != 0 || status.size() <= head.size()) return -1;
    if (status.substr(status.size() - std::strlen(kSecondsSuffix)) != kSecondsSuffix) return -1;
    return std::strtol(status.c_str() + head.size(), nullptr, 10);
}

KernelHandle OpenProcessById(const std::string& pid) {
    return KernelHandle(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, std::stoul(pid)));
}

bool Ended(const KernelHandle& process, DWORD timeoutMs) {
    return process && WaitForSingleObject(process.Get(), Scaled(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace

// A run that ends at once shows no window at all; a long one shows it after
// about a second, over the editor, counting, and without taking the keyboard
// from the program's own window.
TEST_F(ExternalToolRun, ARunningWindowShowsOnlyALongRun) {
    // Where everything runs many times slower (an emulated machine), no run
    // ends within the second: there is no quick run to show nothing for.
    if (Scaled(1) == 1) {
        StandinHost host({"--text=abc"}, Tool(AppIsProbe()));
        ASSERT_TRUE(host.Ready());
        const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
        bool seen = false;
        while (!host.WaitForExit(0)) {
            seen = seen || RunningWindowOf(tool) != nullptr;
            Sleep(10);
        }
        EXPECT_FALSE(seen);
    } else {
        std::printf("(no quick run where the time scale is %lu)\n", static_cast<unsigned long>(Scaled(1)));
    }
    StandinHost host({"--text=abc"}, Tool(AppIsProbe() + " --window --write-hex=" + HexText("done") +
                                          " --sleep=" + std::to_string(Scaled(4000))));
    ASSERT_TRUE(host.Ready());
    const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
    const HWND window = WaitForRunningWindow(tool, 10000);
    ASSERT_NE(window, nullptr);
    // On a slow machine the program's window may come after the running one.
    const auto shown = WaitForRecords(record, "window", 10000);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(GetForegroundWindow(), reinterpret_cast<HWND>(std::stoull(shown[0].at("hwnd"), nullptr, 16)));
    EXPECT_EQ(TextOf(window), kAppCaption);
    EXPECT_EQ(GetWindow(window, GW_OWNER), host.Main());
    EXPECT_EQ(TextOf(GetDlgItem(window, IDCANCEL)), kAbortButton);
    EXPECT_EQ(TextOf(GetDlgItem(window, IDC_RUNNING_NOTE)), kAbortNote);
    const long first = ShownSeconds(window, ProbePath());
    EXPECT_GE(first, 1);
    const DWORD since = GetTickCount();
    while (ShownSeconds(window, ProbePath()) <= first && GetTickCount() - since < Scaled(3000)) Sleep(50);
    EXPECT_GT(ShownSeconds(window, ProbePath()), first);
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
    // The window went with the program, before the result was put back.
    const auto sets = SetTexts(host);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].at("owned_windows"), "0");
    EXPECT_EQ(host.FinalText(), "done");
}

// 中止, Esc and the close box end the program and what it started, and put
// the editor back as after a failed start: nothing written back though the
// file changed, the file gone, no message.
TEST_F(ExternalToolRun, AbortEndsTheProgramAndWhatItStartedAndLeavesTheTextAlone) {
    TempDir interpreterDir;
    const std::string changed = " --write-hex=" + HexText("changed");
    struct Case {
        const char* what;
        std::string arguments;
        const char* childTag;  // the record that names a process the program started
        void (*press)(HWND window);
    };
    const Case cases[] = {
        {"button", AppIsProbe() + changed + " --spawn=30000 --sleep=30000", "spawned",
         [](HWND w) { PostMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Esc", "\"/app=cmd /c " + ProbePath() + changed + " --sleep=30000\"", nullptr,
         [](HWND w) { PostMessageA(GetDlgItem(w, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", AppIsProbe() + changed + " --spawn=30000 --sleep=30000", "spawned",
         [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"button, filter", AppIsProbe() + " /io=pipe --stdout-hex=" + HexText("changed") + " --spawn=30000 --sleep=30000",
         "spawned", [](HWND w) { PostMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0); }},
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=hello"}, Tool(c.arguments));
        ASSERT_TRUE(host.Ready()) << c.what;
        const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
        const HWND window = WaitForRunningWindow(tool, 10000);
        ASSERT_NE(window, nullptr) << c.what;
        const KernelHandle program = OpenProcessById(ProbeRecord().at("pid"));
        KernelHandle child;
        if (c.childTag != nullptr) {
            const auto spawned = WaitForRecords(record, c.childTag, 10000);
            ASSERT_EQ(spawned.size(), 1u) << c.what;
            child = OpenProcessById(spawned[0].at("grandchild"));
        }
        c.press(window);
        EXPECT_TRUE(Ended(program, 2000)) << c.what;
        if (c.childTag != nullptr) {
            EXPECT_TRUE(Ended(child, 2000)) << c.what;
        }
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.what;
        EXPECT_EQ(host.Records("ended").at(0).at("exit"), "0") << c.what;
        EXPECT_TRUE(SetTexts(host).empty()) << c.what;
        EXPECT_EQ(host.FinalText(), "hello") << c.what;
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        EXPECT_EQ(TempFolderContents(), "") << c.what;
    }
}

// The tool ended from outside (Task Manager, its whole process tree too) or
// crashed while the editor is locked, from the lock's first moment on (before
// any window of the tool's shows), or while a window of the tool's is up over
// it (the running window, a message, the Save dialog, the ask dialog): the
// editor comes back by itself within two seconds. A program that only the
// tool was ended over goes on, and its file is kept.
TEST_F(ExternalToolRun, TheEditorComesBackWhenTheToolEndsDuringARun) {
    const auto terminate = [](HANDLE tool) { TerminateProcess(tool, 1); };
    const auto crash = [](HANDLE tool) {
        // A thread of the tool's that starts at an address where nothing is mapped.
        const KernelHandle thread(
            CreateRemoteThread(tool, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(0x10), nullptr, 0, nullptr));
        EXPECT_TRUE(thread);
    };
    // As Task Manager's "end process tree": the tool and every process whose
    // parent is the tool or one of them.
    const auto endTree = [](HANDLE tool) {
        std::vector<ProcessEntry> processes;
        const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
            processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, 0});
        }
        for (const std::uint32_t id : DescendantsOf(GetProcessId(tool), processes)) {
            const KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
            TerminateProcess(process.Get(), 1);
        }
        TerminateProcess(tool, 1);
    };
    enum class Up { Lock, RunningWindow, Message, SaveDialog, AskDialog, ResultWindow };
    struct Case {
        const char* what;
        std::string arguments;
        Up up;
        std::function<void(HANDLE)> end;
        bool programGoesOn;
    };
    const std::string longRun = AppIsProbe() + " --write-hex=" + HexText("x") + " --sleep=30000";
    const Case cases[] = {
        {"ended at the lock", longRun, Up::Lock, terminate, true},
        {"tree ended at the lock", longRun, Up::Lock, endTree, false},
        {"ended", longRun, Up::RunningWindow, terminate, true},
        {"crashed", longRun, Up::RunningWindow, crash, true},
        {"tree ended", longRun, Up::RunningWindow, endTree, false},
        {"tree ended at a message", "\"/app=" + work.File("missing.exe") + "\"", Up::Message, endTree, false},
        {"tree ended at the Save dialog", "/save", Up::SaveDialog, endTree, false},
        {"tree ended at the ask dialog", "/ask", Up::AskDialog, endTree, false},
        {"ended at the result window", AppIsProbe() + " /out=show /io=pipe --stdout-hex=" + HexText("x"),
         Up::ResultWindow, terminate, false},
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=hello", "--stay"}, Tool(c.arguments));
        ASSERT_TRUE(host.Ready()) << c.what;
        const DWORD toolPid = host.WaitForStartedPid(kRunTimeoutMs);
        KernelHandle program;
        if (c.up == Up::Lock) {
            // As soon as the titles say so: the running window is a second away.
            const DWORD asked = GetTickCount();
            while (TextOf(host.Main()).rfind(kLockPrefix, 0) != 0 && GetTickCount() - asked < Scaled(10000)) Sleep(1);
            ASSERT_EQ(TextOf(host.Main()).rfind(kLockPrefix, 0), 0u) << c.what;
            program = OpenProcessById(WaitForRecords(record, "probe", 10000).at(0).at("pid"));
        } else if (c.up == Up::RunningWindow) {
            ASSERT_NE(WaitForRunningWindow(toolPid, 10000), nullptr) << c.what;
            program = OpenProcessById(ProbeRecord().at("pid"));
        } else if (c.up == Up::Message) {
            ASSERT_TRUE(WaitForMessageBox(toolPid, 10000)) << c.what;
        } else if (c.up == Up::SaveDialog) {
            ASSERT_NE(WaitForSaveDialog(toolPid, 10000), nullptr) << c.what;
            EXPECT_FALSE(IsWindowEnabled(host.Owner())) << c.what;
            EXPECT_FALSE(IsWindowEnabled(host.Main())) << c.what << ": nothing can be typed while the dialog is open";
        } else if (c.up == Up::AskDialog) {
            ASSERT_NE(WaitForAskDialog(toolPid, 10000), nullptr) << c.what;
            EXPECT_FALSE(IsWindowEnabled(host.Main())) << c.what;
        } else {
            ASSERT_NE(WaitForResultWindow(toolPid, 10000), nullptr) << c.what;
            EXPECT_FALSE(IsWindowEnabled(host.Main())) << c.what;
        }
        const KernelHandle tool(OpenProcess(PROCESS_ALL_ACCESS, FALSE, toolPid));
        ASSERT_TRUE(tool) << c.what;
        c.end(tool.Get());
        ASSERT_TRUE(Ended(tool, 5000)) << c.what;
        const DWORD started = GetTickCount();
        auto restored = [&] {
            return IsWindowEnabled(host.Owner()) && IsWindowEnabled(host.Main()) &&
                   TextOf(host.Main()) == "memo.txt - Zorvane" && TextOf(host.Owner()) == "Zorvane";
        };
        while (!restored() && GetTickCount() - started < Scaled(2000)) Sleep(20);
        EXPECT_TRUE(restored()) << c.what;
        EXPECT_TRUE(SetTexts(host).empty()) << c.what;
        if (c.programGoesOn) {
            EXPECT_FALSE(Ended(program, 0)) << c.what << ": the program goes on";
            EXPECT_NE(TempFolderContents(), "") << c.what << ": its file is kept";
        }
        if (program) {
            TerminateProcess(program.Get(), 0);
            Ended(program, 5000);
        }
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((temp.Path() + "qlk*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            DeleteFileA((temp.Path() + found.cFileName).c_str());
            FindClose(search);
        }
    }
}

// Whether the editor is locked for a run, waited for up to ten seconds.
bool LockedSoon(const StandinHost& host) {
    const DWORD asked = GetTickCount();
    while (TextOf(host.Main()).rfind(kLockPrefix, 0) != 0 && GetTickCount() - asked < Scaled(10000)) Sleep(1);
    return TextOf(host.Main()).rfind(kLockPrefix, 0) == 0 && !IsWindowEnabled(host.Owner());
}

// Whether the editor is back as it was (titles, both windows enabled) within two seconds.
bool RestoredSoon(const StandinHost& host) {
    const DWORD started = GetTickCount();
    auto restored = [&] {
        return IsWindowEnabled(host.Owner()) && IsWindowEnabled(host.Main()) &&
               TextOf(host.Main()) == "memo.txt - Zorvane" && TextOf(host.Owner()) == "Zorvane";
    };
    while (!restored() && GetTickCount() - started < Scaled(2000)) Sleep(20);
    return restored();
}

bool Killed(DWORD pid) {
    const KernelHandle tool(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    return tool && TerminateProcess(tool.Get(), 1) && Ended(tool, 5000);
}

// The copies of the tool other than the runs' own: the watcher, once every
// run is watched (a watcher ending after a quiet while may linger a moment).
std::vector<DWORD> WatcherCopies(const std::vector<DWORD>& runs) {
    std::vector<DWORD> copies;
    const DWORD asked = GetTickCount();
    do {
        copies.clear();
        for (const DWORD pid : ToolCopies()) {
            if (std::find(runs.begin(), runs.end(), pid) == runs.end()) copies.push_back(pid);
        }
        if (copies.size() == 1) break;
        Sleep(20);
    } while (GetTickCount() - asked < Scaled(2000));
    return copies;
}

// One watcher serves the runs of two editors at once, and stays for the next
// run: a run ended from outside at the lock gives its own editor back and
// leaves the other editor's run alone, and a later run is covered by the same
// watcher from its lock on.
TEST_F(ExternalToolRun, OneWatcherServesTheRunsOfEveryEditorAndStays) {
    const auto longRun = [&](const char* name) {
        return Tool(AppIsProbe() + " \"--record=" + work.File(name) + "\" --sleep=30000");
    };
    // The runs' programs, which go on after their tool: ended last.
    std::vector<KernelHandle> programs;
    const ScopeGuard endPrograms([&] {
        for (const KernelHandle& program : programs) TerminateProcess(program.Get(), 0);
    });
    const auto programOf = [&](const char* name) {
        const auto started = WaitForRecords(work.File(name), "probe", 10000);
        EXPECT_EQ(started.size(), 1u) << name;
        programs.push_back(started.empty() ? KernelHandle() : OpenProcessById(started[0].at("pid")));
        return programs.back().Get();
    };

    // (One editor after the other: the tool works on the editor in front.)
    StandinHost first({"--text=hello", "--stay"}, longRun("first.log"));
    ASSERT_TRUE(first.Ready());
    const DWORD firstTool = first.WaitForStartedPid(kRunTimeoutMs);
    ASSERT_TRUE(LockedSoon(first));
    programOf("first.log");
    StandinHost second({"--text=hello", "--stay"}, longRun("second.log"));
    ASSERT_TRUE(second.Ready());
    const DWORD secondTool = second.WaitForStartedPid(kRunTimeoutMs);
    ASSERT_TRUE(LockedSoon(second));
    const HANDLE secondProgram = programOf("second.log");
    const std::vector<DWORD> watchers = WatcherCopies({firstTool, secondTool});
    ASSERT_EQ(watchers.size(), 1u) << "one watcher for both runs";
    const KernelHandle watcher(OpenProcess(SYNCHRONIZE, FALSE, watchers[0]));
    ASSERT_TRUE(watcher);

    ASSERT_TRUE(Killed(firstTool));
    EXPECT_TRUE(RestoredSoon(first));
    EXPECT_EQ(TextOf(second.Main()).rfind(kLockPrefix, 0), 0u) << "the other editor's run goes on, locked";
    EXPECT_FALSE(IsWindowEnabled(second.Owner()));
    // The other run ends by itself (its program ended), giving its editor back.
    TerminateProcess(secondProgram, 0);
    EXPECT_TRUE(RestoredSoon(second));
    EXPECT_TRUE(Ended(OpenProcessById(std::to_string(secondTool)), 10000));

    StandinHost third({"--text=hello", "--stay"}, longRun("third.log"));
    ASSERT_TRUE(third.Ready());
    const DWORD thirdTool = third.WaitForStartedPid(kRunTimeoutMs);
    ASSERT_TRUE(LockedSoon(third));
    programOf("third.log");
    EXPECT_EQ(WatcherCopies({thirdTool}), watchers) << "the same watcher, still running";
    EXPECT_FALSE(Ended(watcher, 0));
    ASSERT_TRUE(Killed(thirdTool));
    EXPECT_TRUE(RestoredSoon(third));
}

// A run ended from outside while it registers with the watcher (the first
// run, which starts the watcher and keeps others waiting until it watches;
// a later one, before the watcher holds it) leaves the editor as it was and
// nothing of the watcher's table held: the next run is covered.
TEST_F(ExternalToolRun, ARunEndedWhileItRegistersLeavesTheNextOneCovered) {
    for (const bool watcherRuns : {false, true}) {
        if (!watcherRuns) EndToolCopies();
        {
            StandinHost host({"--text=hello", "--stay"}, Tool(AppIsProbe() + " --sleep=300"));
            ASSERT_TRUE(host.Ready()) << watcherRuns;
            const DWORD tool = host.WaitForStartedPid(kRunTimeoutMs);
            // Registered: the tool asks for the text right after.
            const DWORD asked = GetTickCount();
            while (host.Records("msg").empty() && GetTickCount() - asked < Scaled(10000)) Sleep(1);
            ASSERT_FALSE(host.Records("msg").empty()) << watcherRuns;
            Killed(tool);
            EXPECT_TRUE(RestoredSoon(host)) << watcherRuns;
        }
        StandinHost next({"--text=hello", "--stay"}, Tool(AppIsProbe() + " --sleep=3000"));
        ASSERT_TRUE(next.Ready()) << watcherRuns;
        const DWORD tool = next.WaitForStartedPid(kRunTimeoutMs);
        ASSERT_TRUE(LockedSoon(next)) << watcherRuns;
        ASSERT_TRUE(Killed(tool)) << watcherRuns;
        EXPECT_TRUE(RestoredSoon(next)) << watcherRuns;
    }
}

// A 32-bit tool on 64-bit Windows is shown the 32-bit system folder in place
// of the system's own, where programs that exist only in 64-bit form (the
// Linux subsystem's wsl.exe, the OpenSSH client) are missing: the tool still
// finds and starts them. Runs only where the tests are such a program (the
// 32-bit build in a 64-bit Wine prefix); elsewhere there is no such folder.
TEST_F(ExternalToolRun, AProgramOfTheNativeSystemFolderIsFound) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) {
        GTEST_SKIP() << "not a 32-bit program on a 64-bit system";
    }
    char system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string program = std::string(system) + "\\pelmarind_native_probe.exe";
    {
        const NativeSystemFolder native;
        ASSERT_TRUE(native.Active());
        ASSERT_TRUE(CopyFileA(ProbePath().c_str(), program.c_str(), FALSE));
    }
    const ScopeGuard remove([&] {
        const NativeSystemFolder native;
        DeleteFileA(program.c_str());
    });
    ASSERT_EQ(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << "the 32-bit folder holds it too";
    StandinHost host({"--text=abc"}, Tool("\"/app=" + program + "\" --write-hex=" + HexText("found")));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_EQ(host.FinalText(), "found");
    ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
}

// What a 32-bit installer put in "System32" is kept in the 32-bit system
// folder on 64-bit Windows, which the system's own does not hold: named by
// that path or by its bare name, such a 32-bit program is still found and
// started (after the system's own folder, which comes first).
TEST_F(ExternalToolRun, AProgramOfThe32BitSystemFolderIsFound) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) {
        GTEST_SKIP() << "not a 32-bit program on a 64-bit system";
    }
    char system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string name = "pelmarind_wow64_probe.exe";
    const std::string program = std::string(system) + "\\" + name;
    // (Shown the 32-bit folder in place of the system's own, as the tool is.)
    ASSERT_TRUE(CopyFileA(ProbePath().c_str(), program.c_str(), FALSE));
    const ScopeGuard remove([&] { DeleteFileA(program.c_str()); });
    {
        const NativeSystemFolder native;
        ASSERT_TRUE(native.Active());
        ASSERT_EQ(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << "the system's own folder holds it too";
    }
    for (const std::string& app : {program, name}) {
        StandinHost host({"--text=abc"}, Tool("\"/app=" + app + "\" --write-hex=" + HexText("found")));
        ASSERT_TRUE(host.Ready()) << app;
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << app;
        EXPECT_EQ(host.FinalText(), "found") << app;
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
    }
}

// A second copy of the tool started on an editor that is in a run says so and
// touches nothing: the first run goes on locked and writes its result back.
TEST_F(ExternalToolRun, ASecondCopyOnAnEditorInARunSaysSoAndTouchesNothing) {
    StandinHost host({"--text=hello"}, Tool(AppIsProbe() + " --write-hex=" + HexText("first") + " --sleep=" + std::to_string(Scaled(3000))));
    ASSERT_TRUE(host.Ready());
    const DWORD first = host.WaitForStartedPid(kRunTimeoutMs);
    ASSERT_NE(WaitForRunningWindow(first, 10000), nullptr);
    // As the editor's menu would start it: with the editor's main window in front.
    SetForegroundWindow(host.Main());
    ChildProcess second(Tool(AppIsProbe()));
    const auto box = WaitForMessageBox(second.Pid(), kRunTimeoutMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kAlreadyRunning);
    EXPECT_EQ(box->owner, nullptr);
    PressButton(box->window, IDOK);
    EXPECT_EQ(second.Wait(kRunTimeoutMs), std::optional<DWORD>(0));
    EXPECT_FALSE(IsWindowEnabled(host.Owner()));
    EXPECT_EQ(TextOf(host.Owner()), LockedTitle("Zorvane", SystemCodePage()));
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_EQ(host.FinalText(), "first");
    EXPECT_EQ(ReadLogRecords(record, "probe").size(), 1u);
    ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
}

// A filter (/io=pipe), and the same rules through the file: the result is
// converted by its byte-order mark (or from UTF-8 for /io=utf8), its line
// ends made like the text's (not with /io=exact); a result with a NUL is kept,
// not put back; a program that failed, or an empty result for a text, is put
// back only when the user answers はい to the question (いいえ the default),
// otherwise kept in a file that a second message names.
TEST_F(ExternalToolRun, AFilterTakesTheOutputOfASuccessfulProgramOnly) {
    const std::string stdinCopy = work.File("stdin.bin");
    // "①〜ｱ日本" and a line break: the UTF-8 that the program reads.
    const std::string japanese = "\x87\x40\x81\x60\xB1\x93\xFA\x96\x7B\r\n";
    const std::string japaneseUtf8 = "\xE2\x91\xA0\xEF\xBD\x9E\xEF\xBD\xB1\xE6\x97\xA5\xE6\x9C\xAC\r\n";
    // "日a" and a line break in UTF-16LE, as Windows PowerShell writes it.
    const std::string utf16 = HexText(std::string("\xFF\xFE\xE5\x65" "a\0\r\0\n\0", 10));
    // A box: its text (up to the kept file's name when `keptBytes` is set) and the button pressed.
    struct Box { std::string text; int button; };
    struct Case {
        const char* what;
        bool pipe;
        std::string text, arguments, programReads, finalText;
        std::vector<Box> boxes = {};
        std::optional<std::string> keptBytes = {};  // what the file that the last box names holds
        bool noTempFolder = false;  // TMP and TEMP name a folder that does not exist: nothing can be kept
    };
    const std::string declined = FormatMessageText(kResultDeclined, "");
    const std::string notKept = kResultNotKept;
    const Case cases[] = {
        {"exit 0", true, "b\r\na\r\n", "/io=pipe --stdout-hex=" + HexText("a\r\nb\r\n"), "b\r\na\r\n", "a\r\nb\r\n"},
        {"exit 3", true, "b\r\n", "/io=PIPE --stdout-hex=" + HexText("x") + " \"--stderr=bad input\" --exit=3", "b\r\n",
         "b\r\n", {{FormatMessageTexts(kProgramFailedAsk, {"3", "\r\nbad input\r\n"}), IDNO}, {declined, IDOK}}, "x"},
        {"exit 3, はい", true, "b\r\n", "/io=pipe --stdout-hex=" + HexText("x") + " --exit=3", "b\r\n", "x",
         {{FormatMessageTexts(kProgramFailedAsk, {"3", ""}), IDYES}}},
        {"exit 3 through the file", false, "b", "--write-hex=" + HexText("x") + " --exit=3", "b", "b",
         {{FormatMessageTexts(kProgramFailedAsk, {"3", ""}), IDNO}, {declined, IDOK}}, "x"},
        {"exit 3 through the file, はい", false, "b", "--write-hex=" + HexText("x") + " --exit=3", "b", "x",
         {{FormatMessageTexts(kProgramFailedAsk, {"3", ""}), IDYES}}},
        {"exit 3, the file unchanged", false, "b", "--exit=3", "b", "b",
         {{FormatMessageText(kProgramFailedUnchanged, "3"), IDOK}}},
        {"no output", true, "b\r\n", "/io=pipe", "b\r\n", "b\r\n", {{kEmptyResultAsk, IDNO}}},
        // A failed program that wrote nothing is reported, with no question.
        {"exit 3, no output", true, "b\r\n", "/io=pipe \"--stderr=bad input\" --exit=3", "b\r\n", "b\r\n",
         {{FormatMessageTexts(kProgramFailedNoOutput, {"3", "\r\nbad input\r\n"}), IDOK}}},
        // UTF-8 errors (✘ 名前), whatever /io= says: a character that code page 932 lacks as a mark.
        {"UTF-8 errors", true, "b", "/io=pipe --exit=3 --stderr-hex=" + HexText("\xE2\x9C\x98 \xE5\x90\x8D\xE5\x89\x8D"),
         "b", "b", {{FormatMessageTexts(kProgramFailedNoOutput, {"3", "\r\n・ 名前\r\n"}), IDOK}}},
        // Nowhere to keep a result: the message says so, and names no file.
        {"declined, nowhere to keep it", true, "b", "/io=pipe --stdout-hex=" + HexText("x") + " --exit=3", "b", "b",
         {{FormatMessageTexts(kProgramFailedAsk, {"3", ""}), IDNO}, {notKept, IDOK}}, std::nullopt, true},
        {"NUL, nowhere to keep it", true, "b", "/io=pipe --stdout-hex=610062", "b", "b",
         {{kWriteBackFailed + notKept, IDOK}}, std::nullopt, true},
        {"emptied file, いいえ", false, "b", "--write-hex=", "b", "b", {{kEmptyResultAsk, IDNO}, {declined, IDOK}}, ""},
        // An output over the limit is refused as too large, not offered cut
        // (shown where the limit can be reached: the 32-bit build's).
        {"exit 3, output over the limit", true, "b",
         "/io=pipe --stdout-size=" + std::to_string(kMaxTextBytes + 1) + " --exit=3", "b", "b",
         {{kFilterOutputTooLarge, IDOK}}},
        // はい to a failed program's result does not empty the text unasked.
        {"emptied file, exit 3, はい", false, "b", "--write-hex= --exit=3", "b", "b",
         {{FormatMessageTexts(kProgramFailedAsk, {"3", ""}), IDYES}, {kEmptyResultAsk, IDNO}, {declined, IDOK}}, ""},
        {"UTF-8 round trip", true, japanese, "/io=pipe,utf8 --echo-stdin", japaneseUtf8, japanese},
        {"JIS wave dash back", true, "x", "/io=utf8,pipe --stdout-hex=" + HexText("\xEF\xBB\xBF\xE3\x80\x9C"), "x",
         "\x81\x60"},
        {"UTF-8 through the file", false, japanese, "/io=utf8 --write-hex=" + HexText("\xE2\x88\x92"), japaneseUtf8,
         "\x81\x7C"},
        {"UTF-16LE through the pipe", true, "b\r\n", "/io=pipe --stdout-hex=" + utf16, "b\r\n", "\x93\xFA" "a\r\n"},
        {"UTF-16LE through the file", false, "b\r\n", "--write-hex=" + utf16, "b\r\n", "\x93\xFA" "a\r\n"},
        {"NUL through the pipe", true, "b", "/io=pipe --stdout-hex=610062", "b", "b",
         {{FormatMessageText(kResultKept, ""), IDOK}}, std::string("a\0b", 3)},
        {"NUL through the file", false, "b", "--write-hex=610062", "b", "b", {{FormatMessageText(kResultKept, ""), IDOK}},
         std::string("a\0b", 3)},
        // Bare LFs become CR LF, and the final line end added to a text without one goes.
        {"line ends like the text's", true, "x\r\ny", "/io=pipe --stdout-hex=" + HexText("a\nb\n"), "x\r\ny", "a\r\nb"},
        {"line ends with /io=exact", true, "x\r\ny", "/io=pipe,exact --stdout-hex=" + HexText("a\nb\n"), "x\r\ny",
         "a\nb\n"},
        // A converter that keeps the file's time: the bytes tell the change.
        {"the same time, other bytes", false, "abc", "--write-hex=" + HexText("abd") + " --keep-time", "abc", "abd"},
        {"bad /io=", true, "b", "/io=utf-8", "", "b", {{FormatMessageText(kIoSwitchInvalid, "utf-8"), IDOK}}},
        // Its output is what was written once the program ended and a moment
        // passed, however long the other process holds it.
        {"a process it started holds the output", true, "b\r\n",
         "/io=pipe --stdout-hex=" + HexText("a\r\n") + " --spawn-holding=" + std::to_string(2 * kRunTimeoutMs), "b\r\n",
         "a\r\n"},
    };
    for (const Case& c : cases) {
        if (c.arguments.find("--stdout-size=") != std::string::npos && kMaxTextBytes > (1ull << 30)) continue;
        DeleteFileA(record.c_str());
        DeleteFileA(stdinCopy.c_str());
        // What the program read: its standard input, or the temporary file.
        const std::string copy = (c.pipe ? "\"--stdin-to=" : "\"--save-input=") + stdinCopy + "\" ";
        WriteFileBytes(work.File("text.txt"), c.text);
        std::vector<std::string> hostSwitches = {"--text-file=" + work.File("text.txt")};
        if (c.noTempFolder) hostSwitches.push_back("--tool-temp=" + work.File("missing\\"));
        StandinHost host(hostSwitches, Tool(AppIsProbe() + " " + copy + c.arguments));
        ASSERT_TRUE(host.Ready()) << c.what;
        std::string kept;
        for (const Box& expected : c.boxes) {
            const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
            ASSERT_TRUE(box.has_value()) << c.what;
            if (expected.button == IDYES || expected.button == IDNO) {
                // A question: いいえ is the default.
                EXPECT_TRUE(GetWindowLongA(GetDlgItem(box->window, IDNO), GWL_STYLE) & BS_DEFPUSHBUTTON) << c.what;
            }
            const bool last = &expected == &c.boxes.back();
            if (last && c.keptBytes) {
                ASSERT_EQ(box->text.substr(0, expected.text.size()), expected.text) << c.what;
                kept = box->text.substr(expected.text.size());
            } else {
                EXPECT_EQ(box->text, expected.text) << c.what;
            }
            PressButton(box->window, expected.button);
            for (int i = 0; i < 500 && IsWindow(box->window); ++i) Sleep(10);
        }
        const bool ended = host.WaitForExit(kRunTimeoutMs);
        for (const auto& spawned : ReadLogRecords(record, "spawned")) {
            TerminateProcess(OpenProcessById(spawned.at("grandchild")).Get(), 0);
        }
        ASSERT_TRUE(ended) << c.what;
        EXPECT_EQ(host.FinalText(), c.finalText) << c.what;
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        if (c.keptBytes) {
            EXPECT_EQ(ReadFileBytes(kept), *c.keptBytes) << c.what;
            EXPECT_TRUE(DeleteFileA(kept.c_str())) << c.what << " " << kept;
        }
        EXPECT_EQ(TempFolderContents(), "") << c.what;
        const auto probe = ReadLogRecords(record, "probe");
        if (c.programReads.empty()) {
            EXPECT_TRUE(probe.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(probe.size(), 1u) << c.what;
        EXPECT_EQ(ReadFileBytes(stdinCopy), c.programReads) << c.what;
        // A console program gets no console (and so no window) for a filter.
        if (c.pipe) {
            EXPECT_EQ(probe[0].at("console"), "0") << c.what;
        }
    }
}

// A result with a character that Shift_JIS lacks is not put back: it is kept
// in a file, and the message names the character, its line and the file.
TEST_F(ExternalToolRun, AFilterResultThatShiftJisCannotHoldIsKept) {
    const std::string output = "a\n\xF0\x9F\x98\x80\n";
    StandinHost host({"--text=b"}, Tool(AppIsProbe() + " /io=pipe,utf8 --stdout-hex=" + HexText(output)));
    ASSERT_TRUE(host.Ready());
    const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
    ASSERT_TRUE(box.has_value());
    const std::string head = FormatMessageTexts(kResultNotShiftJis, {"2", "U+1F600", ""});
    ASSERT_EQ(box->text.substr(0, head.size()), head);
    const std::string kept = box->text.substr(head.size());
    EXPECT_EQ(ReadFileBytes(kept), output);
    PressButton(box->window, IDOK);
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_EQ(host.FinalText(), "b");
    DeleteFileA(kept.c_str());
}

// A program that writes as it reads gets a text far larger than the pipes
// hold: the tool writes and reads at the same time, so neither waits for the
// other.
TEST_F(ExternalToolRun, AFilterThatWritesWhileItReadsGetsALargeTextThrough) {
    std::string text;
    for (int i = 0; text.size() < (16u << 20); ++i) text += "line " + std::to_string(i) + "\r\n";
    const std::string textFile = work.File("large.txt");
    WriteFileBytes(textFile, text);
    StandinHost host({"--text-file=" + textFile, "--raw-text-window"}, Tool(AppIsProbe() + " /io=pipe --echo-stdin"));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(Scaled(120000)));
    EXPECT_TRUE(host.FinalText() == text);
    EXPECT_EQ(SetTexts(host).size(), 1u);
}

// {in} and {out} where they stand, nothing appended: the program reads the
// text's file and writes the result into the {out} file, whose content is
// the result under the usual rules (/io=utf8 included); both files go.
TEST_F(ExternalToolRun, InAndOutStandWhereTheCommandPutsThem) {
    const std::string japanese = "\x93\xFA\x96\x7B";  // 日本
    const std::string probe = GetShortPath(ProbePath());
    struct Case { std::string arguments, finalText, outEnd; };
    const Case cases[] = {
        // {in} in the middle of the /app= value: the program rewrites it.
        {"\"/app=" + probe + " {in} --file={in} --write-hex=" + HexText("IN") + "\"", "IN", ""},
        {AppIsProbe() + " {in} --file={out} --write-hex=" + HexText("OUT") + " /outext=js", "OUT", ".js"},
        {AppIsProbe() + " --file={out} --write-hex=E697A5E69CAC /io=utf8", japanese, ".tmp"},
    };
    for (const Case& c : cases) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=abc"}, Tool(c.arguments));
        ASSERT_TRUE(host.Ready()) << c.arguments;
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.arguments;
        EXPECT_EQ(host.FinalText(), c.finalText) << c.arguments;
        const auto seen = ProbeRecord();
        const std::vector<std::string> arguments = ProbeArguments(seen);
        ASSERT_FALSE(arguments.empty()) << c.arguments;
        // Nothing after the command's own last argument; {in} first where it
        // stands first.
        EXPECT_EQ(arguments.back().rfind("--write-hex=", 0), 0u) << c.arguments;
        const std::string file = seen.at("file");
        EXPECT_EQ(file.substr(0, temp.Path().size() + 3), temp.Path() + "qlk") << c.arguments;
        if (c.outEnd.empty()) {
            EXPECT_EQ(arguments.front(), file);
        } else {
            EXPECT_EQ(file.substr(file.size() - c.outEnd.size()), c.outEnd);
        }
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        EXPECT_EQ(TempFolderContents(), "") << c.arguments;
    }
}

TEST_F(ExternalToolRun, AProgramThatMakesNoOutputFileLeavesTheTextAlone) {
    StandinHost host({"--text=abc"}, Tool(AppIsProbe() + " --file={out} --exit=3"));
    ASSERT_TRUE(host.Ready());
    const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, FormatMessageText(kNoOutputFile, "3"));
    PressButton(box->window, IDOK);
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_TRUE(SetTexts(host).empty());
    ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
    EXPECT_EQ(TempFolderContents(), "");
}

// {sel} reaches the program as one argument, blank and all, wherever it
// stands; {sel:url} percent-encoded from UTF-8. No file is made for the text.
TEST_F(ExternalToolRun, TheSelectionIsOneArgument) {
    const std::string selected = "\x93\xFA\x96\x7B \x8C\xEA";  // 日本 語
    const std::string probe = GetShortPath(ProbePath());
    StandinHost host({"--text=" + selected + " rest", "--sel=0,7"},
                     Tool("\"/app=" + probe + " {sel}\" q={sel:url} \"a {{b}}\""));
    ASSERT_TRUE(host.Ready());
    ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
    EXPECT_EQ(ProbeArguments(ProbeRecord()),
              (std::vector<std::string>{selected, "q=%E6%97%A5%E6%9C%AC%20%E8%AA%9E", "a {b}"}));
    EXPECT_TRUE(SetTexts(host).empty());
    EXPECT_EQ(TempFolderContents(), "");
}

// The program runs in the /dir= folder (an environment token allowed); a
// folder that does not exist, an unknown placeholder or a selection that
// cmd would read again is refused before anything is locked or started.
TEST_F(ExternalToolRun, TheWorkingFolderAndTheRefusals) {
    ScopedEnvironment folderVariable{"PELMARIND_TEST_FOLDER", work.Path().substr(0, work.Path().size() - 1)};
    for (const std::string& dir : {"\"/dir=" + work.Path() + "\"", std::string("/dir=%PELMARIND_TEST_FOLDER%")}) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=abc"}, Tool(AppIsProbe() + " " + dir));
        ASSERT_TRUE(host.Ready());
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        EXPECT_EQ(ProbeRecord().at("cwd") + "\\", work.Path()) << dir;
    }
    DeleteFileA(record.c_str());
    struct Case { std::string arguments, message; };
    const Case cases[] = {
        {AppIsProbe() + " /dir=C:\\nowhere\\x", FormatMessageText(kFolderMissing, "C:\\nowhere\\x")},
        {AppIsProbe() + " --q={word}", FormatMessageText(kUnknownPlaceholder, "{word}")},
        {"\"/app=cmd /c echo {sel}\"", kSelectionForCmd},
    };
    for (const Case& c : cases) {
        StandinHost host({"--text=a&b"}, Tool(c.arguments));
        ASSERT_TRUE(host.Ready());
        const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
        ASSERT_TRUE(box.has_value()) << c.arguments;
        EXPECT_EQ(box->text, c.message);
        // (The box disables its owner, the owner window; the lock would
        // disable the main window too and mark the titles.)
        EXPECT_EQ(TextOf(host.Main()), "memo.txt - Zorvane");
        EXPECT_TRUE(IsWindowEnabled(host.Main()));
        PressButton(box->window, IDOK);
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs));
        EXPECT_FALSE(SawLocked(host, "memo.txt - Zorvane", "Zorvane")) << c.arguments;
        EXPECT_EQ(TempFolderContents(), "") << c.arguments;
    }
    EXPECT_FALSE(FileExists(record));
}

// A web address as the program opens in the browser (the probe, registered
// for https here) with the selection in it; nothing is locked or waited for.
// A place for a result asked for with /out= gets a word that there is none.
TEST_F(ExternalToolRun, AWebAddressOpensInTheBrowser) {
    const ScopedHttpsHandler handler("\"" + ProbePath() + "\" \"%1\" --record=" + record);
    for (const char* out : {"", " /out=none", " /out=copy"}) {
        DeleteFileA(record.c_str());
        StandinHost host({"--text=\x8C\x9F\x8D\xF5 a&b"},
                         Tool(std::string("\"/app=https://example.com/search?q={sel:url}\"") + out));
        ASSERT_TRUE(host.Ready()) << out;
        if (std::string(out) == " /out=copy") {
            const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
            ASSERT_TRUE(box.has_value());
            EXPECT_EQ(box->text, kWebAddressNoResult);
            PressButton(box->window, IDOK);
        }
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << out;
        const auto probe = WaitForRecords(record, "probe", 10000);
        ASSERT_FALSE(probe.empty()) << out;
        EXPECT_EQ(ProbeArguments(probe.front()).at(0), "https://example.com/search?q=%E6%A4%9C%E7%B4%A2%20a%26b");
        EXPECT_FALSE(SawLocked(host, "memo.txt - Zorvane", "Zorvane")) << out;
        EXPECT_TRUE(SetTexts(host).empty()) << out;
    }
}

// Where /out= sends the result, through the pipe and through the file.
TEST_F(ExternalToolRun, TheResultGoesWhereOutSays) {
    struct Case {
        const char* what;
        std::string text, selection;  // the selection as the stand-in's --sel= gives it, or none
        std::string arguments, finalText;
        std::string box = {};                       // a message, answered OK
        std::wstring clipboard = L"before";         // what the clipboard holds afterwards
    };
    const std::string pipeOut = "/io=pipe --stdout-hex=", fileOut = "--write-hex=";
    const Case cases[] = {
        {"replace", "a", "", "/OUT=Replace " + pipeOut + HexText("b"), "b"},
        {"after the whole text, through the pipe", "a", "", "/out=after " + pipeOut + HexText("b\r\n"), "a\r\nb"},
        {"after the whole text, through the file", "a\nb", "", "/out=after " + fileOut + HexText("c\n"), "a\nb\nc"},
        {"after a selection that ends with a line end", "x\r\ny\r\n", "0,3",
         "/out=after " + pipeOut + HexText("z\r\n"), "x\r\nz\r\ny\r\n"},
        {"after a selection that does not", "x\r\ny\r\n", "0,1", "/out=after " + fileOut + HexText("z\n"),
         "x\r\nz\r\ny\r\n"},
        {"after, an empty result", "a", "", "/out=after " + fileOut, "a"},
        // 😀, which code page 932 lacks, reaches the clipboard as it is.
        {"copy through the pipe", "a", "", "/out=copy /io=pipe,utf8 --stdout-hex=" + HexText("b\xF0\x9F\x98\x80"),
         "a", {}, L"b\U0001F600"},
        {"copy through the file", "a", "", "/out=copy " + fileOut + HexText("\x93\xFA" "c"), "a", {}, L"\u65E5c"},
        {"copy, the program failed", "a", "", "/out=copy " + pipeOut + HexText("b") + " --stderr=bad --exit=2", "a",
         FormatMessageTexts(kProgramFailedNotUsed, {"2", "\r\nbad\r\n"})},
        {"none", "a", "", "/out=none " + fileOut + HexText("b"), "a"},
        {"none, the program failed", "a", "", "/out=none " + pipeOut + HexText("b") + " --exit=1", "a",
         FormatMessageTexts(kProgramFailedNotUsed, {"1", ""})},
        {"an unknown value", "a", "", "/out=shown " + pipeOut + HexText("b"), "a",
         FormatMessageText(kOutSwitchInvalid, "shown")},
    };
    for (const Case& c : cases) {
        SetClipboardText(L"before");
        WriteFileBytes(work.File("text.txt"), c.text);
        std::vector<std::string> hostSwitches = {"--text-file=" + work.File("text.txt")};
        if (!c.selection.empty()) hostSwitches.push_back("--sel=" + c.selection);
        StandinHost host(hostSwitches, Tool(AppIsProbe() + " " + c.arguments));
        ASSERT_TRUE(host.Ready()) << c.what;
        if (!c.box.empty()) {
            const auto box = WaitForMessageBox(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
            ASSERT_TRUE(box.has_value()) << c.what;
            EXPECT_EQ(box->text, c.box) << c.what;
            PressButton(box->window, IDOK);
        }
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.what;
        EXPECT_EQ(host.FinalText(), c.finalText) << c.what;
        EXPECT_EQ(ClipboardText(), c.clipboard) << c.what;
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        EXPECT_EQ(TempFolderContents(), "") << c.what;
    }
}

// /out=show: the result window, found by its controls, does what its buttons say.
TEST_F(ExternalToolRun, TheResultWindowDoesWhatItsButtonsSay) {
    struct Case {
        const char* what;
        std::string text, arguments;
        std::wstring shown;
        std::vector<int> buttons;  // pressed in turn; the window ends with the last
        std::string finalText;
        bool fits = true, failed = false;
        std::wstring clipboard = L"before";
    };
    const Case cases[] = {
        {"置き換える", "a", "/io=pipe --stdout-hex=" + HexText("b\r\n"), L"b", {IDC_RESULT_REPLACE}, "b"},
        {"後ろに挿入, through the file", "a", "--write-hex=" + HexText("c"), L"c", {IDC_RESULT_AFTER}, "a\r\nc"},
        {"コピー, then 閉じる", "a", "--write-hex=" + HexText("c"), L"c", {IDC_RESULT_COPY, IDCANCEL}, "a", true, false,
         L"c"},
        // 😀 is shown; it cannot go into the editor.
        {"a character code page 932 lacks", "a", "/io=pipe,utf8 --stdout-hex=" + HexText("b\xF0\x9F\x98\x80"),
         L"b\U0001F600", {IDC_RESULT_REPLACE, IDCANCEL}, "a", false},
        {"a failed program: no question", "a", "/io=pipe --stdout-hex=" + HexText("x") + " --stderr=bad --exit=2", L"x",
         {IDCANCEL}, "a", true, true},
    };
    for (const Case& c : cases) {
        SetClipboardText(L"before");
        WriteFileBytes(work.File("text.txt"), c.text);
        StandinHost host({"--text-file=" + work.File("text.txt")}, Tool(AppIsProbe() + " /out=show " + c.arguments));
        ASSERT_TRUE(host.Ready()) << c.what;
        const HWND window = WaitForResultWindow(host.WaitForStartedPid(kRunTimeoutMs), kRunTimeoutMs);
        ASSERT_NE(window, nullptr) << c.what;
        EXPECT_EQ(TextOf(window), kAppCaption) << c.what;
        EXPECT_EQ(GetWindow(window, GW_OWNER), host.Main()) << c.what;
        EXPECT_EQ(UnicodeTextOf(GetDlgItem(window, IDC_RESULT_TEXT)), c.shown) << c.what;
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(window, IDC_RESULT_REPLACE)) != 0, c.fits) << c.what;
        EXPECT_EQ(IsWindowVisible(GetDlgItem(window, IDC_RESULT_NOTE)) != 0, !c.fits) << c.what;
        EXPECT_EQ(LOWORD(SendMessageA(window, DM_GETDEFID, 0, 0)), c.failed || !c.fits ? IDCANCEL : IDC_RESULT_REPLACE)
            << c.what;
        if (c.failed) {
            EXPECT_EQ(TextOf(GetDlgItem(window, IDC_RESULT_STATUS)), FormatMessageText(kResultWindowFailed, "2"));
            EXPECT_EQ(TextOf(GetDlgItem(window, IDC_RESULT_ERRORS)), "bad") << c.what;
        }
        // The editor stays locked while the window shows.
        EXPECT_FALSE(IsWindowEnabled(host.Main())) << c.what;
        for (int button : c.buttons) {
            PressButton(window, button);
            Sleep(200);
        }
        ASSERT_TRUE(host.WaitForExit(kRunTimeoutMs)) << c.what;
        EXPECT_EQ(host.FinalText(), c.finalText) << c.what;
        EXPECT_EQ(ClipboardText(), c.clipboard) << c.what;
        ExpectUnlocked(host, "memo.txt - Zorvane", "Zorvane");
        EXPECT_EQ(TempFolderContents(), "") << c.what;
    }
}
