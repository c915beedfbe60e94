// The Save job from start to end: the stand-in host starts the tool with
// /save and a settings file of the test's making; the robot reads and answers
// the real Save dialog of the tool's process.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "app/SaveOptionsIds.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "tests/robot/Robot.h"
#include "tests/robot/SaveDialogRobot.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

const std::vector<std::string> kDefaultTypes = {
    "テキストファイル(*.txt)", "ユーザー(*.txt,*.htm,*.html,*.cgi,*.pl)", "HTMLファイル(*.htm,*.html,*.asp)",
    "Perlファイル(*.cgi,*.pl)", "Rubyファイル(*.rb)", "INIファイル(*.ini,*.inf,*.url)", "BATファイル(*.bat)",
    "C/C++ファイル(*.c,*.cpp,*.h)", "Javaファイル(*.java)", "VBファイル(*.bas,*.vbs)", "HSPファイル(*.as)",
    "Delphiファイル(*.pas,*.dpr)", "すべてのファイル(*.*)"};

// One run of the Save job: the host with its text and settings, the tool
// started from it, and the tool's Save dialog once it shows.
class SaveRun {
public:
    SaveRun(const std::string& text, const std::string& optionLines, std::vector<std::string> switches = {}) {
        WriteFileBytes(dir_.File("text.bin"), text);
        WriteFileBytes(dir_.File("host.ini"), "[Option]\r\n" + optionLines);
        switches.push_back("--text-file=" + dir_.File("text.bin"));
        switches.push_back("--ini=" + dir_.File("host.ini"));
        host_.emplace(switches, "\"" + BinPath("pelmarind.exe") + "\" /save");
        if (!host_->Ready()) return;
        pid_ = host_->WaitForStartedPid(kTimeoutMs);
        if (pid_ != 0) frame_ = WaitForSaveDialog(pid_, kTimeoutMs);
    }
    ~SaveRun() {
        // Nothing may be left waiting for an answer.
        if (frame_ != nullptr && IsWindow(frame_)) CancelSaveDialog(frame_);
    }

    StandinHost& Host() { return *host_; }
    DWORD Pid() const { return pid_; }
    HWND Frame() const { return frame_; }
    const TempDir& Dir() const { return dir_; }

    // After the dialog was answered: the tool ends with exit code 0 and the
    // host is left as it was. When the dialog was the tool's last window the
    // host's main window is not in front afterwards (the system activates the
    // dialog's owner, the host's owner window); after an error message, which
    // has no owner, the system may activate any window.
    void ExpectEndedLeavingTheHostAlone(const std::string& text, bool dialogWasLast = true) {
        ASSERT_TRUE(host_->WaitForExit(kTimeoutMs));
        const auto ended = host_->Records("ended");
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(ended[0].at("exit"), "0");
        // (The dialog, modal to the owner window, disables it while open.)
        for (const auto& state : host_->Records("state")) {
            EXPECT_EQ(state.at("title"), "memo.txt - Zorvane");
            EXPECT_EQ(state.at("owner_title"), "Zorvane");
        }
        const auto after = host_->Records("after");
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after[0].at("owner_enabled"), "1");
        EXPECT_EQ(after[0].at("title"), "memo.txt - Zorvane");
        if (dialogWasLast) {
            EXPECT_EQ(after[0].at("foreground"), "0");
        }
        for (const auto& message : host_->Records("msg")) EXPECT_EQ(message.count("HM_SETTEXT"), 0u);
        EXPECT_EQ(host_->FinalText(), text);
    }

private:
    TempDir dir_;
    std::optional<StandinHost> host_;
    DWORD pid_ = 0;
    HWND frame_ = nullptr;
};

// The platform version that Wine reports to the tool, for the length of a
// test (Wine takes it per program from its AppDefaults key).
class ScopedReportedVersion {
public:
    explicit ScopedReportedVersion(const std::string& version) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
    }
    ~ScopedReportedVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    ScopedReportedVersion(const ScopedReportedVersion&) = delete;
    ScopedReportedVersion& operator=(const ScopedReportedVersion&) = delete;

