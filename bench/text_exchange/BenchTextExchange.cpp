// Reads and writes back texts of 1, 16 and 64 MiB through the stand-in
// editor and reports the tool's own time for each transfer against one
// memcpy of the same size, measured in the same run. A read is the length
// query to the editor's text-editing window, then the transfer through the
// section; each is timed on its own, in the same read. The length query is
// the protocol's (under Wine it carries the whole text across, at a cost
// that varies from one query to the next by more than the tool's own work):
// it is printed beside the tool's figure, not taken out of it. From a
// transfer the editor's handling of its message (logged by the stand-in) is
// taken out: that handling lies within the transfer, so what is left, the
// tool's own part, cannot be negative. Best of three rounds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench/BenchClock.h"
#include "host/HostLink.h"
#include "tests/robot/Robot.h"

namespace {

// One memcpy into fresh memory, as the tool's copy goes into a fresh text.
double MemcpySeconds(const std::string& source) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<char[]> target(new char[source.size()]);
        const double start = Now();
        std::memcpy(target.get(), source.data(), source.size());
        best = std::min(best, Now() - start);
        if (target[source.size() / 2] != source[source.size() / 2]) std::puts("copy failed");
    }
    return best;
}

double LastHostSeconds(const StandinHost& host, const char* message) {
    double seconds = 0;
    for (const auto& r : host.Records("msg")) {
        if (r.count(message)) seconds = std::stod(r.at("host_us")) / 1e6;
    }
    return seconds;
}

std::string MakeText(std::size_t size) {
    const std::string line = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67 line of text for the benchmark\r\n";
    std::string text;
    text.reserve(size);
    while (text.size() + line.size() <= size) text += line;
    text.append(size - text.size(), 'x');
    return text;
}

}  // namespace

int main() {
    std::printf("%-7s %-6s %12s %12s %12s %12s %8s\n", "size", "op", "tool ms", "host ms", "length ms", "memcpy ms",
                "ratio");
    for (std::size_t mib : {1u, 16u, 64u}) {
        const std::size_t size = mib << 20;
        const std::string text = MakeText(size);
        TempDir dir;
        WriteFileBytes(dir.File("text.txt"), text);
        StandinHost host({"--raw-text-window", "--text-file=" + dir.File("text.txt")});
        if (!host.Ready()) {
            std::printf("the stand-in editor did not start\n");
            return 1;
        }
        const double copy = MemcpySeconds(text);
        // Each figure of the round with the tool's best time.
        struct Best {
            double tool = 1e9, host = 0, length = 0;
            void Take(double t, double h, double l) {
                if (t < tool) *this = {t, h, l};
            }
        } read, write;
        for (int round = 0; round < 3; ++round) {
            double start = Now();
            const LRESULT length = SendMessageA(host.Edit(), WM_GETTEXTLENGTH, 0, 0);
            const double lengthQuery = Now() - start;
            start = Now();
            const std::string got = ReadHostText(host.Main(), kTextKindAll, length).Text;
            const double transfer = Now() - start;
            if (got != text) {
                std::printf("the text read back differs (%zu bytes)\n", got.size());
                return 1;
            }
            const double readHost = LastHostSeconds(host, "HM_GETTEXT");
            read.Take(transfer - readHost, readHost, lengthQuery);

            start = Now();
            if (!SetHostAllText(host.Main(), text)) {
                std::printf("the editor did not take the text back\n");
                return 1;
            }
            const double writeTotal = Now() - start;
            const double writeHost = LastHostSeconds(host, "HM_SETTEXT");
            write.Take(writeTotal - writeHost, writeHost, 0);
        }
        std::printf("%3zu MiB %-6s %12.2f %12.2f %12.2f %12.2f %8.2f\n", mib, "read", read.tool * 1e3, read.host * 1e3,
                    read.length * 1e3, copy * 1e3, read.tool / copy);
        std::printf("%3zu MiB %-6s %12.2f %12.2f %12s %12.2f %8.2f\n", mib, "write", write.tool * 1e3, write.host * 1e3,
                    "", copy * 1e3, write.tool / copy);
    }
    return 0;
}
