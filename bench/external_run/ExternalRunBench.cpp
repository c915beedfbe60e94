// bench_external_run [ROUNDS]
// A whole external tool run as the user has it: the stand-in editor starts
// pelmarind.exe, which runs the example converter (textconv /upper, a
// trivial conversion) on the whole text, and the result goes back into the
// editor. Against it, started the same way by the same editor, minimal_run
// does the same file and process work with nothing else (no window, no host
// link, no lock, no titles). Both are timed by the editor from starting the
// program to its end; from the tool's time the host's own handling of the two
// text messages is taken out (its log; the handling lies within the run, so
// what is left cannot be negative). The length queries the tool sends to the
// editor's text-editing window are the protocol's: under Wine each carries
// the whole text across, which costs the asking process as much as the
// editor. Their time, measured alone against an editor holding the same text,
// is printed beside the tool's, not taken out of it (an estimate made apart
// from the run, which could exceed what the run spent on them).
// minimal_run goes twice: as a bare program, and as a windowed one (which
// under Wine costs the start of the display driver, as it costs the tool).
// Sizes 1 and 16 MiB, ROUNDS (default 3) alternating rounds, the best taken.
//
// Then the tool's processor time while the converter sleeps 3 s
// (textconv /delay=3000), and that of the same run without the sleep, and the
// growth; the same for minimal_run, bare and windowed, whose waits do nothing
// at all (what a windowed process costs under Wine while it sleeps).
// Figures are reported, never judged. Under Wine processor time comes in
// 10 ms ticks.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchClock.h"
#include "tests/robot/Robot.h"
#include "tools/textconv/core/TextConv.h"

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// Code page 932 lines, lower-case ASCII mixed with double-byte characters.
std::string MakeText(std::size_t size) {
    const std::string line = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67 a line of text to convert\r\n";
    std::string text;
    text.reserve(size);
    while (text.size() + line.size() <= size) text += line;
    text.append(size - text.size(), 'x');
    return text;
}

struct Run {
    bool ok = false;
    double seconds = 0;      // from the editor starting the program to its end
    double hostSeconds = 0;  // the editor's logged answering time
    int textMessages = 0;    // text requests the program sent
    double cpuSeconds = 0;   // the program's processor time
};

Run RunFromEditor(const std::string& textFile, const std::string& command, const std::string& expected) {
    Run run;
    StandinHost host({"--raw-text-window", "--text-file=" + textFile, "--child-timeout-ms=600000"}, command);
    if (!host.Ready() || !host.WaitForExit(900000)) return run;
    for (const auto& r : host.Records("msg")) {
        if (r.count("HM_GETTEXT") || r.count("HM_SETTEXT")) {
            run.hostSeconds += std::stod(r.at("host_us")) / 1e6;
            run.textMessages += r.count("HM_GETTEXT") ? 1 : 0;
        }
    }
    const auto ended = host.Records("ended");
    if (ended.empty() || ended.back().at("exit") != "0") return run;
    run.seconds = std::stod(ended.back().at("elapsed_us")) / 1e6;
    run.cpuSeconds = std::stod(ended.back().at("cpu_us")) / 1e6;
    run.ok = expected.empty() || host.FinalText() == expected;
    return run;
}

