// The file helpers on real files.
#include <gtest/gtest.h>

#include <thread>

#include "base/core/ScopeGuard.h"
#include "support/FileHelpers.h"
#include "support/core/DateTime.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "tests/robot/Robot.h"

namespace {

std::string ErrorOf(void (*action)(const std::string&), const std::string& path) {
    try {
        action(path);
    } catch (const ToolError& error) {
        return error.what();
    }
    return "(no error)";
}

std::string Loaded(const std::string& path) {
    std::string text;
    EXPECT_TRUE(LoadTextFromFile(path, text));
    return text;
}

}  // namespace

TEST(FileHelpers, TextsComeBackByteForByte) {
    TempDir dir;
    const std::string file = dir.File("t.txt");
    const std::string texts[] = {
        "",
        std::string("a\0b\r\n\0", 6),
        "\x82\xA0\x95\x5C\r\n\x1A\xFF",
        std::string(1 << 20, 'x'),
    };
    // Read in place too, over whatever the string held before (longer,
    // shorter, or beyond its storage).
    std::string inPlace = "previous";
    for (const std::string& text : texts) {
        SaveTextToFile(text, file);
        EXPECT_EQ(ReadFileBytes(file), text);
        EXPECT_EQ(Loaded(file), text);
        EXPECT_TRUE(LoadTextFromFile(file, inPlace));
        EXPECT_EQ(inPlace, text);
        // The same bytes, one more, or the last one other (past the first piece read).
        EXPECT_TRUE(FileHoldsExactly(file, text));
        EXPECT_FALSE(FileHoldsExactly(file, text + "x"));
        if (!text.empty()) {
            std::string other = text;
            other.back() ^= 1;
            EXPECT_FALSE(FileHoldsExactly(file, other));
        }
    }
    // A shorter text replaces a longer file entirely.
    SaveTextToFile("ab", file);
    EXPECT_EQ(Loaded(file), "ab");
    EXPECT_TRUE(LoadTextFromFile(file, inPlace));
    EXPECT_EQ(inPlace, "ab");
}

TEST(FileHelpers, FailuresCarryTheUsersMessage) {
    TempDir dir;
    const std::string missing = dir.File("no such folder\\a.txt");
    EXPECT_EQ(ErrorOf([](const std::string& p) { SaveTextToFile("x", p); }, missing),
              FormatMessageText(kCannotCreateFile, missing));
    EXPECT_EQ(ErrorOf([](const std::string& p) { Loaded(p); }, missing),
              FormatMessageText(kCannotOpenFile, missing));
    std::string inPlace = "old text";
    EXPECT_THROW((void)LoadTextFromFile(missing, inPlace), ToolError);
    EXPECT_EQ(inPlace, "");
    EXPECT_EQ(FormatMessageText(kCannotOpenFile, "C:\\a.txt"), "\xCC\xA7\xB2\xD9 C:\\a.txt \x82\xCD\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1");

    // A file held open for writing by someone else can be neither created nor read.
    const std::string held = dir.File("held.txt");
    WriteFileBytes(held, "abc");
    FileHandle other(CreateFileA(held.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other);
    EXPECT_EQ(ErrorOf([](const std::string& p) { Loaded(p); }, held), FormatMessageText(kCannotOpenFile, held));
    EXPECT_EQ(ErrorOf([](const std::string& p) { SaveTextToFile("x", p); }, held), FormatMessageText(kCannotCreateFile, held));
}

// A file the user chose is replaced whole or not at all: on every failure the
// old bytes stay, nothing is left beside them, and the message says so.
TEST(FileHelpers, ReplacingAFileLeavesItAsItWasOnEveryFailure) {
    enum Old { kNone, kPlain, kReadOnly, kHeld };
    struct Case {
        const char* why;
        std::string name;  // in the test's folder, which is also the current one
        Old old;
        std::string error;  // empty: replaced; "%s" stands for the name as given
    };
    const std::string notChanged = "\r\n\r\n" + std::string(kFileNotChanged);
    const Case cases[] = {
        {"an existing file", "a.txt", kPlain, ""},
        {"no file yet", "a.txt", kNone, ""},
        {"a name without a folder", "", kPlain, ""},
        {"a read-only file", "a.txt", kReadOnly, kCannotCreateFile + notChanged},
        {"a file held open without sharing", "a.txt", kHeld, kCannotCreateFile + notChanged},
        {"a folder that is not there", "missing\\a.txt", kNone,
         std::string(kCannotCreateFile) + "\r\n\r\n" + kNoNewFileInFolder + kFileNotCreated},
    };
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    const ScopeGuard restore([&] { SetCurrentDirectoryA(previous); });
    for (const Case& c : cases) {
        TempDir dir;
        ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str())) << c.why;
        const std::string name = c.name.empty() ? "rel.txt" : dir.File(c.name);
        const std::string path = c.name.empty() ? dir.File("rel.txt") : name;
        if (c.old != kNone) WriteFileBytes(path, "old bytes");
        if (c.old == kReadOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        FileHandle held(c.old == kHeld ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                       : INVALID_HANDLE_VALUE);
        std::string error = "(no error)";
        try {
            ReplaceFileWithText(std::string(70000, 'n'), name);
        } catch (const ToolError& e) {
            error = e.what();
        }
        held.Reset();
        const std::string expected = c.error.empty() ? "(no error)" : FormatMessageTexts(c.error.c_str(), {name, name});
        EXPECT_EQ(error, expected) << c.why;
        if (c.error.empty()) {
            EXPECT_EQ(ReadFileBytes(path), std::string(70000, 'n')) << c.why;
        } else if (c.old != kNone) {
            EXPECT_EQ(ReadFileBytes(path), "old bytes") << c.why;
        }
        const std::vector<std::string> left = FilesIn(dir.Path());
        EXPECT_EQ(left.size(), c.error.empty() || c.old != kNone ? 1u : 0u) << c.why << ": " << (left.empty() ? "" : left.back());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        SetCurrentDirectoryA(previous);
    }
}

