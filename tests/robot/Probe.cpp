#include "tests/robot/Probe.h"

#include <algorithm>

#include "tests/robot/HexText.h"

std::string ProbePath() { return BinPath("probe_child.exe"); }

std::string ProbeCommandLine(const StandinHost::Record& probeRecord) {
    std::string line;
    const auto found = probeRecord.find("cmdline");
    if (found == probeRecord.end() || !HexBytes(found->second, line)) return "(no command line recorded)";
    return line;
}

std::vector<std::string> ProbeArguments(const StandinHost::Record& probeRecord) {
    std::vector<std::string> arguments;
    const auto found = probeRecord.find("args");
    const std::string all = found == probeRecord.end() ? std::string() : found->second;
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = std::min(all.find(',', start), all.size());
        std::string bytes;
        HexBytes(all.substr(start, end - start), bytes);
        arguments.push_back(bytes);
        start = end + 1;
    }
    return arguments;
}

std::string InstallProbeAsInterpreter(const TempDir& dir) {
    const std::string copy = dir.File("cmd.exe");
    CopyFileA(ProbePath().c_str(), copy.c_str(), FALSE);
    return copy;
}

std::vector<StandinHost::Record> WaitForRecords(const std::string& path, const std::string& tag, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        auto records = ReadLogRecords(path, tag);
        if (!records.empty() || GetTickCount() - start >= Scaled(timeoutMs)) return records;
        Sleep(10);
    }
}

namespace {
constexpr char kHttpsCommandKey[] = "https\\shell\\open\\command";
}  // namespace

ScopedHttpsHandler::ScopedHttpsHandler(const std::string& command) {
    char old[1024] = {};
    LONG size = sizeof old;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, kHttpsCommandKey, old, &size) == ERROR_SUCCESS) old_ = old;
    RegSetValueA(HKEY_CLASSES_ROOT, kHttpsCommandKey, REG_SZ, command.c_str(), static_cast<DWORD>(command.size()));
}

ScopedHttpsHandler::~ScopedHttpsHandler() {
    if (old_) RegSetValueA(HKEY_CLASSES_ROOT, kHttpsCommandKey, REG_SZ, old_->c_str(), static_cast<DWORD>(old_->size()));
    else RegDeleteKeyA(HKEY_CLASSES_ROOT, kHttpsCommandKey);
}