private:
    static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\pelmarind.exe";
};

// Whether a process has a module of that file name loaded.
bool HasModule(DWORD pid, const char* fileName) {
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Module32First(snapshot.Get(), &entry); more;
         more = Module32Next(snapshot.Get(), &entry)) {
        if (lstrcmpiA(entry.szModule, fileName) == 0) return true;
    }
    return false;
}

// A disk of 1 MiB for the length of a test: a tmpfs mounted on a folder of
// the Linux root, which Wine shows as drive Z:. Under Wine a Windows program
// can start a Linux one, but gets no handle for it: each command leaves its
// exit status in a file beside the folder, waited for. Not usable (Reason()
// says why) where no Linux program starts or mounting is not allowed (not
// root).
class SmallDisk {
public:
    SmallDisk() : linux_("/tmp/pelmarind-small-disk-" + std::to_string(GetCurrentProcessId())) {
        if (!CreateDirectoryA(Windows(linux_).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            reason_ = "no folder " + Windows(linux_);
            return;
        }
        reason_ = Run("mount -t tmpfs -o size=1m pelmarind-test " + linux_);
        mounted_ = reason_.empty();
    }
    ~SmallDisk() {
        if (mounted_) Run("umount " + linux_);
        RemoveDirectoryA(Windows(linux_).c_str());
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Empty when the disk is there.
    const std::string& Reason() const { return reason_; }
    std::string File(const std::string& name) const { return Windows(linux_) + "\\" + name; }
    std::vector<std::string> Files() const { return FilesIn(File("")); }

private:
    static std::string Windows(std::string path) {
        for (char& c : path) c = c == '/' ? '\\' : c;
        return "Z:" + path;
    }
    // Runs the shell command; empty when it succeeded, else what it said.
    std::string Run(const std::string& command) const {
        const std::string status = linux_ + ".status", output = linux_ + ".output";
        DeleteFileA(Windows(status).c_str());
        std::string line = "sh -c \"" + command + " >" + output + " 2>&1; echo $? >" + status + ".part; mv " + status +
                           ".part " + status + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION created{};
        if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
            return "no Linux shell to run \"" + command + "\" (not under Wine)";
        }
        if (created.hProcess != nullptr) CloseHandle(created.hProcess);
        if (created.hThread != nullptr) CloseHandle(created.hThread);
        for (DWORD waited = 0; !FileExists(Windows(status)) && waited < Scaled(20000); waited += 50) Sleep(50);
        if (!FileExists(Windows(status))) return "\"" + command + "\" did not end";
        const std::string exit = ReadFileBytes(Windows(status));
        const std::string said = FileExists(Windows(output)) ? ReadFileBytes(Windows(output)) : "";
        DeleteFileA(Windows(status).c_str());
        DeleteFileA(Windows(output).c_str());
        return exit == "0\n" ? std::string() : "\"" + command + "\" failed (" + exit.substr(0, exit.find('\n')) + "): " + said;
    }

    std::string linux_;
    std::string reason_;
    bool mounted_ = false;
};

}  // namespace

TEST(SaveJob, TypeListShowsTheThirteenEntriesAndPreselectsTheHostsMode) {
    // Host replies and the entry they preselect (0-based): default text gets
    // the user entry, a document kind its own entry.
    const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {10, 4}, {9, 11}};
    for (const auto& [reply, entry] : cases) {
        SaveRun run("text", "", {"--mode-reply=" + std::to_string(reply)});
        ASSERT_NE(run.Frame(), nullptr) << reply;
        EXPECT_EQ(SaveDialogTypes(run.Frame()), kDefaultTypes);
        EXPECT_EQ(SaveDialogSelectedType(run.Frame()), entry) << reply;
        CancelSaveDialog(run.Frame());
        run.ExpectEndedLeavingTheHostAlone("text");
    }
}

