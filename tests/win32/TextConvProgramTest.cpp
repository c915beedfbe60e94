// The shipped example converter, started the way the tool starts a program:
// the passed-on switches each in quotes, then a second blank and the file.
#include <gtest/gtest.h>

#include "support/Launcher.h"
#include "tests/robot/Robot.h"

namespace {

std::string Converter() {
    // (Built by appending: "literal" + a temporary string trips a false
    // warning of this compiler.)
    std::string quoted(1, '"');
    quoted += BinPath("textconv.exe");
    quoted += '"';
    return quoted;
}

FILETIME LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

std::optional<DWORD> RunConverter(const std::string& tail) {
    ChildProcess converter(Converter() + " " + tail);
    return converter.Wait(30000);
}

}  // namespace

TEST(TextConvProgram, ConvertsTheFileInPlace) {
    TempDir dir;
    const std::string file = dir.File("qlk1F.tmp");
    struct Case {
        std::string switches, before, after;
    };
    const Case cases[] = {
        {"\"/sort\" ", "c\r\nb\r\na", "a\r\nb\r\nc"},
        {"\"/html\" \"/SORT\" ", "\x82\xA2\r\n\x82\xA0\r\n", "\x82\xA0\r\n\x82\xA2\r\n"},
        {"\"/halfwidth\" ", "\x82\x60\x82\x82\x81\x40\x82\x50\x81\x49", "Ab 1!"},
        {"\"/upper\" ", "abc\x83\x61", "ABC\x83\x61"},
        {"\"/upper\" \"/halfwidth\" \"/sort\" ", "\x82\x82\r\na\r\n", "A\r\nB\r\n"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(file, c.before);
        ASSERT_TRUE(RunAndWait(Converter(), c.switches + " " + file, false)) << c.switches;
        EXPECT_EQ(ReadFileBytes(file), c.after) << c.switches;
    }
    // Nothing left beside the file.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(dir.File("*.tmp").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindNextFileA(search, &found)) << found.cFileName;
    FindClose(search);
}

TEST(TextConvProgram, LeavesAnUnchangedTextUntouched) {
    TempDir dir;
    const std::string file = dir.File("qlk20.tmp");
    WriteFileBytes(file, "A\r\nB\r\n");
    // A time well in the past, so that any rewrite would show.
    {
        const FileHandle handle(CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const FILETIME old{0x10000000, 0x01D00000};
        ASSERT_TRUE(SetFileTime(handle.Get(), nullptr, nullptr, &old));
    }
    const FILETIME before = LastWriteTime(file);
    EXPECT_EQ(RunConverter("\"/sort\" \"/upper\"  " + file), 0u);
    const FILETIME after = LastWriteTime(file);
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_EQ(ReadFileBytes(file), "A\r\nB\r\n");
}

TEST(TextConvProgram, FileInAFolderWhoseNameHasABackslashSecondByte) {
    TempDir dir;
    // 0x95 0x5C: a kanji whose second byte has the value of a backslash.
    const std::string folder = dir.File("\x95\x5C");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string file = folder + "\\qlk3.tmp";
    WriteFileBytes(file, "b\r\na\r\n");
    EXPECT_EQ(RunConverter("\"/sort\"  " + file), 0u);
    EXPECT_EQ(ReadFileBytes(file), "a\r\nb\r\n");
}

TEST(TextConvProgram, ReportsMissingFileAndArguments) {
    TempDir dir;
    EXPECT_EQ(RunConverter(""), 1u);
    EXPECT_EQ(RunConverter("\"/sort\"  " + dir.File("missing.tmp")), 2u);
}
