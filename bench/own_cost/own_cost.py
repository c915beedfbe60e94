#!/usr/bin/env python3
"""The tool's own processor time and peak memory over a whole external run.

Usage: own_cost.py BUILD [ROUNDS [MIB...]]   (default 3 rounds; 0 1 16 64 MiB)

Runs inside a Wine session (scripts/bench.sh sets one up) and starts the
programs of the Windows build in BUILD through BUILD/wine-run. For each text
size, ROUNDS alternating rounds (three times as many up to 1 MiB, where a run
is short and start-up noise weighs most) of:
  tool   the stand-in editor, its text in a real EDIT control, starts
         pelmarind.exe /app=textconv.exe /upper as its Tools menu would; the
         result must be the converter's own upper-casing of the text;
  floor  the same editor starts minimal_run.exe /windowed, which does the same
         file and process work (read the text, write the temporary file, run
         the converter, read the file back) as a windowed program and nothing
         else.
The processor time (user + system) and peak resident size (VmHWM) of each
Windows program's own Wine process come from Linux, not from Wine: this script
makes itself the child subreaper of everything it starts, so each process that
ends is left to it, and its resource usage is read when it is reaped
(ru_utime + ru_stime, ru_maxrss): the whole life of the process, start-up and
exit included, nothing before or after it. (Wine's GetProcessTimes of another
process gives the caller's own times.) The converter's time is in neither
figure. The tool writes its phases (PELMARIND_PHASE_LOG) from its own clock.

Then the tool's processor time while the converter sleeps 3 s, against the
same run without the sleep.

Medians of the rounds. Figures are reported, never judged.
"""
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import time

PR_SET_CHILD_SUBREAPER = 36
LINE = (b"\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67"
        b" a line of text to convert\r\n")


