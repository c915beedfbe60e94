#!/usr/bin/env python3
"""The tool's own processor time and peak memory over a whole external run.

Usage: own_cost.py BUILD [--compare=EXE] [ROUNDS [MIB...]]
       (default 3 rounds; 0 1 16 64 MiB)

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

The tool writes its phases from its own clock (PELMARIND_PHASE_LOG); the
editor's own handling of the text messages comes from its log.

Last, the tool's processor time while the converter sleeps 3 s, against the
same run without the sleep.

Medians and bests of the rounds (on a shared machine others' load only ever
adds). Figures are reported, never judged.
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

    def __init__(self):
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
            raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")

    @staticmethod
    def _stat(pid):
        """(name, parent pid) of a process; Wine names each after its program."""
        with open(f"/proc/{pid}/stat") as f:
            head, tail = f.read().rsplit(")", 1)
        return head.split("(", 1)[1], int(tail.split()[1])

    @staticmethod
    def _peak_kib(pid):
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    def run(self, argv, env, wanted, poll=0.005):
        """Runs argv to its end; returns {name: (processor seconds, VmHWM KiB)}
        for the processes named in `wanted` that were left to this one."""
        me = os.getpid()
        child = os.posix_spawn(argv[0], argv, env,
                               file_actions=[(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0)])
        watched = {}  # pid -> [name, VmHWM KiB]
        found = {}
        child_done, last_scan, deadline = False, 0.0, 0.0
        while True:
            now = time.monotonic()
            if len(watched) + len(found) < len(wanted) and now - last_scan > 0.02:
                last_scan = now
                # Processes are numbered upwards: only those after the child.
                for entry in os.listdir("/proc"):
                    if entry.isdigit() and int(entry) > child and int(entry) not in watched:
                        try:
                            name, parent = self._stat(entry)
                        except OSError:
                            continue
                        if parent == me and name in wanted and name not in found:
                            watched[int(entry)] = [name, 0]
            for pid, entry in watched.items():
                try:
                    entry[1] = max(entry[1], self._peak_kib(pid))
                except (OSError, ValueError):
                    pass  # ended: the last reading stands
            while True:
                try:
                    pid, _, usage = os.wait4(-1, os.WNOHANG)
                except ChildProcessError:
                    pid = 0
                if pid == 0:
                    break
                if pid == child:
                    child_done, deadline = True, now + 10
                elif pid in watched:
                    name, peak = watched.pop(pid)
                    found[name] = (usage.ru_utime + usage.ru_stime, peak)
            if child_done and (len(found) == len(wanted) or now > deadline):
                break
            time.sleep(poll)
        return found


def read_phases(path):
    """The tool's phase log: [(name, ms)]; none from a build without it."""
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [(name, int(us) / 1000) for name, us in (line.rstrip("\n").split("\t") for line in f)]


