#pragma once
#include <string>

// A temporary file of the tool's: made in the temporary-files folder, named
// by the system from the prefix "qlk", and deleted when its owner goes unless
// it was kept (it holds a result that could not be put back, which is then
// all that is left of it).
class TempFile {
public:
    TempFile() = default;
    // Makes a new empty file; Empty() when it could not be made.
    static TempFile Create();
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    bool Empty() const { return name_.empty(); }
    const std::string& Name() const { return name_; }
    // Gives the file the extension `extension` (with its dot); when the
    // rename fails, the old name stays in use.
    void ChangeExtension(const std::string& extension);
    // The file stays when its owner goes; its name, or empty when there is no
    // file any more (nothing was kept).
    std::string Keep();

private:
    void Delete();
    std::string name_;
    bool kept_ = false;
};

// Keeps bytes that the editor did not take in a new temporary file; its name,
// or empty when none could be written.
std::string KeepInNewTempFile(const std::string& bytes);