TEST(SaveJob, EmptyPatternListsChangeTheirEntriesAndThePreselection) {
    SaveRun run("text", "HtmlDocFilter=\r\nUserFileFilter=\r\n", {"--mode-reply=1"});
    ASSERT_NE(run.Frame(), nullptr);
    const auto types = SaveDialogTypes(run.Frame());
    ASSERT_EQ(types.size(), 13u);
    EXPECT_EQ(types[1], "ユーザー()");
    EXPECT_EQ(types[2], "HTMLファイル(*.*)");
    EXPECT_EQ(types[3], "Perlファイル(*.cgi,*.pl)");
    EXPECT_EQ(SaveDialogSelectedType(run.Frame()), 1);  // an HTML document gets the user entry
    CancelSaveDialog(run.Frame());
    run.ExpectEndedLeavingTheHostAlone("text");
}

TEST(SaveJob, NameBoxHoldsTheDefaultNameOnlyWithAutoFileName) {
    struct Case { const char* text; const char* options; const char* name; };
    const Case cases[] = {
        {"\r\n  \t\r\nMemo: 2024/01/02\r\nmore", "AutoFileName=1\r\n", "Memo- 2024-01-02"},
        {"Memo: 2024/01/02\r\n", "AutoFileName=0\r\n", ""},
        {"Memo: 2024/01/02\r\n", "", ""},
        {"\r\n \t\x1A\r\n", "AutoFileName=1\r\n", ""},
    };
    for (const Case& c : cases) {
        SaveRun run(c.text, c.options);
        ASSERT_NE(run.Frame(), nullptr) << c.options;
        EXPECT_EQ(SaveDialogName(run.Frame()), c.name) << c.options;
        CancelSaveDialog(run.Frame());
        run.ExpectEndedLeavingTheHostAlone(c.text);
    }
}

TEST(SaveJob, ConfirmingAnExistingFileOverwritesItWithTheSelection) {
    const std::string text = "first line\r\nsecond \x95\x5C line\r\n";
    SaveRun run(text, "", {"--sel=0,12"});
    ASSERT_NE(run.Frame(), nullptr);
    const std::string target = run.Dir().File("existing.txt");
    WriteFileBytes(target, std::string(5000, 'o'));
    TypeSaveDialogName(run.Frame(), target);
    ConfirmSaveDialog(run.Frame());
    // No question about the existing file, no message: the tool just ends.
    EXPECT_FALSE(WaitForMessageBox(run.Pid(), 1000).has_value());
    run.ExpectEndedLeavingTheHostAlone(text);
    EXPECT_EQ(ReadFileBytes(target), "first line\r\n");
}

TEST(SaveJob, WholeTextIsSavedWhenNothingIsSelected) {
    const std::string text = "a\r\nb\rc\n\x83\x7C";
    SaveRun run(text, "");
    ASSERT_NE(run.Frame(), nullptr);
    const std::string target = run.Dir().File("new.txt");
    TypeSaveDialogName(run.Frame(), target);
    ConfirmSaveDialog(run.Frame());
    run.ExpectEndedLeavingTheHostAlone(text);
    EXPECT_EQ(ReadFileBytes(target), text);
}

TEST(SaveJob, CancellingWritesNothing) {
    SaveRun run("some text", "AutoFileName=1\r\n");
    ASSERT_NE(run.Frame(), nullptr);
    TypeSaveDialogName(run.Frame(), run.Dir().File("never.txt"));
    CancelSaveDialog(run.Frame());
    run.ExpectEndedLeavingTheHostAlone("some text");
    EXPECT_FALSE(FileExists(run.Dir().File("never.txt")));
}

TEST(SaveJob, DefDirOnOpensTheExpandedFolder) {
    TempDir folder;
    SetEnvironmentVariableA("PELMARIND_SAVE_DIR", folder.Path().c_str());
    SaveRun run("in the folder", "DefDir=%pelmarind_save_dir%\\\r\nDefDirOn=1\r\n");
    SetEnvironmentVariableA("PELMARIND_SAVE_DIR", nullptr);
    ASSERT_NE(run.Frame(), nullptr);
    TypeSaveDialogName(run.Frame(), "picked");
    ConfirmSaveDialog(run.Frame());
    run.ExpectEndedLeavingTheHostAlone("in the folder");
    EXPECT_EQ(ReadFileBytes(folder.File("picked.txt")), "in the folder");
}

