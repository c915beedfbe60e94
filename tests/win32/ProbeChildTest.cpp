// The probe child does to its file what end-to-end tests of the tool rely on.
#include <gtest/gtest.h>

#include "support/Launcher.h"
#include "tests/robot/HexText.h"
#include "tests/robot/Probe.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

ULONGLONG LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// The error of opening the file for reading with full sharing: 0 when it
// opens, 32 while another process holds it with no sharing.
DWORD OpenError(const std::string& path) {
    const FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    const DWORD error = GetLastError();
    return file ? 0 : error;
}

// The probe started the way the tool starts a program: instructions as
// passed-on arguments, a second blank, then the file.
std::string ProbeLine(const std::string& record, const std::string& instructions, const std::string& file) {
    return Quoted(ProbePath()) + " " + Quoted("--record=" + record) + " " + instructions + "  " + file;
}

}  // namespace

TEST(ProbeChild, RewritesCopiesAndDeletesTheFile) {
    TempDir dir;
    const std::string file = dir.File("qlk1.tmp"), record = dir.File("probe.log");
    WriteFileBytes(dir.File("source.bin"), "from\x82\xA0");
    struct Case {
        std::string instructions, after;
        bool exists;
    };
    const Case cases[] = {
        {"", "before", true},
        {Quoted("--write-hex=" + HexText("new\r\n\x83\x65")), "new\r\n\x83\x65", true},
        {"\"--write-hex=\"", "", true},
        {Quoted("--write-from=" + dir.File("source.bin")), "from\x82\xA0", true},
        {Quoted("--save-input=" + dir.File("input.bin")) + " \"--delete\"", "", false},
    };
    for (const Case& c : cases) {
        WriteFileBytes(file, "before");
        DeleteFileA(record.c_str());
        ASSERT_TRUE(RunAndWait(ProbeLine(record, c.instructions, file), "", false)) << c.instructions;
        EXPECT_EQ(FileExists(file), c.exists) << c.instructions;
        if (c.exists) {
            EXPECT_EQ(ReadFileBytes(file), c.after) << c.instructions;
        }
        const auto started = ReadLogRecords(record, "probe");
        ASSERT_EQ(started.size(), 1u) << c.instructions;
        EXPECT_EQ(started[0].at("size"), "6");
        EXPECT_EQ(started[0].at("file"), file);
        EXPECT_TRUE(ReadLogRecords(record, "error").empty()) << c.instructions;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("input.bin")), "before");
}

TEST(ProbeChild, SetsTheTimeBackAfterRewriting) {
    TempDir dir;
    const std::string file = dir.File("qlk2.tmp"), record = dir.File("probe.log");
    WriteFileBytes(file, "x");
    const ULONGLONG before = LastWriteTime(file);
    ASSERT_TRUE(RunAndWait(ProbeLine(record, "\"--write-hex=79\" \"--set-back=3600\"", file), "", false));
    EXPECT_EQ(ReadFileBytes(file), "y");
    const ULONGLONG after = LastWriteTime(file);
    // An hour back from the rewrite, which came after `before`.
    EXPECT_LT(after, before);
    EXPECT_GT(after + 3600ULL * 10000000ULL, before);
}

TEST(ProbeChild, HoldsTheFileWhileItRunsOrThroughAGrandchild) {
    TempDir dir;
    const std::string file = dir.File("qlk3.tmp"), record = dir.File("probe.log");
    WriteFileBytes(file, "x");
    {
        ChildProcess probe(ProbeLine(record, "\"--hold\" \"--sleep=2000\"", file));
        ASSERT_FALSE(WaitForRecords(record, "holding", 10000).empty());
        EXPECT_EQ(OpenError(file), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        ASSERT_TRUE(probe.Wait(10000).has_value());
        EXPECT_EQ(OpenError(file), 0u);
    }
    DeleteFileA(record.c_str());
    ASSERT_TRUE(RunAndWait(ProbeLine(record, "\"--hold-after=1500\"", file), "", false));
    EXPECT_EQ(OpenError(file), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    ASSERT_FALSE(WaitForRecords(record, "grandchild-done", 10000).empty());
    EXPECT_EQ(OpenError(file), 0u);
}

TEST(ProbeChild, TakesInstructionsFromTheEnvironmentAndReportsUnknownOnes) {
    TempDir dir;
    const std::string file = dir.File("qlk4.tmp"), record = dir.File("probe.log");
    WriteFileBytes(file, "x");
    SetEnvironmentVariableA("PELMARIND_PROBE_RECORD", record.c_str());
    SetEnvironmentVariableA("PELMARIND_PROBE", "--write-hex=41\t--exit=3");
    ChildProcess probe(Quoted(ProbePath()) + "  " + file);
    SetEnvironmentVariableA("PELMARIND_PROBE_RECORD", nullptr);
    SetEnvironmentVariableA("PELMARIND_PROBE", nullptr);
    EXPECT_EQ(probe.Wait(10000), 3u);
    EXPECT_EQ(ReadFileBytes(file), "A");
    EXPECT_EQ(ReadLogRecords(record, "done").size(), 1u);

    ChildProcess wrong(ProbeLine(record, "\"--no-such=1\"", file));
    EXPECT_EQ(wrong.Wait(10000), 2u);
    EXPECT_EQ(ReadLogRecords(record, "error").size(), 1u);
}
