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

void SaveTextToFile(const std::string& text, const std::string& fileName) {
    FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ToolError(FormatMessageText(kCannotCreateFile, fileName));
    std::size_t done = 0;
    while (done < text.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.Get(), text.data() + done, chunk, &written, nullptr) || written == 0) {
            throw ToolError(kStreamWriteError);
        }
        done += written;
    }
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

std::string UsableProgramPath(const std::string& value) {
    const DWORD attributes = GetFileAttributesA(value.c_str());
    const bool file = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return UsableProgramPath(value, GetShortPath(value), file, SystemCodePage());
}

std::string HandedOnFileName(const std::string& fileName) {
    return HandedOnFileName(fileName, GetShortPath, SystemCodePage());
}
