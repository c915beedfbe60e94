// bench_launcher_wait [MODE [CHILD_MS [idle]]]
// Measures the tool's side of waiting for an external program: a child (the
// probe) that sleeps CHILD_MS ms (default 3000) is started and waited for
//   wait  by RunAndWait (a wait that wakes on the child's end or a message),
//   poll  by the 1 ms poll it replaces (WaitForSingleObject with 1 ms, then
//         every pending message, then again),
// once with nothing else happening (processor time of this process from
// GetProcessTimes, and its share of one core over the wait), and once while
// another thread posts a message to a window of the waiting thread every
// 20 ms (the time from posting to the window procedure: median, 99th
// percentile and maximum; "idle" leaves this out). Without MODE both modes
// run, alternately, three times each. Figures are reported, never judged.
// Under Wine the processor time comes in 10 ms ticks: a longer CHILD_MS gives
// a finer share.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/Handles.h"
#include "bench/BenchClock.h"
#include "support/Launcher.h"

namespace {

constexpr UINT kStamp = WM_APP + 7;

// Kernel and user time of this process, in 100 ns units (Wine counts in
// 10 ms ticks).
unsigned long long ProcessCpuTime() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto units = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return units(kernel) + units(user);
}

std::string ChildProgram() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(1, '"');
    program.append(path, std::strrchr(path, '\\') + 1);
    program += "probe_child.exe\"";
    return program;
}

// The wait the launcher used to do: wake every millisecond.
bool PollAndWait(const std::string& program, const std::string& arguments) {
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    std::string line = program + " " + arguments;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
        return false;
    }
    const KernelHandle process(created.hProcess), thread(created.hThread);
    WaitForInputIdle(process.Get(), INFINITE);
    while (WaitForSingleObject(process.Get(), 1) == WAIT_TIMEOUT) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

std::vector<double>* gLatencies = nullptr;

LRESULT CALLBACK StampProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStamp) {
        // The posting time, in microseconds since the program started.
        if (gLatencies != nullptr) gLatencies->push_back(Now() - static_cast<double>(lParam) / 1e6);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Result {
    bool ran = false;
    double cpuSeconds = 0, wallSeconds = 0;
    std::vector<double> latencies;
};

Result RunOnce(bool poll, bool withMessages, int childMs, HWND window) {
    const std::string arguments = "--sleep=" + std::to_string(childMs);
    Result result;
    std::vector<double> latencies;
    gLatencies = &latencies;
    std::atomic<bool> stop{false};
    std::thread poster;
    if (withMessages) {
        poster = std::thread([&] {
            while (!stop) {
                Sleep(20);
                PostMessageA(window, kStamp, 0, static_cast<LPARAM>(Now() * 1e6));
            }
        });
    }
    const unsigned long long cpu0 = ProcessCpuTime();
    const double wall0 = Now();
    result.ran = poll ? PollAndWait(ChildProgram(), arguments) : RunAndWait(ChildProgram(), arguments, false);
    result.wallSeconds = Now() - wall0;
    result.cpuSeconds = static_cast<double>(ProcessCpuTime() - cpu0) / 1e7;
    stop = true;
    if (poster.joinable()) poster.join();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    gLatencies = nullptr;
    result.latencies = std::move(latencies);
    return result;
}

// A figure of a child that never ran would be the cost of nothing at all.
[[noreturn]] void CouldNotStart() {
    std::fprintf(stderr, "could not start %s\n", ChildProgram().c_str());
    std::exit(1);
}

void ReportIdle(const char* mode, const Result& idle) {
    if (!idle.ran) CouldNotStart();
    std::printf("%-4s idle wait %6.0f ms: processor %4.0f ms = %5.2f %% of a core\n", mode, 1e3 * idle.wallSeconds,
                1e3 * idle.cpuSeconds, 100.0 * idle.cpuSeconds / idle.wallSeconds);
    std::fflush(stdout);
}

void ReportBusy(const char* mode, const Result& busy) {
    if (!busy.ran) CouldNotStart();
    std::vector<double> l = busy.latencies;
    std::sort(l.begin(), l.end());
    auto at = [&](double q) {
        return l.empty() ? 0.0 : 1e6 * l[std::min(l.size() - 1, static_cast<std::size_t>(q * l.size()))];
    };
    std::printf("%-4s posts every 20 ms: processor %4.0f ms; post to procedure: median %5.0f us, p99 %5.0f us, "
                "max %5.0f us (%zu messages)\n",
                mode, 1e3 * busy.cpuSeconds, at(0.5), at(0.99), l.empty() ? 0.0 : 1e6 * l.back(), l.size());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Now();
    const std::string only = argc > 1 ? argv[1] : "";
    const int childMs = argc > 2 ? std::atoi(argv[2]) : 3000;
    const bool idleOnly = argc > 3 && std::strcmp(argv[3], "idle") == 0;

    WNDCLASSA wc{};
    wc.lpfnWndProc = StampProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LauncherWaitBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

    // A first start warms the platform's caches for both modes.
    if (!RunAndWait(ChildProgram(), "--sleep=10", false)) CouldNotStart();
    const int rounds = only.empty() ? 3 : 1;
    for (int round = 0; round < rounds; ++round) {
        for (const bool poll : {false, true}) {
            if (!only.empty() && only != (poll ? "poll" : "wait")) continue;
            const char* name = poll ? "poll" : "wait";
            ReportIdle(name, RunOnce(poll, false, childMs, window));
            if (!idleOnly) ReportBusy(name, RunOnce(poll, true, childMs, window));
        }
    }
    DestroyWindow(window);
    return 0;
}
