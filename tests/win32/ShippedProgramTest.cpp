// The shipped programs as files: the 32-bit build's, whichever build runs
// these tests (the x86-64 test build reads those of the 32-bit build beside
// it). Read from the file's own headers, never by loading it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/robot/Robot.h"

namespace {

// A PE32 image read from its file bytes; every read is bounds-checked, a
// malformed file fails the test instead of reading past the bytes.
class PeFile {
public:
    explicit PeFile(const std::string& bytes) : bytes_(bytes.begin(), bytes.end()) {
        const auto dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
        nt_ = At<IMAGE_NT_HEADERS32>(static_cast<std::size_t>(dos->e_lfanew));
        if (!nt_ || nt_->Signature != IMAGE_NT_SIGNATURE) {
            nt_.reset();
            return;
        }
        const std::size_t first = static_cast<std::size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                  nt_->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
            if (const auto section = At<IMAGE_SECTION_HEADER>(first + i * sizeof(IMAGE_SECTION_HEADER))) {
                sections_.push_back(*section);
            }
        }
    }

    const std::optional<IMAGE_NT_HEADERS32>& Headers() const { return nt_; }
    bool IsPe32() const { return nt_ && nt_->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC; }

    // Names of the DLLs in the import directory, as written.
    std::vector<std::string> ImportedDlls() const {
        std::vector<std::string> names;
        auto offset = DirectoryOffset(IMAGE_DIRECTORY_ENTRY_IMPORT);
        for (; offset; *offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto entry = At<IMAGE_IMPORT_DESCRIPTOR>(*offset);
            if (!entry || entry->Name == 0) break;
            names.push_back(StringAt(entry->Name));
        }
        return names;
    }

    // The bytes of the resource of the given type and id (first language).
    std::optional<std::string> Resource(WORD type, WORD id) const {
        const auto root = DirectoryOffset(IMAGE_DIRECTORY_ENTRY_RESOURCE);
        if (!root) return std::nullopt;
        std::optional<std::size_t> level = *root;
        for (const std::optional<WORD> wanted : {std::optional<WORD>(type), std::optional<WORD>(id), std::optional<WORD>()}) {
            level = ResourceEntry(*root, *level, wanted);
            if (!level) return std::nullopt;
        }
        const auto data = At<IMAGE_RESOURCE_DATA_ENTRY>(*level);
        const auto start = data ? FileOffset(data->OffsetToData) : std::nullopt;
        if (!start || *start + data->Size > bytes_.size()) return std::nullopt;
        return std::string(bytes_.data() + *start, data->Size);
    }

private:
    // A copy of the record at the offset (the file's records need not be
    // aligned), or none where it would run past the bytes.
    template <class T>
    std::optional<T> At(std::size_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return std::nullopt;
        T record;
        std::memcpy(&record, bytes_.data() + offset, sizeof record);
        return record;
    }

