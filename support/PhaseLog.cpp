#include "support/PhaseLog.h"

#include <windows.h>

#include <cstdio>

#include "base/Handles.h"

namespace {

constexpr int kMaxPhases = 16;

struct Phase {
    const char* name;
    LONGLONG end;  // performance counter
};

struct PhaseLog {
    bool on = false;
    char path[MAX_PATH] = {};
    LONGLONG frequency = 1;
    LONGLONG start = 0;  // the process's creation, on the performance counter
    Phase phases[kMaxPhases] = {};
    int count = 0;
};

PhaseLog gPhaseLog;

LONGLONG Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LONGLONG FileTimeUnits(const FILETIME& t) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

}  // namespace

void StartPhaseLog() {
    const DWORD length = GetEnvironmentVariableA("PELMARIND_PHASE_LOG", gPhaseLog.path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    gPhaseLog.frequency = frequency.QuadPart;
    // The counter has no reading for the creation of the process: the time
    // since then on the system clock is taken off the counter's reading now.
    const LONGLONG now = Counter();
    FILETIME created, exited, kernel, user, system;
    GetSystemTimeAsFileTime(&system);
    gPhaseLog.start = now;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        const LONGLONG sinceCreation = FileTimeUnits(system) - FileTimeUnits(created);  // 100 ns units
        if (sinceCreation > 0) gPhaseLog.start = now - sinceCreation * gPhaseLog.frequency / 10000000;
    }
    gPhaseLog.on = true;
}

void EndPhase(const char* name) {
    if (!gPhaseLog.on || gPhaseLog.count == kMaxPhases) return;
    gPhaseLog.phases[gPhaseLog.count++] = {name, Counter()};
}

void WritePhaseLog() {
    if (!gPhaseLog.on) return;
    FileHandle file(CreateFileA(gPhaseLog.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    LONGLONG previous = gPhaseLog.start;
    for (int i = 0; i < gPhaseLog.count; ++i) {
        const Phase& phase = gPhaseLog.phases[i];
        char line[96];
        const int length = std::snprintf(line, sizeof line, "%s\t%lld\n", phase.name,
                                         (phase.end - previous) * 1000000 / gPhaseLog.frequency);
        previous = phase.end;
        DWORD written = 0;
        if (length > 0) WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr);
    }
}