TEST(SaveJob, FrameLandsOnTheHostClientOriginInsideTheWorkArea) {
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    for (const char* pos : {"--pos=60,40,600,400", "--pos=700,500,300,200"}) {
        SaveRun run("text", "", {pos});
        ASSERT_NE(run.Frame(), nullptr) << pos;
        Sleep(200);  // the frame is placed before it shows; let any move settle
        const RECT frame = WindowRectOf(run.Frame());
        POINT origin{0, 0};
        ClientToScreen(run.Host().Main(), &origin);
        const LONG w = frame.right - frame.left, h = frame.bottom - frame.top;
        // The second host sits so far right and down that the frame must be pulled back.
        EXPECT_EQ(origin.x + w > workArea.right && origin.y + h > workArea.bottom, pos[6] == '7') << pos;
        EXPECT_EQ(frame.left, std::min(origin.x, workArea.right - w)) << pos;
        EXPECT_EQ(frame.top, std::min(origin.y, workArea.bottom - h)) << pos;
        EXPECT_EQ(GetWindow(run.Frame(), GW_OWNER), run.Host().Owner());
        CancelSaveDialog(run.Frame());
        run.ExpectEndedLeavingTheHostAlone("text");
    }
}

TEST(SaveJob, AFileThatCannotBeCreatedShowsTheErrorAndTheToolEnds) {
    SaveRun run("text", "");
    ASSERT_NE(run.Frame(), nullptr);
    const std::string target = run.Dir().File("locked.txt");
    WriteFileBytes(target, "held");
    // Held open without sharing: the tool cannot create it.
    FileHandle held(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    TypeSaveDialogName(run.Frame(), target);
    ConfirmSaveDialog(run.Frame());
    const auto box = WaitForMessageBox(run.Pid(), kTimeoutMs);
    ASSERT_TRUE(box.has_value());
    // (Written beside it, it could not be put in its place.)
    EXPECT_EQ(box->text, FormatMessageText(kCannotCreateFile, target) + "\r\n\r\n" + FormatMessageText(kFileNotChanged, target));
    EXPECT_EQ(box->caption, kAppCaption);
    // The dialog has closed; the libraries it ran on stay until the tool ends
    // (threads of shell extensions may still run in them).
    for (const char* library : {"comdlg32.dll", "shell32.dll", "ole32.dll"}) {
        EXPECT_TRUE(HasModule(run.Pid(), library)) << library;
    }
    PressButton(box->window, IDOK);
    run.ExpectEndedLeavingTheHostAlone("text", false);
    held.Reset();
    EXPECT_EQ(ReadFileBytes(target), "held");
    EXPECT_EQ(FilesIn(run.Dir().Path()), (std::vector<std::string>{"host.ini", "locked.txt", "text.bin"}));
}

// A disk that fills up while the text is written: the file saved over keeps
// its bytes, nothing is left beside it, and the message says so.
TEST(SaveJob, ADiskThatFillsUpLeavesTheOldFileAsItWas) {
    const SmallDisk disk;
    if (!disk.Reason().empty()) GTEST_SKIP() << "no small disk for this test: " << disk.Reason();
    const std::string target = disk.File("doc.txt");
    const std::string old(600000, 'o');
    WriteFileBytes(target, old);
    std::string text;
    while (text.size() < 1500000) text += "a line of the text that does not fit on the disk\r\n";
    SaveRun run(text, "");
    ASSERT_NE(run.Frame(), nullptr);
    TypeSaveDialogName(run.Frame(), target);
    ConfirmSaveDialog(run.Frame());
    const auto box = WaitForMessageBox(run.Pid(), kTimeoutMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, std::string(kStreamWriteError) + "\r\n\r\n" + FormatMessageText(kFileNotChanged, target));
    PressButton(box->window, IDOK);
    run.ExpectEndedLeavingTheHostAlone(text, false);
    const std::string after = ReadFileBytes(target);
    EXPECT_TRUE(after == old) << "doc.txt now holds " << after.size() << " bytes";
    EXPECT_EQ(disk.Files(), std::vector<std::string>{"doc.txt"});
}

// A platform older than Windows 2000 (Wine reporting Windows NT 4.0 to the
// tool): the dialog runs on the 76-byte record as it is, which the platform
// answers with a plain edit control for the name, and the file is written.
TEST(SaveJob, OnAnOlderPlatformTheDialogRunsOnTheSmallRecord) {
#if !defined(__i386__) && !defined(_M_IX86)
    // Those platforms run 32-bit programs only, and Wine reports no such
    // version to a 64-bit one: the shipped 32-bit program is tested here.
    GTEST_SKIP() << "the older platforms run 32-bit programs only";
#endif
    ScopedReportedVersion nt4("nt40");
    const std::string text = "older platform";
    SaveRun run(text, "", {"--mode-reply=1"});
    ASSERT_NE(run.Frame(), nullptr);
    EXPECT_NE(GetDlgItem(run.Frame(), kSaveDialogNameEditId), nullptr);
    EXPECT_EQ(GetDlgItem(run.Frame(), kSaveDialogNameComboId), nullptr);
    EXPECT_EQ(SaveDialogSelectedType(run.Frame()), 2);
    // The small record carries the child template too.
    EXPECT_EQ(SaveDialogListSelection(run.Frame(), IDC_SAVE_ENCODING), 0);
    const std::string target = run.Dir().File("older.txt");
    TypeSaveDialogName(run.Frame(), target);
    ConfirmSaveDialog(run.Frame());
    run.ExpectEndedLeavingTheHostAlone(text);
    EXPECT_EQ(ReadFileBytes(target), text);
}

// The two rows below the file types: their labels, entries and defaults, laid
// out like the file-type row (one row's distance apart, as wide, inside the
// frame), next after it when tabbing, and following it when the dialog grows.
TEST(SaveJob, EncodingAndLineEndRowsFollowTheFileTypeRow) {
    SaveRun run("text", "");
    const HWND frame = run.Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(TextOf(SaveDialogControl(frame, IDC_SAVE_ENCODING_LABEL)), "文字コード(&E):");
    EXPECT_EQ(TextOf(SaveDialogControl(frame, IDC_SAVE_LINE_ENDS_LABEL)), "改行(&L):");
    EXPECT_EQ(SaveDialogListEntries(frame, IDC_SAVE_ENCODING),
              (std::vector<std::string>{"ANSI (Shift_JIS)", "UTF-8", "UTF-8 (BOM 付き)", "UTF-16 LE (BOM 付き)"}));
    EXPECT_EQ(SaveDialogListEntries(frame, IDC_SAVE_LINE_ENDS), (std::vector<std::string>{"そのまま", "CR+LF", "LF"}));
    EXPECT_EQ(SaveDialogListSelection(frame, IDC_SAVE_ENCODING), 0);
    EXPECT_EQ(SaveDialogListSelection(frame, IDC_SAVE_LINE_ENDS), 0);
    const HWND typeList = GetDlgItem(frame, kSaveDialogTypeListId);
    const HWND encoding = SaveDialogControl(frame, IDC_SAVE_ENCODING), lineEnds = SaveDialogControl(frame, IDC_SAVE_LINE_ENDS);
    EXPECT_EQ(GetNextDlgTabItem(frame, typeList, FALSE), encoding);
    EXPECT_EQ(GetNextDlgTabItem(frame, encoding, FALSE), lineEnds);
    EXPECT_EQ(GetNextDlgTabItem(frame, lineEnds, FALSE), GetDlgItem(frame, IDOK));
    for (const SIZE growth : {SIZE{0, 0}, SIZE{120, 90}}) {
        const RECT before = WindowRectOf(frame);
        SetWindowPos(frame, nullptr, 0, 0, before.right - before.left + growth.cx, before.bottom - before.top + growth.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT name = WindowRectOf(SaveDialogNameBox(frame)), type = WindowRectOf(typeList);
        // The rows follow once the dialog has done its resizing.
        const DWORD start = GetTickCount();
        while (WindowRectOf(lineEnds).right != type.right && GetTickCount() - start < Scaled(2000)) Sleep(20);
        const RECT typeLabel = WindowRectOf(GetDlgItem(frame, 0x441));
        RECT client{};
        GetClientRect(frame, &client);
        MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const LONG pitch = type.top - name.top;
        LONG row = 1;
        for (const auto& [labelId, listId] : {std::pair{IDC_SAVE_ENCODING_LABEL, IDC_SAVE_ENCODING},
                                              std::pair{IDC_SAVE_LINE_ENDS_LABEL, IDC_SAVE_LINE_ENDS}}) {
            const RECT label = WindowRectOf(SaveDialogControl(frame, labelId));
            const RECT list = WindowRectOf(SaveDialogControl(frame, listId));
            EXPECT_EQ(label.left, typeLabel.left) << growth.cx;
            EXPECT_EQ(label.top, typeLabel.top + row * pitch) << growth.cx;
            EXPECT_EQ(list.left, type.left) << growth.cx;
            EXPECT_EQ(list.right, type.right) << growth.cx;
            EXPECT_EQ(list.top, type.top + row * pitch) << growth.cx;
            EXPECT_LE(list.bottom, client.bottom) << growth.cx;
            ++row;
        }
    }
    CancelSaveDialog(frame);
    run.ExpectEndedLeavingTheHostAlone("text");
}

// The file's bytes for the choices: the encoding, then the line ends. A text
// that is not Shift_JIS is refused in a Unicode encoding (a message naming
// its line, no file) and saved as ANSI.
TEST(SaveJob, TheChosenEncodingAndLineEndsGiveTheFilesBytes) {
    using namespace std::string_literals;
    const std::string text = "\x93\xFA\x96\x7B\r\nb\rc\n";  // 日本
    const std::string invalid = "ok\r\nline \x81\x20 x\r\n";
    struct Case {
        std::string text;
        int encoding, lineEnds;
        std::string bytes;  // empty: refused
    };
    const Case cases[] = {
        {text, 0, 0, text},
        {text, 2, 2, "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\nb\nc\n"},
        {text, 3, 1, "\xFF\xFE\xE5\x65\x2C\x67\r\0\n\0b\0\r\0\n\0c\0\r\0\n\0"s},
        {invalid, 1, 0, ""},
        {invalid, 0, 2, "ok\nline \x81\x20 x\n"},
    };
    for (const Case& c : cases) {
        // (An edit control would hold the invalid bytes as other characters.)
        SaveRun run(c.text, "", c.text == invalid ? std::vector<std::string>{"--raw-text-window"} : std::vector<std::string>{});
        ASSERT_NE(run.Frame(), nullptr) << c.encoding;
        SelectSaveDialogListEntry(run.Frame(), IDC_SAVE_ENCODING, c.encoding);
        SelectSaveDialogListEntry(run.Frame(), IDC_SAVE_LINE_ENDS, c.lineEnds);
        const std::string target = run.Dir().File("saved.txt");
        TypeSaveDialogName(run.Frame(), target);
        ConfirmSaveDialog(run.Frame());
        if (c.bytes.empty()) {
            const auto box = WaitForMessageBox(run.Pid(), kTimeoutMs);
            ASSERT_TRUE(box.has_value());
            EXPECT_EQ(box->text, FormatMessageTexts(kSaveNotShiftJis, {"UTF-8", "2"}));
            EXPECT_TRUE(box->exclamationIcon);
            PressButton(box->window, IDOK);
            run.ExpectEndedLeavingTheHostAlone(c.text, false);
            EXPECT_FALSE(FileExists(target));
        } else {
            run.ExpectEndedLeavingTheHostAlone(c.text);
            EXPECT_EQ(ReadFileBytes(target), c.bytes) << c.encoding << " " << c.lineEnds;
        }
    }
}
