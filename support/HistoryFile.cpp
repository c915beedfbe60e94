#include "support/HistoryFile.h"

#include <windows.h>
#include <shlobj.h>

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
    // Shared every way, so that a second copy of the tool can still replace it.
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
    LoadedHistory history = LoadHistory(path);
    if (!history.replaceable) return false;
    change(history.entries);
    const std::string folder = FolderOf(path);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    // A name of its own in the same folder (the rename must not cross
    // volumes), which no second copy of the tool can be writing too.
    char fresh[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "his", 0, fresh) == 0) return false;
    bool moved = false;
    ScopeGuard removeFresh([&] {
        if (!moved) DeleteFileA(fresh);
    });
    if (!WriteWholeFile(fresh, FormatHistory(history.entries))) return false;
    moved = MoveFileExA(fresh, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    return moved;
}
