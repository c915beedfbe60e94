#include "tests/robot/Probe.h"

#include "tests/robot/HexText.h"

std::string ProbePath() { return BinPath("probe_child.exe"); }

std::string ProbeCommandLine(const StandinHost::Record& probeRecord) {
    std::string line;
    const auto found = probeRecord.find("cmdline");
    if (found == probeRecord.end() || !HexBytes(found->second, line)) return "(no command line recorded)";
    return line;
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