def read_editor_log(path):
    """The stand-in's log: whether the started program ended with 0, and the
    editor's own handling time (ms) of each text message."""
    ended, handling = False, {}
    with open(path, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            fields = line.split("\t")
            values = dict(field.split("=", 1) for field in fields[1:] if "=" in field)
            if fields[0] == "ended":
                ended = values.get("exit") == "0"
            elif fields[0] == "msg" and fields[1] in ("HM_GETTEXT", "HM_SETTEXT") and "host_us" in values:
                kind = {"HM_GETTEXT": {"1": "HM_GETTEXT selection", "0": "HM_GETTEXT whole text"},
                        "HM_SETTEXT": {"1": "HM_SETTEXT selection", "0": "HM_SETTEXT whole text"}}
                handling[kind[fields[1]][values["wparam"]]] = int(values["host_us"]) / 1000
    return ended, handling


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--compare=")]
    compare = [a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--compare=")]
    build = args[0]
    rounds = int(args[1]) if len(args) > 1 else 3
    sizes = [int(m) for m in args[2:]] or [0, 1, 16, 64]
    wine_run = os.path.join(build, "wine-run")
    binary = lambda name: win_path(os.path.join(build, "bin", name))
    converter = binary("textconv.exe")
    runner = Runner()
    env = dict(os.environ, PELMARIND_WINE_TIMEOUT="1800")
    work = tempfile.mkdtemp(prefix="pelmarind-own-cost-")
    log, final, phase_file = (os.path.join(work, n) for n in ("log.txt", "final.txt", "phases.txt"))

    def from_editor(text_file, command, extra_env=None):
        """Runs command from the stand-in editor holding the text; the usage of
        the command's process (by its name), the editor's log, the final text."""
        for path in (log, final, phase_file):
            if os.path.exists(path):
                os.remove(path)
        argv = [wine_run, os.path.join(build, "bin", "standin_editor.exe"), "--text-file=" + win_path(text_file),
                "--log=" + win_path(log), "--final=" + win_path(final), "--child-timeout-ms=1800000", "--"]
        name = command[0].rsplit("\\", 1)[-1][:15]  # as the kernel keeps a process's name
        usage = runner.run(argv + command, dict(env, **(extra_env or {})), [name])
        ended, handling = read_editor_log(log)
        if not ended or name not in usage:
            sys.exit(f"the run of {name} failed")
        with open(final, "rb") as f:
            return usage[name], handling, f.read()

    # Each tool's command: the tool through a temporary file, the same tool
    # as a filter (/io=pipe, the converter reading standard input), others.
    tools = {"tool": [binary("pelmarind.exe"), "/app=" + converter, "/upper"],
             "pipe": [binary("pelmarind.exe"), "/app=" + converter, "/stdio", "/upper", "/io=pipe"]}
    tools.update({f"other{i + 1}": [win_path(exe), "/app=" + converter, "/upper"] for i, exe in enumerate(compare)})
    programs = list(tools) + ["floor", "protocol"]
    protocol_command = [binary("protocol_floor.exe"), converter, "/upper"]
    results = {}
    phase_logged = {name: [] for name in tools}
    try:
        # A first run of each, not counted: the first start of a program
        # after a while is the slowest.
        warm_up = os.path.join(work, "warm-up.txt")
        with open(warm_up, "wb") as f:
            f.write(make_text(4096))
        for command in tools.values():
            from_editor(warm_up, command)
        from_editor(warm_up, [binary("minimal_run.exe"), "/windowed", win_path(warm_up), converter, "/upper"])
        from_editor(warm_up, protocol_command)
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
            runs = {name: [] for name in programs}
            phases = {name: [] for name in tools}
            for round_ in range(rounds * 3 if mib <= 1 else rounds):
                # Each round in another order: no program always follows the same one.
                for name in programs[round_ % len(programs):] + programs[:round_ % len(programs)]:
                    if name == "floor":
                        usage, _, _ = from_editor(text_file, [binary("minimal_run.exe"), "/windowed",
                                                              win_path(text_file), converter, "/upper"])
                        runs[name].append(usage)
                        continue
                    if name == "protocol":
                        usage, _, text = from_editor(text_file, protocol_command)
                        if text != expected:
                            sys.exit(f"{mib} MiB: the protocol floor's result is not the converter's")
                        runs[name].append(usage)
                        continue
                    usage, handling, text = from_editor(text_file, tools[name],
                                                        {"PELMARIND_PHASE_LOG": win_path(phase_file)})
                    if text != expected:
                        sys.exit(f"{mib} MiB: the {name}'s result is not the converter's")
                    runs[name].append(usage)
                    logged = read_phases(phase_file)
                    phase_logged[name].append(bool(logged))
                    phases[name].append(logged + sorted(handling.items()))
            results[mib] = (runs, phases)

        median = statistics.median
        print("processor time (user + system) of each program's own process, ms: median and best of the rounds;")
        print("ratios to the floor's and to the protocol floor's, of the medians and of the bests")
        print(f"{'text':>7}" + "".join(f" {n:>14} {'/floor':>11} {'/protocol':>11}" for n in tools) +
              f" {'floor':>14} {'protocol':>14}")
        for mib, (runs, _) in results.items():
            cpu = {n: (median([c for c, _ in runs[n]]) * 1000, min(c for c, _ in runs[n]) * 1000) for n in programs}
            row = f"{mib:3} MiB"
            for n in tools:
                row += f" {cpu[n][0]:7.0f} ({cpu[n][1]:4.0f})"
                for under in ("floor", "protocol"):
                    row += f" {cpu[n][0] / cpu[under][0]:5.2f} {cpu[n][1] / cpu[under][1]:5.2f}"
            print(row + "".join(f" {cpu[n][0]:7.0f} ({cpu[n][1]:4.0f})" for n in ("floor", "protocol")))

        print(f"peak resident size (VmHWM) of each program's own process, MiB, medians; growth over the {sizes[0]} MiB"
              " run, and that against the text")
        print(f"{'text':>7}" + "".join(f" {n:>9} {'growth':>6} {'x text':>6}" for n in programs))
        base = results[sizes[0]][0]
        for mib, (runs, _) in results.items():
            row = f"{mib:3} MiB"
            for n in programs:
                peak = median([p for _, p in runs[n]]) / 1024
                growth = peak - median([p for _, p in base[n]]) / 1024
                row += f" {peak:9.1f} {growth:6.1f} " + (f"{growth / mib:6.2f}" if mib else f"{'':6}")
            print(row)

        for name in tools:
            print(f"the {name}'s phases by its own clock (wall time, ms, medians), and the editor's own handling"
                  " of the text messages (its log)" + ("" if any(phase_logged[name]) else
                                                       "; this build writes no phase log"))
            print(f"{'phase':<26}" + "".join(f"{str(mib) + ' MiB':>10}" for mib in results))
            logged = [run for _, phases in results.values() for run in phases[name]]
            order = [p for p, _ in max(logged, key=len)]
            for phase in order:
                print(f"{phase:<26}" + "".join(
                    f"{median([dict(run).get(phase, 0.0) for run in phases[name]]):10.1f}"
                    for _, phases in results.values()))

        # The wait: the processor time with the converter sleeping 3 s and
        # 10 s, less that of the same run without the sleep (a run that
        # outlasts a second pays once for its running window and its lock's
        # watcher; the wait itself should cost nothing more per second).
        text_file = os.path.join(work, "small.txt")
        with open(text_file, "wb") as f:
            f.write(make_text(4096))
        for name, command in tools.items():
            for seconds in (3, 10):
                growth = []
                for _ in range(rounds):
                    slow, _, _ = from_editor(text_file, command + [f"/delay={seconds * 1000}"])
                    quick, _, _ = from_editor(text_file, command)
                    growth.append((slow[0] - quick[0]) * 1000)
                print(f"converter sleeping {seconds} s: the {name}'s processor time grows by {median(growth):.0f} ms"
                      f" (rounds: {', '.join(f'{g:.0f}' for g in growth)} ms)")
    finally:
        for entry in os.listdir(work):
            os.remove(os.path.join(work, entry))
        os.rmdir(work)


if __name__ == "__main__":
    main()