def win_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_text(size):
    text = LINE * (size // len(LINE))
    return text + b"x" * (size - len(text))


class Reaper:
    """Reaps every process left to this one; keeps the usage of those whose
    name (/proc/PID/comm, which Wine sets to the program's file name) is asked
    for."""

    def __init__(self):
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
            raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")
        self.ended = []  # (name, cpu seconds, peak resident KiB)

    def _reap(self, flags):
        """Reaps one ended child; its pid, or 0 when none has ended."""
        try:
            info = os.waitid(os.P_ALL, 0, os.WEXITED | os.WNOWAIT | flags)
        except ChildProcessError:
            return 0
        if info is None:
            return 0
        try:
            with open(f"/proc/{info.si_pid}/comm") as comm:
                name = comm.read().strip()
        except OSError:
            name = "?"
        _, _, usage = os.wait4(info.si_pid, 0)
        self.ended.append((name, usage.ru_utime + usage.ru_stime, usage.ru_maxrss))
        return info.si_pid

    def run(self, argv, env, wanted):
        """Runs argv to its end, then waits a little for the processes named in
        `wanted` that it started; returns the usage of those (by name)."""
        self.ended = []
        child = os.posix_spawn(argv[0], argv, env,
                               file_actions=[(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0)])
        while self._reap(0) != child:
            pass
        deadline = time.monotonic() + 10
        while not all(w in (name for name, _, _ in self.ended) for w in wanted) and time.monotonic() < deadline:
            if not self._reap(os.WNOHANG):
                time.sleep(0.01)
        return {name: (cpu, rss) for name, cpu, rss in self.ended if name in wanted}


def read_phases(path):
    phases = []
    try:
        with open(path) as f:
            for line in f:
                name, us = line.rstrip("\n").split("\t")
                phases.append((name, int(us) / 1000))
    except OSError:
        pass
    return phases


def main():
    build = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    sizes = [int(m) for m in sys.argv[3:]] or [0, 1, 16, 64]
    wine_run = os.path.join(build, "wine-run")
    binary = lambda name: win_path(os.path.join(build, "bin", name))
    reaper = Reaper()
    env = dict(os.environ, PELMARIND_WINE_TIMEOUT="1800")
    work = tempfile.mkdtemp(prefix="pelmarind-own-cost-")

    def editor(text_file, log, command, final=None):
        argv = [wine_run, os.path.join(build, "bin", "standin_editor.exe"), "--text-file=" + win_path(text_file),
                "--log=" + win_path(log), "--child-timeout-ms=1800000"]
        if final:
            argv.append("--final=" + win_path(final))
        return argv + ["--"] + command

    def ended_ok(log):
        with open(log, "rb") as f:
            return b"ended\texit=0\t" in f.read()

    tool = [binary("pelmarind.exe"), "/app=" + binary("textconv.exe"), "/upper"]
    results = {}
    try:
        for mib in sizes:
            text_file = os.path.join(work, f"text{mib}.txt")
            expected_file = os.path.join(work, f"expected{mib}.txt")
            with open(text_file, "wb") as f:
                f.write(make_text(mib << 20))
            with open(expected_file, "wb") as f:
                f.write(make_text(mib << 20))
            subprocess.run([wine_run, os.path.join(build, "bin", "textconv.exe"), "/upper", win_path(expected_file)],
                           check=True, env=env, stdin=subprocess.DEVNULL)
            with open(expected_file, "rb") as f:
                expected = f.read()
            floor = [binary("minimal_run.exe"), "/windowed", win_path(text_file), binary("textconv.exe"), "/upper"]
            log, final, phase_file = (os.path.join(work, n) for n in ("log.txt", "final.txt", "phases.txt"))
            runs = {"tool": [], "floor": [], "phases": []}
            for _ in range(rounds * 3 if mib <= 1 else rounds):
                usage = reaper.run(editor(text_file, log, tool, final),
                                   dict(env, PELMARIND_PHASE_LOG=win_path(phase_file)), ["pelmarind.exe"])
                with open(final, "rb") as f:
                    if not ended_ok(log) or "pelmarind.exe" not in usage or f.read() != expected:
                        sys.exit(f"{mib} MiB: the tool's run failed")
                runs["tool"].append(usage["pelmarind.exe"])
                runs["phases"].append(read_phases(phase_file))
                usage = reaper.run(editor(text_file, log, floor), env, ["minimal_run.exe"])
                if not ended_ok(log) or "minimal_run.exe" not in usage:
                    sys.exit(f"{mib} MiB: the floor's run failed")
                runs["floor"].append(usage["minimal_run.exe"])
            results[mib] = runs
            os.remove(text_file)
            os.remove(expected_file)

        median = lambda values: statistics.median(values)
        print("processor time (user + system) and peak resident size (VmHWM) of each program's own process,")
        print(f"median of the rounds; growth: VmHWM over that of the {sizes[0]} MiB run, against the text")
        print(f"{'text':>7} {'tool ms':>8} {'floor ms':>9} {'ratio':>6} {'tool MiB':>9} {'growth':>7} {'x text':>7}"
              f" {'floor MiB':>10} {'growth':>7} {'x text':>7}")
        base = results[sizes[0]]
        base_tool_rss = median([rss for _, rss in base["tool"]]) / 1024
        base_floor_rss = median([rss for _, rss in base["floor"]]) / 1024
        for mib, runs in results.items():
            tool_ms = median([cpu for cpu, _ in runs["tool"]]) * 1000
            floor_ms = median([cpu for cpu, _ in runs["floor"]]) * 1000
            tool_rss = median([rss for _, rss in runs["tool"]]) / 1024
            floor_rss = median([rss for _, rss in runs["floor"]]) / 1024
            per_text = lambda growth: f"{growth / mib:7.2f}" if mib else f"{'':7}"
            print(f"{mib:3} MiB {tool_ms:8.0f} {floor_ms:9.0f} {tool_ms / floor_ms:6.2f} {tool_rss:9.1f}"
                  f" {tool_rss - base_tool_rss:7.1f} {per_text(tool_rss - base_tool_rss)} {floor_rss:10.1f}"
                  f" {floor_rss - base_floor_rss:7.1f} {per_text(floor_rss - base_floor_rss)}")

        print("the tool's phases by its own clock (wall time, ms; median of the rounds):")
        names = [name for name, _ in results[sizes[-1]]["phases"][0]]
        print(f"{'phase':<24}" + "".join(f"{str(mib) + ' MiB':>10}" for mib in results))
        for name in names:
            row = f"{name:<24}"
            for runs in results.values():
                values = [dict(p).get(name, 0.0) for p in runs["phases"]]
                row += f"{median(values):10.1f}"
            print(row)

        # The wait: the tool's processor time with the converter sleeping 3 s,
        # less that of the same run without the sleep.
        text_file = os.path.join(work, "small.txt")
        with open(text_file, "wb") as f:
            f.write(make_text(4096))
        log = os.path.join(work, "log.txt")
        growth = []
        for _ in range(rounds):
            slow = reaper.run(editor(text_file, log, tool + ["/delay=3000"]), env, ["pelmarind.exe"])
            quick = reaper.run(editor(text_file, log, tool), env, ["pelmarind.exe"])
            if "pelmarind.exe" not in slow or "pelmarind.exe" not in quick:
                sys.exit("a run for the wait failed")
            growth.append(slow["pelmarind.exe"][0] - quick["pelmarind.exe"][0])
        print(f"converter sleeping 3 s: the tool's processor time grows by {median(growth) * 1000:.0f} ms"
              f" (median of {rounds}; rounds: {', '.join(f'{g * 1000:.0f}' for g in growth)} ms)")
    finally:
        for name in os.listdir(work):
            os.remove(os.path.join(work, name))
        os.rmdir(work)


if __name__ == "__main__":
    main()
