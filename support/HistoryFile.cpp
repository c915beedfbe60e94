#include "support/HistoryFile.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "base/core/ScopeGuard.h"

namespace {

constexpr char kHistoryFolder[] = "\\Pelmarind";
constexpr char kHistoryName[] = "\\history.txt";
// Fifty entries of the longest command, with room to spare; a larger file is
// no history of ours.
constexpr std::uint64_t kMaxHistoryFileBytes = 2u * 1024 * 1024;

bool IsAbsolutePath(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
}

// The APPDATA variable first: it is what the user's guide tells the user to
// type (in Explorer's address bar, %APPDATA%\Pelmarind), the system sets it at
// logon from the same place the shell reads, and it costs nothing. Only when
// it is missing or no absolute path is the shell asked, loaded then and not at
// start-up.
std::string ApplicationDataFolder() {
    char buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("APPDATA", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH && IsAbsolutePath(std::string(buffer, length))) return std::string(buffer, length);
    const SystemLibrary shell("shell32.dll");
    const auto getFolderPath = shell.Get<decltype(&SHGetFolderPathA)>("SHGetFolderPathA");
    char path[MAX_PATH] = {};
    if (getFolderPath == nullptr || FAILED(getFolderPath(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    const std::string folder(path, strnlen(path, MAX_PATH));
    return IsAbsolutePath(folder) ? folder : std::string();
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// How long a copy waits for another to finish its update, and how long a
// replace is tried again while something (another copy showing the history,
// a virus scanner) has the file open.
constexpr DWORD kWriterWaitMs = 5000;
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplacePauseMs = 50;

// The mutex that every copy of the tool takes for an update of this file:
// named after the file, case-folded as the file system folds its names (a
// name too long for a mutex is told by its hash instead).
std::string WriterMutexName(const std::string& path) {
    std::string folded = SystemCodePage().Uppered(path);
    std::replace(folded.begin(), folded.end(), '\\', '/');
    const std::string prefix = "Local\\Pelmarind history ";
    if (prefix.size() + folded.size() < MAX_PATH) return prefix + folded;
    std::uint64_t hash = 14695981039346656037u;
    for (const char c : folded) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    char hex[17];
    wsprintfA(hex, "%08lX%08lX", static_cast<unsigned long>(hash >> 32), static_cast<unsigned long>(hash));
    return prefix + hex;
}

// One copy of the tool at a time reads, changes and replaces the file; a
// copy that ended while it held the mutex leaves it abandoned, which the next
// one takes (the file itself is only ever replaced whole).
class WriterTurn {
public:
    explicit WriterTurn(const std::string& path) : mutex_(CreateMutexA(nullptr, FALSE, WriterMutexName(path).c_str())) {
        if (!mutex_) return;
        const DWORD waited = WaitForSingleObject(mutex_.Get(), kWriterWaitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~WriterTurn() {
        if (held_) ReleaseMutex(mutex_.Get());
    }
    WriterTurn(const WriterTurn&) = delete;
    WriterTurn& operator=(const WriterTurn&) = delete;
    bool Held() const { return held_; }

private:
    KernelHandle mutex_;
    bool held_ = false;
};

bool ReplaceWith(const std::string& fresh, const std::string& path) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kReplaceAttempts) {
            return false;
        }
        Sleep(kReplacePauseMs);
    }
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    const FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size())) {
        return false;
    }
    return FlushFileBuffers(file.Get()) != 0;
}

}  // namespace

std::string HistoryFilePath() {
    const std::string folder = ApplicationDataFolder();
    if (folder.empty()) return {};
    const std::string path = (folder.back() == '\\' ? folder.substr(0, folder.size() - 1) : folder) + kHistoryFolder + kHistoryName;
    return path.size() < MAX_PATH ? path : std::string();
}

LoadedHistory LoadHistory(const std::string& path) {
    const LoadedHistory unreadable{{}, false};
    if (path.empty()) return unreadable;
    // Shared every way, so that this read keeps no other copy from reading;
    // a replace while it is open may still be refused (and is tried again).
    const FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? LoadedHistory{} : unreadable;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > kMaxHistoryFileBytes) {
        return unreadable;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        return unreadable;
    }
    std::optional<std::vector<HistoryEntry>> entries = ParseHistory(bytes, SystemCodePage());
    if (!entries) return unreadable;
    return LoadedHistory{std::move(*entries), true};
}

bool UpdateHistory(const std::string& path, const std::function<void(std::vector<HistoryEntry>&)>& change) {
    if (path.empty()) return false;
    const WriterTurn turn(path);
    if (!turn.Held()) return false;
    LoadedHistory history = LoadHistory(path);
    if (!history.replaceable) return false;
    change(history.entries);
    DropUnreadableEntries(history.entries, SystemCodePage());
    const std::string folder = FolderOf(path);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    // A name of its own in the same folder (the rename must not cross
    // volumes).
    char fresh[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "his", 0, fresh) == 0) return false;
    bool moved = false;
    ScopeGuard removeFresh([&] {
        if (!moved) DeleteFileA(fresh);
    });
    if (!WriteWholeFile(fresh, FormatHistory(history.entries))) return false;
    moved = ReplaceWith(fresh, path);
    return moved;
}
