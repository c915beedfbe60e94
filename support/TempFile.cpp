#include "support/TempFile.h"

#include <windows.h>

#include <utility>

#include "base/CodePageWin32.h"
#include "support/FileHelpers.h"
#include "support/core/PathText.h"
#include "support/core/ToolError.h"

TempFile TempFile::Create() {
    TempFile file;
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return file;
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder, "qlk", 0, name) == 0) return file;
    file.name_ = name;
    return file;
}

TempFile::TempFile(TempFile&& other) noexcept
    : name_(std::exchange(other.name_, {})), kept_(std::exchange(other.kept_, false)) {}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        Delete();
        name_ = std::exchange(other.name_, {});
        kept_ = std::exchange(other.kept_, false);
    }
    return *this;
}

TempFile::~TempFile() { Delete(); }

void TempFile::Delete() {
    if (!name_.empty() && !kept_) DeleteFileA(name_.c_str());
    name_.clear();
}

void TempFile::ChangeExtension(const std::string& extension) {
    const std::string renamed = ChangeFileExt(name_, extension, SystemCodePage());
    if (MoveFileA(name_.c_str(), renamed.c_str())) name_ = renamed;
}

std::string TempFile::Keep() {
    kept_ = true;
    // (A program may have deleted its file: a message must not name it.)
    if (GetFileAttributesA(name_.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    return name_;
}

std::string KeepInNewTempFile(const std::string& bytes) {
    TempFile file = TempFile::Create();
    if (file.Empty()) return {};
    try {
        SaveTextToFile(bytes, file.Name());
    } catch (const ToolError&) {
        return {};
    }
    return file.Keep();
}