// What opens but cannot be sized (here a pipe) is an error, not an empty
// text that would replace the editor's.
TEST(FileHelpers, WhatOpensButCannotBeSizedIsAnError) {
    const std::string pipe = "\\\\.\\pipe\\pelmarind-test-" + std::to_string(GetCurrentProcessId());
    KernelHandle server(CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr));
    ASSERT_NE(server.Get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf([](const std::string& p) { Loaded(p); }, pipe), FormatMessageText(kCannotOpenFile, pipe));
}

// A write that stops short (here the reader of a pipe goes away while the
// text is still being written) carries the stream's message.
TEST(FileHelpers, AWriteThatStopsShortIsAnError) {
    const std::string pipe = "\\\\.\\pipe\\pelmarind-write-" + std::to_string(GetCurrentProcessId());
    KernelHandle server(CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16, 0, nullptr));
    ASSERT_NE(server.Get(), INVALID_HANDLE_VALUE);
    std::thread reader([&] {
        ConnectNamedPipe(server.Get(), nullptr);
        char bytes[8];
        DWORD n = 0;
        ReadFile(server.Get(), bytes, sizeof bytes, &n, nullptr);
        Sleep(100);
        server.Reset();
    });
    const std::string error = ErrorOf([](const std::string& p) { SaveTextToFile(std::string(1 << 20, 'x'), p); }, pipe);
    reader.join();
    EXPECT_EQ(error, kStreamWriteError);
    EXPECT_EQ(error, "\xBD\xC4\xD8\xB0\xD1\x82\xD6\x82\xCC\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\xB4\xD7\xB0");
}

TEST(FileHelpers, ModifiedTimeInLocalTimeToTheMillisecond) {
    TempDir dir;
    const std::string file = dir.File("t.txt");
    WriteFileBytes(file, "abc");
    // 2024-01-02 03:04:05.678 9 (a tenth of a millisecond more) in UTC; the
    // tests run with TZ=UTC, so local time is the same.
    SYSTEMTIME fields{2024, 1, 2, 2, 3, 4, 5, 678};
    FILETIME time{};
    ASSERT_TRUE(SystemTimeToFileTime(&fields, &time));
    ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
    ticks.QuadPart += 9000;  // 0.9 ms, dropped
    time = {ticks.LowPart, ticks.HighPart};
    {
        FileHandle handle(CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(handle.Get(), nullptr, nullptr, &time));
    }
    EXPECT_DOUBLE_EQ(GetFileModifiedTime(file), DateTimeFromFields(2024, 1, 2, 3, 4, 5, 678));

    EXPECT_EQ(GetFileModifiedTime(dir.File("missing.txt")), 0.0);
}

// A virus scanner holds a new file for a moment, without sharing: the time
// query still gets the time.
TEST(FileHelpers, ModifiedTimeOfAFileThatSomeoneHolds) {
    TempDir dir;
    const std::string file = dir.File("t.txt");
    WriteFileBytes(file, "abc");
    const double expected = GetFileModifiedTime(file);
    ASSERT_NE(expected, 0.0);
    const FileHandle scanner(CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(scanner);
    EXPECT_EQ(GetFileModifiedTime(file), expected);
}

TEST(FileHelpers, ShortPath) {
    TempDir dir;
    // A folder of a known short name: its path is its own short form.
    const std::string folder = "C:\\pmshort";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::string longName = folder + "\\a long file name.text";
    WriteFileBytes(longName, "x");
    ScopeGuard remove([&] {
        DeleteFileA(longName.c_str());
        RemoveDirectoryA(folder.c_str());
    });
    // The platform's form of a short name (Wine's: four characters, "~",
    // three characters of a hash of the name, and the extension cut to three).
    EXPECT_EQ(GetShortPath(longName), "C:\\pmshort\\A_LO~RBX.TEX");
    // No path at all, or nothing by that name: the text unchanged.
    EXPECT_EQ(GetShortPath("cmd /c sort"), "cmd /c sort");
    EXPECT_EQ(GetShortPath(dir.File("missing.exe")), dir.File("missing.exe"));
    EXPECT_EQ(GetShortPath(""), "");
    // The program's usable form: the short form of an existing file, a
    // command line as it is.
    EXPECT_EQ(UsableProgramPath(longName), "C:\\pmshort\\A_LO~RBX.TEX");
    EXPECT_EQ(UsableProgramPath("cmd /c sort"), "cmd /c sort");
}
