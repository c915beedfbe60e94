#!/usr/bin/env python3
"""The tool's own processor time and peak memory over a whole external run.

Usage: own_cost.py BUILD [--compare=EXE]... [--programs=NAME,...] [--wait-rounds=N] [ROUNDS [MIB...]]
       (default 3 rounds; 0 1 16 64 MiB; every program below, --programs
       keeps those named: a run of 64 MiB through the editor's real edit
       control takes one to two minutes; the wait's rounds default to
       ROUNDS, 0 leaves it out)

Runs inside a Wine session (scripts/bench.sh sets one up) and starts the
programs of the Windows build in BUILD through BUILD/wine-run. For each text
size, ROUNDS rounds (three times as many up to 1 MiB, where a run is short and
start-up noise weighs most), each in another order, of:
  tool   the stand-in editor, its text in a real EDIT control, starts
         pelmarind.exe /app=textconv.exe /upper as its Tools menu would; the
         result must be the converter's own upper-casing of the text;
  pipe   the same tool as a filter: pelmarind.exe /app=textconv.exe /stdio
         /upper /io=pipe (the text through the converter's standard input
         and output instead of a temporary file);
  other  with --compare, the same with EXE in place of pelmarind.exe (another
         build of the tool, for figures before and after a change);
  floor  the same editor starts minimal_run.exe /windowed, which does the same
         file and process work (read the text, write the temporary file, run
         the converter, read the file back) as a windowed program and nothing
         else;
  protocol the same editor starts protocol_floor.exe textconv.exe /upper,
         which does the least any tool must do through the editor's text
         exchange (both length queries, the selection and whole-text reads,
         titles and lock, the file and process work, the write-back), each
         text copied once; its result must be the tool's.
Each figure is that of the program's own Wine process, taken from Linux, not
from Wine (whose GetProcessTimes of another process gives the caller's own
times): this script makes itself the child subreaper of all it starts, so a
program's process is left to it once its starter lets go; the peak resident
size (VmHWM) is read from /proc/PID/status while it runs, the processor time
(user + system, start-up and exit included) from the usage the kernel gives
when it is reaped. The converter's time is in neither figure. (The usage given
on reaping cannot serve for memory: a process keeps there the peak of the
editor's memory that it inherited when it was forked.)

The tool and the protocol floor write their phases from their own clock
(PELMARIND_PHASE_LOG), under the same names; the editor's own handling of the
text messages comes from its log.

Last, the wait: the tool's processor time with the converter sleeping 0, 0.5,
3 and 10 s, the once-only cost of a run that outlasts the running window's
delay (the window in the tool's process) and the cost of each second of the
wait; beside them, the copies of the tool that watch the editor's lock: those
a run starts, and a watcher that stays to serve later runs, with the processor
time it takes during each run (its first run with its start).

Medians and bests of the rounds (on a shared machine others' load only ever
adds), and the median of the ratios within each round. Figures are reported,
never judged.
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


class Runner:
    """Runs programs as the child subreaper of everything they start."""

    # How long a wanted process may take to end after the run's own process
    # has ended; one still running then stays (the watcher that serves later
    # runs too).
    STAYING_AFTER = 2.0

    def __init__(self):
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
            raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")
        self.staying = {}  # pid -> [name, processor s counted so far]: wanted processes that outlive runs

    @staticmethod
    def _stat(pid):
        """(name, start time in clock ticks since boot) of a process, ended
        ones not yet reaped included; Wine names each after its program."""
        with open(f"/proc/{pid}/stat") as f:
            head, tail = f.read().rsplit(")", 1)
        return head.split("(", 1)[1], int(tail.split()[19])

    @staticmethod
    def _peak_kib(pid):
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    @staticmethod
    def _cpu_so_far(pid):
        """The processor time of a running process so far, s: the sum over its
        threads (ns exact, unlike the clock ticks of /proc/PID/stat)."""
        total = 0
        for tid in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                    total += int(f.read().split()[0])
            except OSError:
                pass
        return total / 1e9

    def run(self, argv, env, wanted, poll=0.005):
        """Runs argv to its end; returns {name: [(processor seconds, VmHWM KiB
        or None), ...]} for the processes named in `wanted` that were left to
        this one, each name's processes in the order they were started. A
        wanted process that stays after the run (the watcher serving later
        runs) counts with the processor time it took during the run, each
        later run with its own share."""
        me = os.getpid()
        child = os.posix_spawn(argv[0], argv, env,
                               file_actions=[(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0)])
        alive = {}  # pid -> [name, VmHWM KiB]: wanted processes seen running
        ended = []  # (start time, name, processor seconds, VmHWM KiB or None)
        child_done, last_scan, deadline = False, 0.0, 0.0
        while True:
            now = time.monotonic()
            if now - last_scan > 0.02:
                last_scan = now
                # This process's children: those it started and those left to
                # it. (A process is named after its program only once the Wine
                # loader runs it: one not yet named is looked at again.)
                with open(f"/proc/{me}/task/{me}/children") as f:
                    children = [int(pid) for pid in f.read().split()]
                for pid in children:
                    if pid != child and pid not in alive and pid not in self.staying:
                        try:
                            name, _ = self._stat(pid)
                        except OSError:
                            continue
                        if name in wanted:
                            alive[pid] = [name, 0]
            for pid, entry in alive.items():
                try:
                    entry[1] = max(entry[1], self._peak_kib(pid))
                except (OSError, ValueError):
                    pass  # ended: the last reading stands
            while True:
                # Each ended process is named before it is reaped (its entry
                # stays until then): one that ended before any scan saw it
                # counts too, without its peak.
                try:
                    info = os.waitid(os.P_ALL, 0, os.WEXITED | os.WNOHANG | os.WNOWAIT)
                except ChildProcessError:
                    info = None
                if info is None:
                    break
                try:
                    name, started = self._stat(info.si_pid)
                except OSError:
                    name, started = None, 0
                pid, _, usage = os.wait4(info.si_pid, 0)
                seen = alive.pop(pid, None)
                name = name or (seen and seen[0])
                counted = self.staying.pop(pid, [None, 0.0])[1]
                if pid == child:
                    child_done, deadline = True, now + self.STAYING_AFTER
                elif name in wanted:
                    ended.append((started, name, usage.ru_utime + usage.ru_stime - counted, seen[1] if seen else None))
            # Done once the child has ended and nothing wanted still runs but
            # what stays.
            if child_done and (not alive or now > deadline):
                break
            time.sleep(poll)
        # What stays: its processor time since the last run, once it has done
        # this run's work (two readings a scan apart agree).
        for pid, (name, peak) in alive.items():
            self.staying[pid] = [name, 0.0]
        for pid, entry in list(self.staying.items()):
            try:
                before, now_cpu = -1.0, self._cpu_so_far(pid)
                for _ in range(100):
                    if now_cpu == before:
                        break
                    time.sleep(0.02)
                    before, now_cpu = now_cpu, self._cpu_so_far(pid)
            except (OSError, ValueError):
                continue  # ended: counted when it is reaped
            if entry[0] in wanted:
                # After the run's own processes, whenever it started.
                peak = alive[pid][1] if pid in alive else None
                ended.append((float("inf"), entry[0], now_cpu - entry[1], peak))
            entry[1] = now_cpu
        found = {}
        for _, name, cpu, peak in sorted(ended, key=lambda e: e[0]):
            found.setdefault(name, []).append((cpu, peak))
        return found


def read_phases(path):
    """A phase log: [(name, ms)]; none from a build without it."""
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [(name, int(us) / 1000) for name, us in (line.rstrip("\n").split("\t") for line in f)]


def read_editor_log(path):
    """The stand-in's log: the started program's exit code (None when the
    editor did not see it end), and the editor's own handling time (ms) of
    each text message."""
    ended, handling = None, {}
    if not os.path.exists(path):
        return ended, handling
    with open(path, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            fields = line.split("\t")
            values = dict(field.split("=", 1) for field in fields[1:] if "=" in field)
            if fields[0] == "ended":
                ended = values.get("exit")
            elif fields[0] == "msg" and fields[1] in ("HM_GETTEXT", "HM_SETTEXT") and "host_us" in values:
                kind = {"HM_GETTEXT": {"1": "HM_GETTEXT selection", "0": "HM_GETTEXT whole text"},
                        "HM_SETTEXT": {"1": "HM_SETTEXT selection", "0": "HM_SETTEXT whole text"}}
                handling[kind[fields[1]][values["wparam"]]] = int(values["host_us"]) / 1000
    return ended, handling


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    compare = [a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--compare=")]
    chosen = [n for a in sys.argv[1:] if a.startswith("--programs=") for n in a.split("=", 1)[1].split(",")]
    wait_rounds = [int(a.split("=", 1)[1]) for a in sys.argv[1:] if a.startswith("--wait-rounds=")]
    build = args[0]
    rounds = int(args[1]) if len(args) > 1 else 3
    wait_rounds = wait_rounds[-1] if wait_rounds else rounds
    sizes = [int(m) for m in args[2:]] or [0, 1, 16, 64]
    wine_run = os.path.join(build, "wine-run")
    binary = lambda name: win_path(os.path.join(build, "bin", name))
    # A program that is not there would give no figure at all, not a small one.
    missing = [n for n in ("pelmarind.exe", "textconv.exe", "standin_editor.exe", "minimal_run.exe",
                           "protocol_floor.exe") if not os.path.exists(os.path.join(build, "bin", n))]
    missing += [exe for exe in compare if not os.path.exists(exe)]
    if missing:
        sys.exit(f"not built: {', '.join(missing)} (scripts/bench.sh builds every program the benchmarks start)")
    converter = binary("textconv.exe")
    runner = Runner()
    env = dict(os.environ, PELMARIND_WINE_TIMEOUT="1800")
    work = tempfile.mkdtemp(prefix="pelmarind-own-cost-")
    log, final, phase_file = (os.path.join(work, n) for n in ("log.txt", "final.txt", "phases.txt"))

    def from_editor(text_file, command, extra_env=None):
        """Runs command from the stand-in editor holding the text; the usage of
        the command's processes (by its name: the program, then the copies of
        itself it started), the editor's log, the final text."""
        for path in (log, final, phase_file):
            if os.path.exists(path):
                os.remove(path)
        argv = [wine_run, os.path.join(build, "bin", "standin_editor.exe"), "--text-file=" + win_path(text_file),
                "--log=" + win_path(log), "--final=" + win_path(final), "--child-timeout-ms=1800000", "--"]
        name = command[0].rsplit("\\", 1)[-1][:15]  # as the kernel keeps a process's name
        usage = runner.run(argv + command, dict(env, **(extra_env or {})), [name])
        ended, handling = read_editor_log(log)
        if ended != "0" or name not in usage:
            why = ("the editor did not see it end" if ended is None else f"exit code {ended}") if ended != "0" else \
                "its process was not found"
            sys.exit(f"the run of {' '.join(command)} failed: {why}")
        with open(final, "rb") as f:
            return usage[name], handling, f.read()

    # Each tool's command: the tool through a temporary file, the same tool
    # as a filter (/io=pipe, the converter reading standard input), others.
    tools = {"tool": [binary("pelmarind.exe"), "/app=" + converter, "/upper"],
             "pipe": [binary("pelmarind.exe"), "/app=" + converter, "/stdio", "/upper", "/io=pipe"]}
    tools.update({f"other{i + 1}": [win_path(exe), "/app=" + converter, "/upper"] for i, exe in enumerate(compare)})
    unknown = [n for n in chosen if n not in list(tools) + ["floor", "protocol"]]
    if unknown:
        sys.exit(f"no such program: {', '.join(unknown)} (tool, pipe, other1..., floor, protocol)")
    tools = {n: c for n, c in tools.items() if not chosen or n in chosen}
    programs = list(tools) + [n for n in ("floor", "protocol") if not chosen or n in chosen]
    logging = [n for n in programs if n != "floor"]  # the programs that log their phases
    commands = dict(tools, protocol=[binary("protocol_floor.exe"), converter, "/upper"])
    median = statistics.median
    results = {}
    try:
        # A first run of each, not counted: the first start of a program
        # after a while is the slowest.
        warm_up = os.path.join(work, "warm-up.txt")
        with open(warm_up, "wb") as f:
            f.write(make_text(4096))
        for command in commands.values():
            from_editor(warm_up, command)
        from_editor(warm_up, [binary("minimal_run.exe"), "/windowed", win_path(warm_up), converter, "/upper"])
        for mib in sizes:
            text_file = os.path.join(work, "text.txt")
            expected_file = os.path.join(work, "expected.txt")
            for path in (text_file, expected_file):
                with open(path, "wb") as f:
                    f.write(make_text(mib << 20))
            subprocess.run([wine_run, os.path.join(build, "bin", "textconv.exe"), "/upper", win_path(expected_file)],
                           check=True, env=env, stdin=subprocess.DEVNULL)
            with open(expected_file, "rb") as f:
                expected = f.read()
            runs = {name: [] for name in programs}      # (processor s, VmHWM KiB) of the program's process
            copies = {name: [] for name in programs}    # processor s of the copies of itself it started
            phases = {name: [] for name in logging}
            for round_ in range(rounds * 3 if mib <= 1 else rounds):
                # Each round in another order: no program always follows the same one.
                for name in programs[round_ % len(programs):] + programs[:round_ % len(programs)]:
                    if name == "floor":
                        usage, _, _ = from_editor(text_file, [binary("minimal_run.exe"), "/windowed",
                                                              win_path(text_file), converter, "/upper"])
                    else:
                        usage, handling, text = from_editor(text_file, commands[name],
                                                            {"PELMARIND_PHASE_LOG": win_path(phase_file)})
                        if text != expected:
                            sys.exit(f"{mib} MiB: the {name}'s result is not the converter's")
                        phases[name].append((read_phases(phase_file), handling))
                    runs[name].append(usage[0])
                    copies[name].append(sum(c for c, _ in usage[1:]))
            results[mib] = (runs, copies, phases)

        def cpu_ms(runs):
            return median([c for c, _ in runs]) * 1000, min(c for c, _ in runs) * 1000

        def peak_mib(runs):
            peaks = [p for _, p in runs if p is not None]
            return median(peaks) / 1024 if peaks else float("nan")

        print("processor time (user + system) of each program's own process, ms: median and best of the rounds;")
        print("ratios to the floor's and to the protocol floor's, of the medians and of the bests")
        floors = [n for n in ("floor", "protocol") if n in programs]
        print(f"{'text':>7}" + "".join(f" {n:>14}" + "".join(f" {'/' + u:>11}" for u in floors) for n in tools) +
              "".join(f" {n:>14}" for n in floors))
        for mib, (runs, _, _) in results.items():
            cpu = {n: cpu_ms(runs[n]) for n in programs}
            row = f"{mib:3} MiB"
            for n in tools:
                row += f" {cpu[n][0]:7.0f} ({cpu[n][1]:4.0f})"
                for under in floors:
                    row += f" {cpu[n][0] / cpu[under][0]:5.2f} {cpu[n][1] / cpu[under][1]:5.2f}"
            print(row + "".join(f" {cpu[n][0]:7.0f} ({cpu[n][1]:4.0f})" for n in floors))
        # A slow spell of the machine weighs on every program of a round
        # alike (they run one after another): the rounds' own ratios move
        # less than those of medians taken apart.
        print("ratios within each round to the protocol floor's (else the floor's): median (lowest-highest) of the"
              " rounds")
        for mib, (runs, _, _) in results.items():
            under = floors[-1] if floors else None
            if under is None:
                break
            row = f"{mib:3} MiB"
            for n in tools:
                ratios = sorted(a[0] / b[0] for a, b in zip(runs[n], runs[under]))
                row += f"  {n}/{under} {median(ratios):.2f} ({ratios[0]:.2f}-{ratios[-1]:.2f})"
            print(row)
        # The watcher runs in copies of the tool, outside its own process:
        # counted apart above, and here with the tool's.
        watched = [(mib, n) for mib, (_, copies, _) in results.items() for n in tools if any(copies[n])]
        if watched:
            print("the copies of the tool that watch the editor's lock (started by a run, or one that stays: its time during"
                  " each run): their processor time, ms,"
                  " median (best); the tool with them against the protocol floor, ratio within each round")
        for mib, n in watched:
            runs, copies, _ = results[mib]
            row = f"{mib:3} MiB {n:>7}: copies {median(copies[n]) * 1000:5.0f} ({min(copies[n]) * 1000:4.0f})"
            if "protocol" in programs:
                ratios = sorted((a[0] + c) / b[0] for a, c, b in zip(runs[n], copies[n], runs["protocol"]))
                row += f"  (tool + copies)/protocol {median(ratios):.2f} ({ratios[0]:.2f}-{ratios[-1]:.2f})"
            print(row)

        print(f"peak resident size (VmHWM) of each program's own process, MiB, medians; growth over the {sizes[0]} MiB"
              " run, and that against the text")
        print(f"{'text':>7}" + "".join(f" {n:>9} {'growth':>6} {'x text':>6}" for n in programs))
        base = results[sizes[0]][0]
        for mib, (runs, _, _) in results.items():
            row = f"{mib:3} MiB"
            for n in programs:
                peak = peak_mib(runs[n])
                growth = peak - peak_mib(base[n])
                row += f" {peak:9.1f} {growth:6.1f} " + (f"{growth / mib:6.2f}" if mib else f"{'':6}")
            print(row)

        # The phases of the programs that log them, side by side, by each
        # program's own clock; then the editor's own handling of the text
        # messages (its log).
        named = [n for n in logging if any(logged for r in results.values() for logged, _ in r[2][n])]
        for mib, (_, _, phases) in results.items():
            print(f"{mib} MiB: phases, wall time by the program's own clock, ms, medians; the editor's handling of the"
                  " text messages (its log)" + ("" if named else "; this build writes no phase log"))
            print(f"{'phase':<26}" + "".join(f"{n:>12}" for n in named))
            order = []
            for n in named:
                for logged, handling in phases[n]:
                    for phase in [p for p, _ in logged] + sorted(handling):
                        if phase not in order:
                            order.append(phase)
            for phase in order:
                print(f"{phase:<26}" + "".join(
                    f"{median([dict(logged).get(phase, handling.get(phase, 0.0)) for logged, handling in phases[n]]):12.1f}"
                    for n in named))

        # The wait. A run that ends before the running window's delay (about
        # a second) pays for no window; one that outlasts it pays once for
        # it, and then each second for what the window does (its counter). From the medians of runs with the converter sleeping
        # 0, 0.5, 3 and 10 s: the cost of a second of the wait from the 3 and
        # 10 s runs; the window's one-time cost from the 3 s run against the
        # 0.5 s one, less 2.5 such seconds. The watcher runs in copies of the
        # tool: their processor time is measured as it is.
        if wait_rounds == 0:
            return
        text_file = os.path.join(work, "small.txt")
        with open(text_file, "wb") as f:
            f.write(make_text(4096))
        sleeps = (0, 0.5, 3, 10)
        print("the wait: processor time of the tool's own process and of the copy it starts to watch the lock, ms,")
        print(f"medians (min-max) of {wait_rounds} rounds, by how long the converter sleeps")
        for name, command in tools.items():
            own = {t: [] for t in sleeps}
            watch = {t: [] for t in sleeps}
            for _ in range(wait_rounds):
                for t in sleeps:
                    usage, _, _ = from_editor(text_file, command + [f"/delay={int(t * 1000)}"])
                    own[t].append(usage[0][0] * 1000)
                    watch[t].append(sum(c for c, _ in usage[1:]) * 1000)
            for t in sleeps:
                when = "ends before the delay" if t < 1 else "outlasts the delay"
                print(f"  {name:<6} {t:4} s ({when:<21}): own {median(own[t]):5.0f} ({min(own[t]):4.0f}-{max(own[t]):4.0f}),"
                      f" watcher copies {median(watch[t]):4.0f} ({min(watch[t]):3.0f}-{max(watch[t]):3.0f})")
            per_second = (median(own[10]) - median(own[3])) / 7
            window = median(own[3]) - median(own[0.5]) - 2.5 * per_second
            print(f"  {name:<6} outlasting the delay costs once: the running window {window:.0f} ms in the tool's own"
                  f" process; then {per_second:.1f} ms a second of the wait (the watcher, in every run:"
                  f" {median(watch[3]):.0f} ms in its copy)")
        print("  (the window's cost and the cost a second are differences of medians of separate runs: within the"
              " runs' spread of 0 they are no cost at all, and a negative one is such noise)")
    finally:
        for entry in os.listdir(work):
            os.remove(os.path.join(work, entry))
        os.rmdir(work)


if __name__ == "__main__":
    main()
