#pragma once
// The test robot: starts programs, finds the windows of other processes,
// reads and drives message boxes, and controls the stand-in editor.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Handles.h"

// Folder of the running test program, where every program of the build lies,
// with a trailing backslash.
std::string BinDir();
std::string BinPath(const std::string& exeName);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The names in a folder (given with its trailing backslash), sorted.
std::vector<std::string> FilesIn(const std::string& folder);
// A UTF-8 text (the project's documents) as code page 932 bytes, as the
// program's own texts are.
std::string Utf8ToCodePage932(const std::string& utf8);
std::string WideToCodePage932(const std::wstring& text);

// A fresh folder under the temporary-files folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }  // with a trailing backslash
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Sets an environment variable of this process (which the programs it starts
// inherit) for the scope, or removes it (nullptr); what was there before is
// put back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name, value.c_str()) {}
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    const std::optional<std::string>& Old() const { return old_; }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A started process; terminated if still running when the owner goes.
class ChildProcess {
public:
    ChildProcess() = default;
    explicit ChildProcess(const std::string& commandLine);
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = default;
    ~ChildProcess();
    bool Started() const { return static_cast<bool>(process_); }
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_.Get(); }
    // Waits up to timeoutMs; the exit code, or nothing while it runs.
    std::optional<DWORD> Wait(DWORD timeoutMs);

private:
    KernelHandle process_;
    DWORD pid_ = 0;
};

// Every wait of the robot is stretched by PELMARIND_TIME_SCALE (a whole
// number, 1 when unset): on a machine that runs the programs many times slower
// than a native one (an emulated one), a fixed wait would end before the
// program got there. No wait is ever shortened.
DWORD Scaled(DWORD timeoutMs);

std::vector<HWND> TopLevelWindowsOf(DWORD pid, const char* className = nullptr);
// The first visible dialog (class #32770) of any process that `matches`,
// waited for up to timeoutMs (not stretched: the demo's drivers use it).
HWND WaitForAnyDialog(bool (*matches)(HWND dialog), DWORD timeoutMs);
HWND WaitForTopLevelWindow(DWORD pid, const char* className, DWORD timeoutMs);
std::string ClassNameOf(HWND window);
// Window text through WM_GETTEXT, which works for other processes' controls.
std::string TextOf(HWND window);
// The same in UTF-16, for texts that the narrow form would lose (the result
// window's control, a box shown in UTF-16 on another code page).
std::wstring UnicodeTextOf(HWND window);
// The entries of another process's combo box, as code page 932 (asked for in
// UTF-16: under Wine a cross-process CB_GETLBTEXT answers UTF-16 even to the
// narrow call).
std::vector<std::string> ComboEntries(HWND combo);

struct MessageBoxView {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    bool exclamationIcon = false;
    bool errorIcon = false;
};
// The first message box (dialog class #32770 holding a text control 0xFFFF)
// of a process, waited for up to timeoutMs.
std::optional<MessageBoxView> WaitForMessageBox(DWORD pid, DWORD timeoutMs);
// Presses a dialog's button by its control id (1 OK, 2 Cancel).
void PressButton(HWND dialog, int id);

// The stand-in editor, started with its switches (see the stand-in's
// options) and, after "--", a command to start from its Tools menu.
class StandinHost {
public:
    explicit StandinHost(const std::vector<std::string>& switches, const std::string& command = {});
    ~StandinHost();
    StandinHost(const StandinHost&) = delete;
    StandinHost& operator=(const StandinHost&) = delete;

    bool Ready() const { return main_ != nullptr; }
    HWND Main() const { return main_; }
    HWND Owner() const { return owner_; }
    HWND Edit() const { return edit_; }
    DWORD Pid() const { return process_.Pid(); }
    const std::string& LogPath() const { return logPath_; }
    const std::string& FinalPath() const { return finalPath_; }

    // Waits until the stand-in has ended (it ends after its command).
    bool WaitForExit(DWORD timeoutMs);
    // The process id of the started command, once the stand-in logged it.
    DWORD WaitForStartedPid(DWORD timeoutMs);

    using Record = std::map<std::string, std::string>;
    // Log lines of one tag, each as its fields (and "tag").
    std::vector<Record> Records(const std::string& tag) const;
    std::vector<Record> AllRecords() const;
    std::string FinalText() const { return ReadFileBytes(finalPath_); }

    // Asked when a stand-in goes: if it answers yes (the test failed), the
    // stand-in's log is printed, which tells what the editor saw.
    static inline bool (*testFailed)() = nullptr;

private:
    TempDir dir_;
    std::string logPath_, finalPath_;
    ChildProcess process_;
    HWND main_ = nullptr, owner_ = nullptr, edit_ = nullptr;
};

// The records of a log of "tag\tkey=value..." lines (the stand-in editor's,
// the probe child's), each as its fields and "tag"; only those of `tag`
// unless it is empty. A last line not yet ended is left out.
std::vector<StandinHost::Record> ReadLogRecords(const std::string& path, const std::string& tag = {});

// The process ids of every running copy of the tool (pelmarind.exe).
std::vector<DWORD> ToolCopies();
// Ends every running copy of the tool: the watcher that stays after the last
// run among them.
void EndToolCopies();
