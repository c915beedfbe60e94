// The probe child: started by tests in place of an external tool, the way the
// tool starts one:  probe_child "arg" "arg" ...  FILE
// It records how it was started, then does what its instructions say to FILE,
// the last argument (unless that begins with "--": then there is no file).
//
// Instructions are arguments of the form --name=value, in any position; other
// arguments are ignored (but recorded). More can come from the environment variable
// PELMARIND_PROBE (tab-separated, read before the arguments), for runs whose
// command line a test does not choose.
//   --file=PATH        FILE is PATH, wherever it stands (a command that names
//                      its file in the middle); --outfile=PATH the same (as
//                      a minifier names its output file)
//   --record=PATH      append the records to PATH (default: the environment
//                      variable PELMARIND_PROBE_RECORD; none: no records)
//   --save-input=PATH  copy FILE, as found, to PATH
//   --write-hex=HEX    rewrite FILE with these bytes ("" empties it)
//   --write-from=PATH  rewrite FILE with the bytes of PATH
//   --extend-to=N      set FILE's end at N bytes (SetFilePointerEx and
//                      SetEndOfFile): a file of many GiB in no time, kept
//                      sparse where the file system can
//   --delete           delete FILE
//   --set-back=S       set FILE's last-write time back by S seconds (after any
//                      rewrite)
//   --keep-time        give FILE its last-write time from the start again
//                      after any rewrite (a converter that keeps the time)
//   --hold             keep FILE open with no sharing for the whole run
//                      (combine with --sleep)
//   --hold-after=MS    start a grandchild that opens FILE with no sharing and
//                      keeps it open for MS ms; exit once it has opened it
//   --spawn=MS         start a grandchild that sleeps MS ms, and do not wait
//   --spawn-holding=MS the same, the grandchild inheriting the standard
//                      handles (holding a filter's pipes open)
//   --sleep=MS         sleep MS ms before ending
//   --window           show a window of its own and take the foreground for
//                      the run, serving its messages while it sleeps (a GUI
//                      program the user works in)
//   --stdin-to=PATH    read standard input to its end and save it to PATH
//   --echo-stdin       copy standard input to standard output as it comes, a
//                      piece at a time (a filter that writes before it has
//                      read everything)
//   --stdout-hex=HEX   write these bytes to standard output
//   --stdout-size=N    then N bytes "x", a piece at a time (an output larger
//                      than the tool takes)
//   --stderr=TEXT      write this line to standard error
//   --exit=CODE        the exit code (default 0)
//   --lenient          other --name arguments are ignored: the options of the
//                      program the probe stands in for
// The actions run in this order: stdin-to or echo-stdin, stdout-hex, stderr,
// save-input, write, extend-to, delete, set-back, keep-time, hold, spawn, hold-after, sleep.
//
// Records, one line each, "tag\tkey=value..." (as the stand-in editor's log):
//   probe  pid, show (STARTUPINFO wShowWindow), flags (dwFlags, hex), stdin,
//          stdout, stderr (the record's handle values, hex), console (1 when
//          the process has a console window), size (FILE's size
//          at the start, -1 when absent), file, cmdline (GetCommandLineA as
//          hex digits, byte for byte), cwd (the current folder), args (the
//          arguments as the C runtime split them, each as hex digits, ","
//          between them)
//   spawned  pid, grandchild (its pid), once --spawn has started it
//   window  pid, hwnd (hex), once --window has shown its window
//   done   pid, size (FILE's size at the end), grandchild (its pid, or 0),
//          written before the probe ends
//   holding  pid, once --hold has opened the file
//   grandchild-done  pid, when a grandchild ends (a holding one has closed
//          the file by then)
//   error  pid, what: an instruction that could not be carried out (the
//          probe then ends with exit code 2)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "tests/robot/HexText.h"

