#pragma once
// The probe child (tools/probe_child): a stand-in for an external tool that
// records how it was started. See its source for its instructions and records.
#include <optional>
#include <string>
#include <vector>

#include "tests/robot/Robot.h"

std::string ProbePath();

// The command line the probe saw, from its "probe" record.
std::string ProbeCommandLine(const StandinHost::Record& probeRecord);

// The arguments the probe got, as the C runtime split them (its "args").
std::vector<std::string> ProbeArguments(const StandinHost::Record& probeRecord);

// Makes a copy of the probe named cmd.exe in `dir`: a bare "cmd" started with
// `dir` as the current folder then runs the probe, which records what an
// interpreter would have been given. Its full path.
std::string InstallProbeAsInterpreter(const TempDir& dir);

// Waits up to timeoutMs for the log at `path` to hold a record of `tag`; all
// of that tag then (empty at the time-out).
std::vector<StandinHost::Record> WaitForRecords(const std::string& path, const std::string& tag, DWORD timeoutMs);

// The probe registered as the handler of https addresses in the test prefix,
// for the scope, as `command` (with "%1" for the address): the browser's
// place. The prefix's own handler comes back.
class ScopedHttpsHandler {
public:
    explicit ScopedHttpsHandler(const std::string& command);
    ~ScopedHttpsHandler();
    ScopedHttpsHandler(const ScopedHttpsHandler&) = delete;
    ScopedHttpsHandler& operator=(const ScopedHttpsHandler&) = delete;

private:
    std::optional<std::string> old_;
};
