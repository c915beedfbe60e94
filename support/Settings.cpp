#include "support/Settings.h"

#include <windows.h>
#include <shlobj.h>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"

TAppIni AppIni;

namespace {

constexpr DWORD kIniBufferSize = 1024;
constexpr DWORD kEnvBufferSize = 256;

class SystemEnvironmentImpl final : public Environment {
public:
    bool IsExistingDir(const std::string& path) const override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    // A value that does not fit the 256-byte buffer is read again whole, with
    // the size that the platform asked for.
    std::string Variable(const std::string& name) const override {
        std::string buffer(kEnvBufferSize, '\0');
        for (;;) {
            const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return {};
            if (length < buffer.size()) {
                buffer.resize(length);
                return buffer.substr(0, buffer.find('\0'));
            }
            buffer.assign(length, '\0');  // too small: length is the size needed, NUL included
        }
    }
};

}  // namespace

const Environment& SystemEnvironment() {
    static const SystemEnvironmentImpl environment;
    return environment;
}

std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& defaultValue) {
    // No path means no settings file: every key has its default. (The
    // platform would look for a file of no name in the Windows folder.)
    if (file.empty()) return defaultValue.substr(0, kIniBufferSize - 1);
    char buffer[kIniBufferSize] = {};
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                                  kIniBufferSize, file.c_str());
    return std::string(buffer, std::min<DWORD>(length, kIniBufferSize - 1));
}

std::int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                            std::int32_t defaultValue) {
    return ConvertIniInteger(ReadIniString(file, section, key, ""), defaultValue);
}

bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key, bool defaultValue) {
    return ReadIniInteger(file, section, key, defaultValue ? 1 : 0) != 0;
}

std::string GetDocumentsDir() {
    const SystemLibrary shell("shell32.dll"), com("ole32.dll");
    const auto getLocation = shell.Get<decltype(&SHGetSpecialFolderLocation)>("SHGetSpecialFolderLocation");
    const auto getPath = shell.Get<decltype(&SHGetPathFromIDListA)>("SHGetPathFromIDListA");
    const auto freeMemory = com.Get<decltype(&CoTaskMemFree)>("CoTaskMemFree");
    if (getLocation == nullptr || getPath == nullptr || freeMemory == nullptr) return {};
    LPITEMIDLIST location = nullptr;
    if (FAILED(getLocation(nullptr, CSIDL_PERSONAL, &location)) || location == nullptr) return {};
    ScopeGuard freeLocation([&] { freeMemory(location); });
    char path[MAX_PATH] = {};
    if (!getPath(location, path)) return {};
    return std::string(path, strnlen(path, MAX_PATH));
}

bool IsExistingDir(const std::string& path) { return SystemEnvironment().IsExistingDir(path); }

std::string LookupEnvToken(const std::string& token) { return LookupEnvToken(token, SystemEnvironment()); }

std::string ExpandDefDir(const std::string& dir) { return ExpandDefDir(dir, SystemEnvironment(), SystemCodePage()); }

TAppIni ReadAppIni(const std::string& iniPath, const std::string& documentsDir) {
    // The platform's private-profile reader keeps nothing open between reads,
    // so there is no reader to close on the way out.
    TAppIni settings;
    settings.AutoFileName = ReadIniBool(iniPath, kIniSection, "AutoFileName", false);
    for (const PatternListKey& key : kPatternListKeys) {
        settings.*key.field = ReadIniString(iniPath, kIniSection, key.key, key.defaultValue);
    }
    settings.DefDir = ReadIniString(iniPath, kIniSection, "DefDir", documentsDir);
    settings.DefDirOn = !settings.DefDir.empty() && ReadIniBool(iniPath, kIniSection, "DefDirOn", false);
    return settings;
}

void LoadAppIni() { AppIni = ReadAppIni(GetHostIniFilePath(HostWindow), GetDocumentsDir()); }