    std::optional<std::size_t> FileOffset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& s : sections_) {
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < std::max(s.SizeOfRawData, s.Misc.VirtualSize)) {
                return static_cast<std::size_t>(s.PointerToRawData) + (rva - s.VirtualAddress);
            }
        }
        return std::nullopt;
    }

    std::optional<std::size_t> DirectoryOffset(int index) const {
        if (!nt_ || nt_->OptionalHeader.NumberOfRvaAndSizes <= static_cast<DWORD>(index)) return std::nullopt;
        const IMAGE_DATA_DIRECTORY& dir = nt_->OptionalHeader.DataDirectory[index];
        if (dir.VirtualAddress == 0) return std::nullopt;
        return FileOffset(dir.VirtualAddress);
    }

    std::string StringAt(DWORD rva) const {
        const auto offset = FileOffset(rva);
        if (!offset || *offset >= bytes_.size()) return {};
        return std::string(bytes_.data() + *offset, strnlen(bytes_.data() + *offset, bytes_.size() - *offset));
    }

    // The entry of a resource directory with the given id (any, when none is
    // given): the offset of the directory or data entry it leads to.
    std::optional<std::size_t> ResourceEntry(std::size_t root, std::size_t directory, std::optional<WORD> id) const {
        const auto dir = At<IMAGE_RESOURCE_DIRECTORY>(directory);
        if (!dir) return std::nullopt;
        const int count = dir->NumberOfNamedEntries + dir->NumberOfIdEntries;
        for (int i = 0; i < count; ++i) {
            const auto entry = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(directory + sizeof(IMAGE_RESOURCE_DIRECTORY) +
                                                                    i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
            if (!entry) return std::nullopt;
            if (id && (entry->NameIsString || entry->Id != *id)) continue;
            return root + (entry->OffsetToData & 0x7FFFFFFFu);
        }
        return std::nullopt;
    }

    std::vector<char> bytes_;
    std::optional<IMAGE_NT_HEADERS32> nt_;
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

TEST(ShippedProgram, IsA32BitWindowsProgramThatImportsOnlySystemDlls) {
    // The DLLs every Windows installation has; a MinGW runtime DLL (libstdc++,
    // libgcc, libwinpthread) here would keep the program from starting. The
    // common dialogs, the shell and COM are system DLLs too, but imported
    // they would cost every start of the tool (about 10 ms of processor time
    // and 6 MiB under Wine): the tool loads them when the Save job needs them.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll"};
    struct Case { const char* name; bool manifest; };
    for (const Case c : {Case{"pelmarind.exe", true}, Case{"textconv.exe", false}}) {
        SCOPED_TRACE(c.name);
        const std::string path = std::string(PELMARIND_SHIPPED_BIN_DIR) + c.name;
        ASSERT_TRUE(FileExists(path)) << path;
        const std::string bytes = ReadFileBytes(path);
        // The tool's phase log is built for the benchmarks only: a shipped
        // program writes no file that an environment variable names.
        EXPECT_EQ(bytes.find("PELMARIND_PHASE_LOG"), std::string::npos);
        const PeFile file(bytes);
        ASSERT_TRUE(file.Headers().has_value());
        EXPECT_EQ(file.Headers()->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
        EXPECT_TRUE(file.IsPe32());
        EXPECT_EQ(file.Headers()->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
        const std::vector<std::string> dlls = file.ImportedDlls();
        EXPECT_FALSE(dlls.empty());
        for (const std::string& dll : dlls) EXPECT_TRUE(system.count(Lower(dll))) << dll;

        const auto manifest = file.Resource(24, 1);  // RT_MANIFEST, id 1
        ASSERT_EQ(manifest.has_value(), c.manifest);
        if (!manifest) continue;
        for (const char* part : {"processorArchitecture=\"x86\"", "name=\"Microsoft.Windows.Common-Controls\"",
                                 "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\""}) {
            EXPECT_NE(manifest->find(part), std::string::npos) << part;
        }
    }
}

TEST(ShippedProgram, CarriesItsVersionInJapanese) {
    struct Case { std::string name, description; };
    for (const Case& c : {Case{"pelmarind", "Zorvaneのテキストを外部プログラムで変換・ファイルに保存するツール"},
                          Case{"textconv", "Pelmarind 用 変換プログラムの例"}}) {
        const std::string& name = c.name;
        SCOPED_TRACE(name);
        const std::string path = std::string(PELMARIND_SHIPPED_BIN_DIR) + name + ".exe";
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
        const auto value = [&](const std::string& key) -> std::string {
            void* text = nullptr;
            UINT length = 0;
            if (!VerQueryValueA(info.data(), ("\\StringFileInfo\\041103a4\\" + key).c_str(), &text, &length)) return "(none)";
            return std::string(static_cast<const char*>(text), strnlen(static_cast<const char*>(text), length));
        };
        EXPECT_EQ(value("FileVersion"), PELMARIND_VERSION);
        EXPECT_EQ(value("ProductVersion"), PELMARIND_VERSION);
        EXPECT_EQ(value("ProductName"), "Pelmarind");
        EXPECT_EQ(value("OriginalFilename"), name + ".exe");
        EXPECT_EQ(value("FileDescription"), c.description);

        void* translation = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &translation, &length));
        ASSERT_EQ(length, 4u);
        const WORD* pair = static_cast<const WORD*>(translation);
        EXPECT_EQ(pair[0], 0x0411);  // Japanese
        EXPECT_EQ(pair[1], 932);

        void* fixed = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &fixed, &length));
        const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(fixed);
        const std::string dotted = std::to_string(HIWORD(numbers->dwFileVersionMS)) + "." +
                                   std::to_string(LOWORD(numbers->dwFileVersionMS)) + "." +
                                   std::to_string(HIWORD(numbers->dwFileVersionLS));
        EXPECT_EQ(dotted, PELMARIND_VERSION);
    }
}
