#include "support/ProcessTree.h"

#include <tlhelp32.h>

#include <vector>

#include "base/Handles.h"
#include "support/core/ProcessTree.h"

namespace {

std::uint64_t CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The system's process list with each process's creation time (those that
// cannot be opened to ask are left out: they could not be ended either).
std::vector<ProcessEntry> ProcessList() {
    std::vector<ProcessEntry> processes;
    const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
        const KernelHandle opened(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!opened) continue;
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, CreationTime(opened.Get())});
    }
    return processes;
}

}  // namespace

void EndProcessTree(HANDLE process, UINT exitCode) {
    const std::vector<ProcessEntry> processes = ProcessList();
    const std::vector<std::uint32_t> descendants = DescendantsOf(GetProcessId(process), processes);
    TerminateProcess(process, exitCode);
    for (const std::uint32_t id : descendants) {
        const KernelHandle opened(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (!opened) continue;
        // The same process as in the list, not one that took its id since.
        const std::uint64_t created = CreationTime(opened.Get());
        for (const ProcessEntry& entry : processes) {
            if (entry.id == id && entry.created == created) TerminateProcess(opened.Get(), exitCode);
        }
    }
}