namespace {

struct Instructions {
    std::string recordPath, saveInputPath, writeFromPath;
    bool write = false, remove = false, hold = false, window = false, echoStdin = false, keepTime = false;
    std::string stdinPath, stdoutBytes, stderrText;
    std::string writeBytes;
    long long setBackSeconds = 0;
    long long extendTo = -1;
    long long stdoutSize = 0;
    long holdAfterMs = -1, spawnMs = -1, sleepMs = 0;
    bool spawnHolding = false, lenient = false;
    int exitCode = 0;
    // The grandchild roles, given by the probe to its own copy.
    long grandchildHoldMs = -1, grandchildSleepMs = -1;
    std::string readyEvent;
    std::string file, namedFile;
    std::string unknown;
};

std::string HexNumber(UINT_PTR value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
    return text;
}

std::string HandleText(HANDLE handle) { return HexNumber(reinterpret_cast<UINT_PTR>(handle)); }

void Apply(const std::string& argument, Instructions& in) {
    const std::size_t eq = argument.find('=');
    const std::string name = argument.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : argument.substr(eq + 1);
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (name == "--record") in.recordPath = value;
    else if (name == "--file" || name == "--outfile") in.namedFile = value;
    else if (name == "--save-input") in.saveInputPath = value;
    else if (name == "--write-hex") {
        in.write = true;
        if (!HexBytes(value, in.writeBytes)) in.unknown = argument;
    } else if (name == "--write-from") { in.write = true; in.writeFromPath = value; }
    else if (name == "--extend-to") in.extendTo = std::strtoll(value.c_str(), nullptr, 10);
    else if (name == "--delete") in.remove = true;
    else if (name == "--set-back") in.setBackSeconds = std::strtoll(value.c_str(), nullptr, 10);
    else if (name == "--keep-time") in.keepTime = true;
    else if (name == "--hold") in.hold = true;
    else if (name == "--hold-after") in.holdAfterMs = number;
    else if (name == "--spawn") in.spawnMs = number;
    else if (name == "--spawn-holding") in.spawnMs = number, in.spawnHolding = true;
    else if (name == "--sleep") in.sleepMs = number;
    else if (name == "--window") in.window = true;
    else if (name == "--stdin-to") in.stdinPath = value;
    else if (name == "--echo-stdin") in.echoStdin = true;
    else if (name == "--stdout-hex") {
        if (!HexBytes(value, in.stdoutBytes)) in.unknown = argument;
    } else if (name == "--stdout-size") in.stdoutSize = std::strtoll(value.c_str(), nullptr, 10);
    else if (name == "--stderr") in.stderrText = value;
    else if (name == "--stderr-hex") {
        if (!HexBytes(value, in.stderrText)) in.unknown = argument;
    }
    else if (name == "--exit") in.exitCode = static_cast<int>(number);
    else if (name == "--grandchild-hold") in.grandchildHoldMs = number;
    else if (name == "--grandchild-sleep") in.grandchildSleepMs = number;
    else if (name == "--ready-event") in.readyEvent = value;
    else if (name == "--lenient") in.lenient = true;
    else in.unknown = argument;
}

Instructions ReadInstructions(int argc, char** argv) {
    Instructions in;
    char buffer[32768];
    const DWORD n = GetEnvironmentVariableA("PELMARIND_PROBE_RECORD", buffer, sizeof buffer);
    if (n > 0 && n < sizeof buffer) in.recordPath = buffer;
    const DWORD m = GetEnvironmentVariableA("PELMARIND_PROBE", buffer, sizeof buffer);
    if (m > 0 && m < sizeof buffer) {
        std::string all(buffer, m);
        std::size_t start = 0;
        while (start <= all.size()) {
            std::size_t end = all.find('\t', start);
            if (end == std::string::npos) end = all.size();
            if (end > start) Apply(all.substr(start, end - start), in);
            start = end + 1;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool isInstruction = argument.rfind("--", 0) == 0;
        if (i == argc - 1 && !isInstruction) in.file = argument;
        else if (isInstruction) Apply(argument, in);
    }
    if (!in.namedFile.empty()) in.file = in.namedFile;
    return in;
}

// One line per call, appended in one write, so that the records of several
// processes do not mix.
void AppendRecord(const std::string& path, const std::string& line) {
    if (path.empty()) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        FileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, 0, nullptr));
        if (file) {
            const std::string text = line + "\n";
            DWORD written = 0;
            WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            return;
        }
        Sleep(10);
    }
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadAll(const std::string& path, std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    bytes.clear();
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    return true;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

bool FileTimeOf(const std::string& path, FILETIME& written) {
    FileHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    return file && GetFileTime(file.Get(), nullptr, nullptr, &written);
}

bool SetFileTimeOf(const std::string& path, const FILETIME& written) {
    FileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    return file && SetFileTime(file.Get(), nullptr, nullptr, &written);
}

bool SetBack(const std::string& path, long long seconds) {
    FileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME written;
    if (!file || !GetFileTime(file.Get(), nullptr, nullptr, &written)) return false;
    ULARGE_INTEGER time;
    time.LowPart = written.dwLowDateTime;
    time.HighPart = written.dwHighDateTime;
    time.QuadPart -= static_cast<ULONGLONG>(seconds) * 10000000ULL;
    written.dwLowDateTime = time.LowPart;
    written.dwHighDateTime = time.HighPart;
    return SetFileTime(file.Get(), nullptr, nullptr, &written) != 0;
}

bool ExtendTo(const std::string& path, long long size) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = size;
    return file && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

FileHandle OpenUnshared(const std::string& path) {
    return FileHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string Quoted(const std::string& argument) { return "\"" + argument + "\""; }

struct Grandchild {
    KernelHandle process;
    DWORD pid = 0;
};

// Starts this program again in a grandchild role.
Grandchild StartGrandchild(const std::string& roleArguments, const Instructions& in, bool inheritStandardHandles = false) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = Quoted(self) + " " + roleArguments;
    if (!in.recordPath.empty()) line += " " + Quoted("--record=" + in.recordPath);
    if (!in.file.empty()) line += " " + Quoted(in.file);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (inheritStandardHandles) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, inheritStandardHandles ? TRUE : FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &created)) {
        return {};
    }
    const KernelHandle thread(created.hThread);
    return {KernelHandle(created.hProcess), created.dwProcessId};
}