// The time a length query to the editor's text window takes, from another
// process, with the text in it (the best of three).
double LengthQuerySeconds(const std::string& textFile) {
    StandinHost host({"--raw-text-window", "--text-file=" + textFile});
    double best = 1e9;
    for (int i = 0; i < 3 && host.Ready(); ++i) {
        const double start = Now();
        SendMessageA(host.Edit(), WM_GETTEXTLENGTH, 0, 0);
        best = std::min(best, Now() - start);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string tool = Quoted(BinPath("pelmarind.exe"));
    const std::string converter = BinPath("textconv.exe");
    const std::string minimal = Quoted(BinPath("minimal_run.exe"));

    std::printf("%-7s %10s %10s %10s %10s %10s %8s %10s %8s\n", "size", "tool ms", "host ms", "tool-host", "lengths",
                "minimal", "ratio", "windowed", "ratio");
    for (std::size_t mib : {1u, 16u}) {
        TempDir dir;
        const std::string text = MakeText(mib << 20);
        const std::string expected = ToUpperAscii(text);
        const std::string textFile = dir.File("text.txt");
        WriteFileBytes(textFile, text);
        const double lengthQuery = LengthQuerySeconds(textFile);

        double bestTool = 1e9, bestMinimal = 1e9, bestWindowed = 1e9, toolTotal = 0, hostTotal = 0, lengths = 0;
        for (int round = 0; round < rounds; ++round) {
            const Run t = RunFromEditor(textFile, tool + " " + Quoted("/app=" + converter) + " /upper", expected);
            const Run m = RunFromEditor(textFile, minimal + " " + Quoted(textFile) + " " + Quoted(converter) + " /upper", {});
            const Run w = RunFromEditor(
                textFile, minimal + " /windowed " + Quoted(textFile) + " " + Quoted(converter) + " /upper", {});
            if (!t.ok || !m.ok || !w.ok) {
                std::printf("%3zu MiB: a run failed (tool %d, minimal %d, windowed %d)\n", mib, t.ok, m.ok, w.ok);
                return 1;
            }
            if (t.seconds - t.hostSeconds < bestTool) {
                bestTool = t.seconds - t.hostSeconds;
                toolTotal = t.seconds;
                hostTotal = t.hostSeconds;
                lengths = lengthQuery * t.textMessages;
            }
            bestMinimal = std::min(bestMinimal, m.seconds);
            bestWindowed = std::min(bestWindowed, w.seconds);
        }
        std::printf("%3zu MiB %10.1f %10.1f %10.1f %10.1f %10.1f %8.2f %10.1f %8.2f\n", mib, toolTotal * 1e3,
                    hostTotal * 1e3, bestTool * 1e3, lengths * 1e3, bestMinimal * 1e3, bestTool / bestMinimal,
                    bestWindowed * 1e3, bestTool / bestWindowed);
    }

    // Processor time while waiting: the same small run with the converter
    // sleeping 3 s and not at all; the difference is what the wait cost.
    TempDir dir;
    const std::string textFile = dir.File("text.txt");
    WriteFileBytes(textFile, MakeText(4096));
    struct Waiter {
        const char* name;
        std::string command;
        double slowCpu = 0, quickCpu = 0, seconds = 0;
    } waiters[] = {
        {"the tool", tool + " " + Quoted("/app=" + converter) + " /upper"},
        {"minimal_run /windowed", minimal + " /windowed " + Quoted(textFile) + " " + Quoted(converter) + " /upper"},
        {"minimal_run", minimal + " " + Quoted(textFile) + " " + Quoted(converter) + " /upper"},
    };
    for (int round = 0; round < rounds; ++round) {
        for (Waiter& w : waiters) {
            const Run slow = RunFromEditor(textFile, w.command + " /delay=3000", {});
            const Run quick = RunFromEditor(textFile, w.command, {});
            if (!slow.ok || !quick.ok) {
                std::printf("a run for the processor time of %s failed\n", w.name);
                return 1;
            }
            w.slowCpu += slow.cpuSeconds;
            w.quickCpu += quick.cpuSeconds;
            w.seconds += slow.seconds - quick.seconds;
        }
    }
    std::printf("processor time of a run with the converter sleeping 3 s and of the same run without the sleep, and\n"
                "the growth (means of %d rounds; Wine counts 10 ms ticks, so a growth within a tick or two of 0, either\n"
                "way, is no cost at all):\n", rounds);
    for (const Waiter& w : waiters) {
        const double growth = w.slowCpu - w.quickCpu;
        std::printf("  %-22s %5.0f ms with, %5.0f ms without: %+5.0f ms over %.2f s more (%.2f %% of one core)\n",
                    w.name, w.slowCpu / rounds * 1e3, w.quickCpu / rounds * 1e3, growth / rounds * 1e3,
                    w.seconds / rounds, 100 * growth / w.seconds);
    }
    return 0;
}
