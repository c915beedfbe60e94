#include "support/FileHelpers.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "base/core/ScopeGuard.h"
#include "host/core/TextSize.h"
#include "support/core/DateTime.h"
#include "support/core/PathText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

namespace {

// Writes every byte of the text at the file's position; false when the
// platform wrote fewer (a full disk, a pipe whose reader went away).
bool WriteWholeText(HANDLE file, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// A new, empty file of a name no other file has, in the folder of
// `fileName` (a name without a folder: the current one), so that putting it
// in place is a rename within one volume. Empty when none can be made there.
std::string NewFileBeside(const std::string& fileName) {
    char full[MAX_PATH];
    char* namePart = nullptr;
    const DWORD length = GetFullPathNameA(fileName.c_str(), MAX_PATH, full, &namePart);
    if (length == 0 || length >= MAX_PATH || namePart == nullptr) return {};
    const std::string folder(full, namePart);
    char fresh[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "pel", 0, fresh) == 0) return {};
    return fresh;
}

// Puts the written file in the place of the existing one. With a backup
// name, a failed replace leaves the old file under one name or the other
// (without one, the platform may have deleted it by then): put back under its
// own. False, the old file where it was, when it could not be replaced.
bool ReplaceExisting(const std::string& fileName, const std::string& fresh) {
    const std::string backup = NewFileBeside(fileName);
    if (backup.empty()) return false;
    // The platforms differ on a backup name that exists: it must not.
    DeleteFileA(backup.c_str());
    if (ReplaceFileA(fileName.c_str(), fresh.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
        DeleteFileA(backup.c_str());
        return true;
    }
    if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExA(backup.c_str(), fileName.c_str(), 0);
    return false;
}

}  // namespace

void SaveTextToFile(const std::string& text, const std::string& fileName) {
    FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ToolError(FormatMessageText(kCannotCreateFile, fileName));
    if (!WriteWholeText(file.Get(), text)) throw ToolError(kStreamWriteError);
}

void ReplaceFileWithText(const std::string& text, const std::string& fileName) {
    const DWORD oldAttributes = GetFileAttributesA(fileName.c_str());
    const bool oldExists = oldAttributes != INVALID_FILE_ATTRIBUTES;
    const std::string cannotCreate = FormatMessageText(kCannotCreateFile, fileName);
    const auto fail = [&](const std::string& message, const char* why) {
        throw ToolError(message + "\r\n\r\n" + why +
                        FormatMessageText(oldExists ? kFileNotChanged : kFileNotCreated, fileName));
    };
    // What the old in-place write refused (a read-only file, a folder) is
    // not replaced either.
    if (oldExists && (oldAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) fail(cannotCreate, "");
    const std::string fresh = NewFileBeside(fileName);
    if (fresh.empty()) fail(cannotCreate, kNoNewFileInFolder);
    bool placed = false;
    const ScopeGuard removeFresh([&] {
        if (!placed) DeleteFileA(fresh.c_str());
    });
    {
        const FileHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) fail(cannotCreate, kNoNewFileInFolder);
        // Every byte on the disk before the old file goes.
        if (!WriteWholeText(file.Get(), text) || !FlushFileBuffers(file.Get())) fail(kStreamWriteError, "");
    }
    placed = oldExists ? ReplaceExisting(fileName, fresh)
                       : MoveFileExA(fresh.c_str(), fileName.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    if (!placed) fail(cannotCreate, "");
}

bool LoadTextFromFile(const std::string& fileName, std::string& text) {
    // Emptied on every failure: the file's bytes or nothing.
    ScopeGuard emptyOnFailure([&] { text.clear(); });
    FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ToolError(FormatMessageText(kCannotOpenFile, fileName));
    // A file that could be opened but not sized or read is as unreadable as
    // one that could not be opened: an empty text in its place would be put
    // into the editor instead of the user's text.
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) throw ToolError(FormatMessageText(kCannotOpenFile, fileName));
    if (!TextSizeFits(size.QuadPart, kMaxTextBytes)) return false;
    // The read overwrites the text's bytes in place: a text of the same size
    // is neither moved nor cleared first. One that must grow is given new
    // storage without its old bytes being carried over.
    const auto length = static_cast<std::size_t>(size.QuadPart);
    try {
        if (length > text.capacity()) std::string().swap(text);
        text.resize(length);
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD read = 0;
    if (length != 0 && !ReadFile(file.Get(), text.data(), static_cast<DWORD>(length), &read, nullptr)) {
        throw ToolError(FormatMessageText(kCannotOpenFile, fileName));
    }
    // Only the bytes that the read delivered: a file that shrank since it was
    // sized must not bring zero bytes into the editor.
    text.resize(read);
    emptyOnFailure.Dismiss();
    return true;
}

bool FileHoldsExactly(const std::string& fileName, std::string_view bytes) {
    FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return true;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return true;
    if (static_cast<unsigned long long>(size.QuadPart) != bytes.size()) return false;
    constexpr DWORD kPiece = 1u << 16;
    std::unique_ptr<char[]> piece(new char[kPiece]);
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD read = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kPiece));
        if (!ReadFile(file.Get(), piece.get(), want, &read, nullptr)) return true;
        if (read == 0) return false;  // shorter than it was sized
        if (std::memcmp(piece.get(), bytes.data() + done, read) != 0) return false;
        done += read;
    }
    return true;
}

double GetFileModifiedTime(const std::string& fileName) {
    // Only the attributes are asked for, with every kind of sharing: a virus
    // scanner that holds a new file for a moment does not keep its time from
    // the tool. Whatever else keeps it is waited out, for about a second; a
    // file that is not there is not waited for.
    constexpr int kAttempts = 20;
    constexpr DWORD kPauseMs = 50;
    for (int attempt = 1;; ++attempt) {
        FileHandle file(CreateFileA(fileName.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = GetLastError();
        if (file) {
            FILETIME written{}, local{};
            SYSTEMTIME fields{};
            if (!GetFileTime(file.Get(), nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
                !FileTimeToSystemTime(&local, &fields)) {
                return 0;
            }
            return DateTimeFromFields(fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute,
                                      fields.wSecond, fields.wMilliseconds);
        }
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || attempt == kAttempts) return 0;
        Sleep(kPauseMs);
    }
}

std::string GetShortPath(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (length == 0) return path;
    if (length < MAX_PATH) return std::string(buffer, length);
    // Too long for the first buffer: the platform told the size it needs.
    std::string longer(length, '\0');
    const DWORD again = GetShortPathNameA(path.c_str(), longer.data(), length);
    if (again == 0 || again >= length) return path;
    longer.resize(again);
    return longer;
}

bool NamesExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string UsableProgramPath(const std::string& value) {
    return UsableProgramPath(value, GetShortPath(value), NamesExistingFile(value), SystemCodePage());
}

std::string HandedOnFileName(const std::string& fileName) {
    return HandedOnFileName(fileName, GetShortPath, SystemCodePage());
}