int Fail(const Instructions& in, const std::string& what) {
    AppendRecord(in.recordPath, "error\tpid=" + std::to_string(GetCurrentProcessId()) + "\twhat=" + what);
    return 2;
}

// Holds the file with no sharing for the time asked, once the starter knows.
bool HoldFor(const Instructions& in) {
    const FileHandle held = OpenUnshared(in.file);
    if (!held) return false;
    const KernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, in.readyEvent.c_str()));
    if (ready) SetEvent(ready.Get());
    Sleep(static_cast<DWORD>(in.grandchildHoldMs));
    return true;
}

// Its record comes after the file is closed again.
int RunGrandchild(const Instructions& in) {
    const std::string pid = std::to_string(GetCurrentProcessId());
    if (in.grandchildHoldMs >= 0) {
        if (!HoldFor(in)) return Fail(in, "grandchild-hold");
    } else {
        Sleep(static_cast<DWORD>(in.grandchildSleepMs));
    }
    AppendRecord(in.recordPath, "grandchild-done\tpid=" + pid);
    return 0;
}

// A window of its own in front, served until `ms` have passed.
bool ShowWindowFor(const Instructions& in, DWORD ms) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PelmarindProbeWindow";
    RegisterClassA(&wc);
    const HWND window = CreateWindowExA(0, wc.lpszClassName, "probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 300,
                                        200, nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) return false;
    SetForegroundWindow(window);
    AppendRecord(in.recordPath, "window\tpid=" + std::to_string(GetCurrentProcessId()) +
                                    "\thwnd=" + HexNumber(reinterpret_cast<UINT_PTR>(window)));
    const DWORD started = GetTickCount();
    for (DWORD elapsed = 0; elapsed < ms; elapsed = GetTickCount() - started) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    DestroyWindow(window);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const Instructions in = ReadInstructions(argc, argv);
    if (in.grandchildHoldMs >= 0 || in.grandchildSleepMs >= 0) return RunGrandchild(in);

    const std::string pid = std::to_string(GetCurrentProcessId());
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string args;
    for (int i = 1; i < argc; ++i) args += (i > 1 ? "," : "") + HexText(argv[i]);
    AppendRecord(in.recordPath, "probe\tpid=" + pid + "\tshow=" + std::to_string(startup.wShowWindow) +
                                    "\tflags=" + HexNumber(startup.dwFlags) +
                                    "\tstdin=" + HandleText(startup.hStdInput) +
                                    "\tstdout=" + HandleText(startup.hStdOutput) +
                                    "\tstderr=" + HandleText(startup.hStdError) +
                                    "\tconsole=" + std::to_string(GetConsoleWindow() != nullptr ? 1 : 0) +
                                    "\tsize=" + std::to_string(FileSize(in.file)) + "\tfile=" + in.file +
                                    "\tcmdline=" + HexText(GetCommandLineA()) + "\tcwd=" + cwd +
                                    "\targs=" + args);
    if (!in.unknown.empty() && !in.lenient) return Fail(in, "unknown " + in.unknown);

    if (!in.stdinPath.empty() || in.echoStdin) {
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE), output = GetStdHandle(STD_OUTPUT_HANDLE);
        std::string all;
        std::vector<char> chunk(65536);
        DWORD n = 0, written = 0;
        while (ReadFile(input, chunk.data(), static_cast<DWORD>(chunk.size()), &n, nullptr) && n > 0) {
            if (in.echoStdin && !WriteFile(output, chunk.data(), n, &written, nullptr)) return Fail(in, "echo-stdin");
            if (!in.stdinPath.empty()) all.append(chunk.data(), n);
        }
        if (!in.stdinPath.empty() && !WriteAll(in.stdinPath, all)) return Fail(in, "stdin-to");
    }
    if (!in.stdoutBytes.empty()) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), in.stdoutBytes.data(), static_cast<DWORD>(in.stdoutBytes.size()),
                  &written, nullptr);
    }
    const std::string piece(1 << 20, 'x');
    for (long long left = in.stdoutSize; left > 0;) {
        const DWORD size = static_cast<DWORD>(std::min<long long>(left, static_cast<long long>(piece.size())));
        DWORD written = 0;
        if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), piece.data(), size, &written, nullptr)) break;
        left -= written;
    }
    if (!in.stderrText.empty()) {
        const std::string line = in.stderrText + "\r\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    if (!in.saveInputPath.empty()) {
        std::string bytes;
        if (!ReadAll(in.file, bytes) || !WriteAll(in.saveInputPath, bytes)) return Fail(in, "save-input");
    }
    FILETIME startTime{};
    if (in.keepTime && !FileTimeOf(in.file, startTime)) return Fail(in, "keep-time");
    if (in.write) {
        std::string bytes = in.writeBytes;
        if (!in.writeFromPath.empty() && !ReadAll(in.writeFromPath, bytes)) return Fail(in, "write-from");
        if (!WriteAll(in.file, bytes)) return Fail(in, "write");
    }
    if (in.extendTo >= 0 && !ExtendTo(in.file, in.extendTo)) return Fail(in, "extend-to");
    if (in.remove && !DeleteFileA(in.file.c_str())) return Fail(in, "delete");
    if (in.setBackSeconds != 0 && !SetBack(in.file, in.setBackSeconds)) return Fail(in, "set-back");
    if (in.keepTime && !SetFileTimeOf(in.file, startTime)) return Fail(in, "keep-time");
    FileHandle held;
    if (in.hold) {
        held = OpenUnshared(in.file);
        if (!held) return Fail(in, "hold");
        AppendRecord(in.recordPath, "holding\tpid=" + pid);
    }
    DWORD grandchild = 0;
    if (in.spawnMs >= 0) {
        grandchild = StartGrandchild("--grandchild-sleep=" + std::to_string(in.spawnMs), in, in.spawnHolding).pid;
        if (grandchild == 0) return Fail(in, "spawn");
        AppendRecord(in.recordPath, "spawned\tpid=" + pid + "\tgrandchild=" + std::to_string(grandchild));
    }
    if (in.holdAfterMs >= 0) {
        // Ends once the grandchild holds the file, or has given up.
        const std::string eventName = "PelmarindProbeReady-" + pid;
        const KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
        const Grandchild holder = StartGrandchild(
            "--grandchild-hold=" + std::to_string(in.holdAfterMs) + " " + Quoted("--ready-event=" + eventName), in);
        const HANDLE either[] = {ready.Get(), holder.process.Get()};
        if (!holder.process || WaitForMultipleObjects(2, either, FALSE, 10000) != WAIT_OBJECT_0) {
            return Fail(in, "hold-after");
        }
        grandchild = holder.pid;
    }
    if (in.window) {
        if (!ShowWindowFor(in, static_cast<DWORD>(in.sleepMs))) return Fail(in, "window");
    } else {
        Sleep(static_cast<DWORD>(in.sleepMs));
    }
    AppendRecord(in.recordPath, "done\tpid=" + pid + "\tsize=" + std::to_string(FileSize(in.file)) +
                                    "\tgrandchild=" + std::to_string(grandchild));
    return in.exitCode;
}
