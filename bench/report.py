#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Renders bench/results.md from the raw figures that scripts/bench writes.

    python3 bench/report.py RAW_FOLDER [--output FILE] [--summary]

RAW_FOLDER is the folder scripts/bench fills (build/bench/raw unless MORV_BENCH_ROOT says
otherwise): plain files of "NAME VALUE" lines, one per measurement, with the parameters of the
run and the machine. The report goes to FILE, or to standard output; --summary also prints the
main figures against their goals. Every number, count, version and verdict in the report comes
from that folder; the goals and the rules for meeting them are the constants below.
"""
import argparse
import datetime
import glob
import math
import os
import statistics
import sys
import textwrap

RUNNING_COST_GOAL = 1.1  # CPU of the clock + wineserver against the floor + wineserver
MEMORY_GOAL_KIB = 1024  # the clock's VmRSS above the floor's
STARTUP_GOAL = 1.2  # the clock's median start-up against the floor's
TURN_MEAN_GOAL_MS = 10  # how late the face turns after the second begins, on average
TURN_P95_GOAL_MS = 20  # ... and at the 95th percentile
SIZE_GOAL_BYTES = 256 * 1024
# DLLs every Windows installation has in its system folder.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
               "user32.dll", "version.dll"}
# The link options that keep morvtime.exe small and free of foreign DLLs, named in the report
# when the build used them.
SIZE_LINK_OPTIONS = ("-static", "-s", "-Wl,--gc-sections")

REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ---- Reading the raw folder ----------------------------------------------------------------

def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip()]


def read_values(path):
    """The "NAME VALUE..." lines of a raw file as a dict of strings."""
    return dict((line.split(" ", 1) + [""])[:2] for line in read_lines(path))


def arguments(values):
    """The options of a recorded tick-bench command line: ticks and start."""
    words = values["arguments"].split()
    return {"ticks": int(words[words.index("--ticks") + 1]),
            "start": words[words.index("--start") + 1]}


class Raw:
    """Everything scripts/bench wrote, as read from its folder."""

    def __init__(self, folder):
        def path(name):
            return os.path.join(folder, name)
        self.folder = folder
        self.run = read_values(path("run.txt"))
        self.machine = read_values(path("machine.txt"))
        self.build = read_values(path("build.txt"))
        self.size = read_values(path("size.txt"))
        self.imports = read_lines(path("imports.txt"))
        self.tick = read_values(path("tick.txt"))
        self.tick_long = read_values(path("tick-long.txt"))
        self.tick_still = read_values(path("tick-still.txt"))
        self.callgrind = {name: read_values(path(f"callgrind-{name}.txt"))
                          for name in ("moving-short", "moving-long", "still-short", "still-long")}
        startup = read_lines(path("startup.txt"))
        self.startup_settings = dict(line.split(" ", 1) for line in startup
                                     if not line.startswith("run "))
        self.startup_runs = [(label, int(run), float(ms)) for _, label, run, ms in
                             (line.split() for line in startup if line.startswith("run "))]
        files = sorted(glob.glob(path("running-*.txt")))
        self.intervals = [read_values(f) for f in files]
        # One watch of the face per start of the clock: its settings and counts, and how late
        # each turn of the second was seen, in ms.
        self.turn_watches = []
        for f in sorted(glob.glob(path("turn-*.txt"))):
            lines = read_lines(f)
            values = dict(line.split(" ", 1) for line in lines if not line.startswith("turn "))
            values["late_ms"] = [float(line.split()[2]) for line in lines
                                 if line.startswith("turn ")]
            self.turn_watches.append(values)


# ---- Figures ----------------------------------------------------------------------------------

def ratio(a, b):
    """a / b, or None where there is nothing to divide by."""
    if a is None or b is None or b == 0:
        return None
    return a / b


def times(value):
    return "n/a" if value is None else f"{value:.2f}"


def within(value, goal):
    """Whether a ratio meets its goal, judged on the figure as printed."""
    return value is not None and round(value, 2) <= goal


def verdict(met):
    return "yes" if met else "**no**"


def mean(values):
    return sum(values) / len(values) if values else None


def median(values):
    return statistics.median(values) if values else None


def percentile(values, share):
    """The nearest-rank percentile: the smallest value that share of the values do not exceed."""
    if not values:
        return None
    ordered = sorted(values)
    return ordered[max(0, math.ceil(share * len(ordered)) - 1)]


class Lateness:
    """How late a set of turns of the face were seen: mean, 95th percentile and maximum, ms."""

    def __init__(self, late_ms):
        self.count = len(late_ms)
        self.mean = mean(late_ms)
        self.p95 = percentile(late_ms, 0.95)
        self.max = max(late_ms) if late_ms else None

    def cells(self):
        return [self.count] + ["n/a" if v is None else f"{v:.1f}"
                               for v in (self.mean, self.p95, self.max)]


def ms(ns, digits=1):
    return "n/a" if ns is None else f"{ns / 1e6:.{digits}f}"


class ProgramCost:
    """One program's running-cost intervals, as means per interval."""

    def __init__(self, intervals):
        def field(name):
            return [int(i[name]) for i in intervals]
        totals = [p + w for p, w in zip(field("process_ns"), field("wineserver_ns"))]
        self.process_ns = mean(field("process_ns"))
        self.wineserver_ns = mean(field("wineserver_ns"))
        self.total_ns = mean(totals)
        self.total_ticks = mean([p + w for p, w in zip(field("process_ticks"),
                                                      field("wineserver_ticks"))])
        rss = mean(field("vmrss_kib"))
        self.rss_kib = None if rss is None else int(rss)
        # How far apart its intervals lie: (largest - smallest) / mean.
        self.spread = ratio(max(totals) - min(totals), self.total_ns) if len(totals) > 1 else None


class Figures:
    """Every figure of the report, computed from the raw data."""

    def __init__(self, raw):
        self.raw = raw
        self.seconds = int(raw.run["seconds"])
        self.clk_tck = int(raw.machine["clk_tck"])
        self.cost = {label: ProgramCost([i for i in raw.intervals if i["program"] == label])
                     for label in ("clock", "floor", "repaint", "xclock")}
        clock, floor, repaint = self.cost["clock"], self.cost["floor"], self.cost["repaint"]
        xclock = self.cost["xclock"]
        self.running = ratio(clock.total_ns, floor.total_ns)
        self.running_ticks = ratio(clock.total_ticks, floor.total_ticks)
        self.process = ratio(clock.process_ns, floor.process_ns)
        self.against_repaint = ratio(clock.total_ns, repaint.total_ns)
        self.repaint = ratio(repaint.total_ns, floor.total_ns)
        self.xclock = ratio(clock.total_ns, xclock.process_ns)
        self.xclock_process = ratio(clock.process_ns, xclock.process_ns)
        self.running_met = within(self.running, RUNNING_COST_GOAL)
        self.memory_kib = clock.rss_kib - floor.rss_kib
        self.memory_met = self.memory_kib <= MEMORY_GOAL_KIB
        # What one screen reader's request added to the clock's memory (runs before readers were
        # served have no such figure).
        asked = [i for i in raw.intervals if i["program"] == "clock" and "vmrss_after_reader_kib" in i]
        self.reader_kib = (round(mean([int(i["vmrss_after_reader_kib"]) - int(i["vmrss_kib"])
                                       for i in asked])) if asked else None)

        self.starts = {label: [value for name, _, value in raw.startup_runs if name == label]
                       for label in ("clock", "floor")}
        clock_starts, floor_starts = self.starts["clock"], self.starts["floor"]
        self.startup_runs = min(len(clock_starts), len(floor_starts))
        self.startup = ratio(median(clock_starts), median(floor_starts))
        # Each run's clock time against the floor time of the same run (started right before or
        # after it), so that a change in the machine's load falls on both.
        floor_by_run = {run: value for name, run, value in raw.startup_runs if name == "floor"}
        paired = [ratio(value, floor_by_run.get(run))
                  for name, run, value in raw.startup_runs if name == "clock"]
        self.startup_paired = median([r for r in paired if r is not None])
        self.startup_fastest = ratio(min(clock_starts), min(floor_starts))
        self.startup_met = within(self.startup, STARTUP_GOAL)

        tick = {k: int(v) for k, v in raw.tick.items() if v.isdigit()}
        self.tick = tick
        self.tick_met = (tick["requests_on_ticks_without_changes"] == 0
                         and tick["ticks_where_requests_differ_from_changed_sides"] == 0
                         and tick["lines_with_more_than_one_request_in_a_tick"] == 0)
        self.instructions = {kind: self.per_tick(kind) for kind in ("moving", "still")}

        watches = raw.turn_watches
        self.turn_each = [Lateness(w["late_ms"]) for w in watches]
        self.turn = Lateness([late for w in watches for late in w["late_ms"]])
        self.read_interval = mean([float(w["read_interval_ms"]) for w in watches])
        self.turn_met = (self.turn.mean is not None and self.turn.mean <= TURN_MEAN_GOAL_MS
                         and self.turn.p95 <= TURN_P95_GOAL_MS)

        self.size_bytes = int(raw.size["bytes"])
        self.foreign_dlls = [d for d in raw.imports if d.lower() not in SYSTEM_DLLS]
        self.size_met = self.size_bytes <= SIZE_GOAL_BYTES and not self.foreign_dlls

    def per_tick(self, kind):
        """Instructions of the long run minus the short one: (total, per tick, first, last tick)."""
        short, longer = self.raw.callgrind[f"{kind}-short"], self.raw.callgrind[f"{kind}-long"]
        first, last = arguments(short)["ticks"], arguments(longer)["ticks"]
        total = int(longer["instructions"]) - int(short["instructions"])
        return total, total // (last - first), first + 1, last


# ---- The report -------------------------------------------------------------------------------

def table(header, rows):
    def line(cells):
        return "|" + "".join(f" {c} |" if str(c) else " |" for c in cells)
    return [line(header), "|" + "---|" * len(header)] + [line(row) for row in rows]


def relative(path):
    return os.path.relpath(os.path.abspath(path), REPOSITORY)


def simulated_time(tick):
    seconds = float(tick["simulated_seconds"])
    return "one simulated minute" if seconds == 60 else f"{seconds:g} s of simulated time"


def utc(epoch):
    return datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)


def introduction(f):
    run = f.raw.run
    elapsed = int(run["ended"]) - int(run["began"])
    timer_ms = f.raw.tick["timer_ms"]
    return [
        "<!-- SPDX-" "FileCopyrightText: 2026 MorvTime Developers -->",
        "<!-- SPDX-" "License-Identifier: MIT -->",
        "",
        "# Benchmark results",
        "",
        f"Measured by `scripts/bench` on {utc(run['ended']):%Y-%m-%d %H:%M} UTC (the run took "
        f"{elapsed // 60} min {elapsed % 60} s) and written by `bench/report.py`.",
        f"Run it again with `./scripts/bench` (`MORV_BENCH_SECONDS`, default "
        f"{run['seconds_default']}, sets the length of each running-cost interval; "
        f"`MORV_BENCH_RUNS`, default {run['runs_default']}, the start-up runs per program; "
        f"`MORV_BENCH_SETTLE`, default {run['settle_default']}, the seconds each program runs "
        "after its window is shown before its interval begins; `MORV_BENCH_TURN_STARTS`, default "
        f"{run.get('turn_starts_default', 3)}, the starts of the clock whose face is watched; "
        "`MORV_BENCH_CLOCK`, another build of morvtime.exe to measure). Raw "
        f"data: `{relative(f.raw.folder)}/`; `python3 bench/report.py {relative(f.raw.folder)}` "
        "renders this page from it again.",
        "",
        "Every time and memory figure is a ratio or a difference against a reference measured in "
        "the same run, on the same display and Wine prefix: the floor program "
        "(`bench/floor.cpp`), a minimal Win32 program with the clock's client size, the same two "
        f"menu commands and a {timer_ms} ms timer that reads the local time and paints nothing. "
        "Instruction counts and the size are absolute.",
    ]


def machine_section(f):
    m, run, build = f.raw.machine, f.raw.run, f.raw.build
    arch = {"win64": "64-bit", "win32": "32-bit"}.get(run["wine_arch"], run["wine_arch"])
    optimisation = " ".join(w for w in build["windows_cxx_flags"].split() if w.startswith("-O"))
    return ["", "## Machine", ""] + table(["", ""], [
        ["CPU", f"{m['cpu']}, {m['cores']} cores"],
        ["Memory", f"{int(m['memory_kib']) / 1048576:.1f} GiB"],
        ["System", f"{m['system']}, kernel {m['kernel']}"],
        ["Wine", f"{m['wine']}, {arch} prefix, {run['display']}, {run['dpi']} DPI, "
                 f"{run['locale']}"],
        ["Compilers", f"MinGW-w64 GCC {m['mingw_gcc']} (morvtime.exe: "
                      f"{build['windows_build_type']}, {optimisation or 'no -O option'}); "
                      f"host GCC {m['host_gcc']} ({build['host_build_type']})"],
        ["Clock measured", f"`{build.get('clock_exe', f.raw.size['path'])}`"],
        ["Valgrind", m["valgrind"]],
        ["Load average", f"{m['load_start']} at the start of the run, {m['load_end']} at the end "
                         "(1, 5, 15 min)"],
    ])


def summary_section(f):
    t = f.tick
    moving, still = f.instructions["moving"][1], f.instructions["still"][1]
    still_requests = t["requests_on_ticks_without_changes"]
    minute = simulated_time(f.raw.tick)
    turn_interval = "n/a" if f.read_interval is None else f"{f.read_interval:.1f}"
    lines = ["", "## Summary", ""] + table(["Benchmark", "Figure", "Goal", "Met"], [
        ["Running cost: CPU of the clock + wineserver, against the floor + wineserver",
         f"**{times(f.running)} ×**", f"≤ {RUNNING_COST_GOAL:g} ×", verdict(f.running_met)],
        ["Memory: VmRSS of the clock minus the floor's", f"**{f.memory_kib} KiB**",
         f"≤ {MEMORY_GOAL_KIB} KiB", verdict(f.memory_met)],
        ["Memory added by one screen reader's request: the clock's VmRSS after it minus before",
         "—" if f.reader_kib is None else f"**{f.reader_kib} KiB**", "— (measured)", "—"],
        [f"Start-up to the first painted face: clock against floor, medians of {f.startup_runs}",
         f"**{times(f.startup)} ×**", f"≤ {STARTUP_GOAL:g} ×", verdict(f.startup_met)],
        [f"How late the face turns: from the start of each second until a read of the face shows "
         f"it ({len(f.turn_each)} starts, a read every {turn_interval} ms)",
         "not measured" if f.turn.mean is None else
         f"**{f.turn.mean:.1f} ms** mean, {f.turn.p95:.1f} ms at the 95th percentile, "
         f"{f.turn.max:.1f} ms at most",
         f"mean ≤ {TURN_MEAN_GOAL_MS} ms, 95th percentile ≤ {TURN_P95_GOAL_MS} ms",
         "—" if f.turn.mean is None else verdict(f.turn_met)],
        [f"Repaint requests on ticks that change no side ({minute})", f"**{still_requests}**",
         "0", verdict(still_requests == 0)],
        [f"Repaint requests against sides changed ({minute})",
         f"**{t['repaint_requests']} / {t['changed_sides']}**, each one line's rectangle",
         "one small rectangle per changed side", verdict(f.tick_met)],
        ["Instructions per tick (Timer1_Timer and the fake platform's work)",
         f"**{moving}** moving, **{still}** unchanged", "— (measured)", "—"],
        ["Size of morvtime.exe", f"**{f.size_bytes} bytes ({f.size_bytes / 1024:.1f} KiB)**, "
         f"imports {' '.join(f.raw.imports)}",
         f"≤ {SIZE_GOAL_BYTES // 1024} KiB, system DLLs only", verdict(f.size_met)],
    ])
    if not f.running_met:
        square = f.raw.tick["line_width_px"]
        lines += ["", (
            f"**Running cost goal not met: {times(f.running)} × the floor (goal "
            f"{RUNNING_COST_GOAL:g} ×).** The floor paints nothing after its first face; the "
            "clock must repaint the sides that change, once a second, and under this Wine one "
            "repaint cycle (InvalidateRect, WM_PAINT, BeginPaint/EndPaint, the window surface "
            "sent to the X server) has a fixed cost that no drawing code can avoid. The floor "
            f"with `repaint`, which invalidates and repaints one {square} × {square} pixel square "
            "once a second and does nothing else, measures that cost: it alone is "
            f"**{times(f.repaint)} ×** the floor, and the clock is "
            f"**{times(f.against_repaint)} ×** that floor-with-repaint: that part is the clock's own work (reading the time, "
            f"deciding {f.raw.tick['sides']} sides, drawing the changed lines through its memory "
            "bitmap) and the larger area it repaints.")]
    if not f.memory_met:
        lines += ["", f"**Memory goal not met: the clock uses {f.memory_kib} KiB more than the "
                      f"floor (goal {MEMORY_GOAL_KIB} KiB).**"]
    if not f.startup_met:
        lines += ["", f"**Start-up goal not met: {times(f.startup)} × the floor (goal "
                      f"{STARTUP_GOAL:g} ×).**"]
    if f.turn.mean is not None and not f.turn_met:
        lines += ["", "**How late the face turns: goal not met.**"]
    return lines


def running_section(f):
    run, cost, tck = f.raw.run, f.cost, f.clk_tck
    rows = []
    for number, i in enumerate(f.raw.intervals, 1):
        p, w = int(i["process_ns"]), int(i["wineserver_ns"])
        x = None if i["xserver_ns"] == "none" else int(i["xserver_ns"])
        rows.append([number, i["program"], ms(p), int(i["process_ticks"]) * 1000 // tck, ms(w),
                     int(i["wineserver_ticks"]) * 1000 // tck, ms(p + w),
                     "—" if x is None else ms(x), i["vmrss_kib"], i["vmhwm_kib"]])

    def means(name, label):
        c = cost[name]
        per_second = None if c.total_ns is None else c.total_ns / f.seconds
        spread = "—" if c.spread is None else f"{100 * c.spread:.0f} %"
        return [label, ms(c.total_ns), ms(per_second, 2), ratio_cell(name), spread, c.rss_kib]

    def ratio_cell(name):
        value = times(ratio(cost[name].total_ns, cost["floor"].total_ns))
        return f"**{value} ×**" if name == "clock" else f"{value} ×"

    order = " ".join(i["program"] for i in f.raw.intervals)
    xclock = cost["xclock"]
    return ["", "## Running cost and memory", "", (
        f"Each program ran alone on the display for {f.seconds} s, in the order {order}, each "
        f"interval starting {run['settle_seconds']} s after the program's window was shown, so "
        "that its start-up work is left out. CPU is the on-CPU time of all the program's threads "
        "(`/proc/PID/task/*/schedstat`, nanoseconds) and of the prefix's wineserver over the same "
        "interval; the user + system clock ticks of `/proc/PID/stat` (fields 14 and 15, at "
        f"{tck} ticks a second) are shown beside it, and give **{times(f.running_ticks)} ×** for "
        "the same ratio at their coarser resolution. The CPU of the X server (Xvfb, unless the "
        "run used another display) is shown for information: it draws what the programs send. "
        "Resident memory is VmRSS of the program's Linux process at the end of the interval "
        "(VmHWM is the peak)."), ""] + table(
        ["#", "program", "process ms", "process ms (stat)", "wineserver ms",
         "wineserver ms (stat)", "process + wineserver ms", "Xvfb ms", "VmRSS KiB", "VmHWM KiB"],
        rows) + ["", f"Means per interval of {f.seconds} s:", ""] + table(
        ["program", "process + wineserver ms", "per second", "against the floor",
         "spread between its intervals", "VmRSS KiB"],
        [means("clock", "clock (morvtime.exe)"), means("floor", "floor (morv_floor.exe)"),
         means("repaint", "floor with `repaint`")]) + [
        "",
        "The spread is how far apart the same program's intervals lie ((largest − smallest) / "
        "mean): a ratio closer to 1 than that spread is within this machine's noise.",
        "",
        f"- The clock's own process alone (without wineserver): **{times(f.process)} ×** the "
        "floor's.",
        f"- The clock against the floor with `repaint`: **{times(f.against_repaint)} ×**.",
        f"- For scale, `{run['xclock_command']}` on the same display used "
        f"{ms(xclock.process_ns)} ms in its process over {f.seconds} s. The clock's process alone "
        f"used **{times(f.xclock_process)} ×** that; with wineserver, **{times(f.xclock)} ×**.",
        "- The wineserver of this prefix costs CPU of its own even with no Windows program "
        f"running: during the xclock interval it used {ms(xclock.wineserver_ns)} ms. That idle "
        "cost is part of both sides of the clock-against-floor ratio.",
    ]


def startup_section(f):
    s = f.raw.startup_settings
    background = ", ".join(s["background_px"].split())
    mark = ", ".join(s["mark_twips"].split())

    def median_row(label):
        values = f.starts[label]
        return [label, f"{median(values):.1f}", f"{min(values):.1f} – {max(values):.1f}"]
    return ["", "## Start-up", "", (
        "`morv_startup_bench.exe` (bench/startup_bench.cpp) runs under Wine and starts each "
        "program with CreateProcess, after one uncounted start of each; the programs take turns, "
        "in reverse order every other run, with a pause of "
        f"{s['pause_between_starts_ms']} ms after each. The time runs (QueryPerformanceCounter) "
        "from just before CreateProcess until the window with the program's caption shows the "
        f"button-face colour at client pixel ({background}) and a dark pixel at ({mark}) twips, "
        "the middle of the clock's first diagonal. The floor paints exactly these on its first "
        "WM_PAINT, so both first paints are detected by the same test, polled every "
        f"{s['poll_ms']} ms by reading back that corner of the window with BitBlt."), ""] + table(
        ["program", "median ms", "range ms"], [median_row("clock"), median_row("floor")]) + [
        "",
        f"Clock against floor: **{times(f.startup)} ×** (medians). For the machine's noise: the "
        "median of each run's clock time against the same run's floor time is "
        f"{times(f.startup_paired)} ×, and the fastest clock start against the fastest floor "
        f"start {times(f.startup_fastest)} ×.",
        "",
    ] + table(["run", "program", "ms"],
              [[run, label, f"{value:.1f}"] for label, run, value in f.raw.startup_runs])


def turn_section(f):
    if not f.raw.turn_watches:
        return ["", "## How late the face turns", "", "Not measured in this run."]
    w = f.raw.turn_watches[0]
    rows = [[n] + each.cells() + [watch["reads"], f"{float(watch['read_interval_ms']):.2f}",
                                  watch["repainting"]]
            for n, (each, watch) in enumerate(zip(f.turn_each, f.raw.turn_watches), 1)]
    rows.append(["all"] + f.turn.cells() + ["", "", ""])
    return ["", "## How late the face turns", "", (
        f"The clock was started {len(f.turn_each)} times; each time, "
        f"{f.raw.run['settle_seconds']} s after its window was shown, `morv_turn_bench.exe` "
        "(bench/turn_bench.cpp) read its face for "
        f"{w['seconds']} s, as often as it could, with the end-to-end tests' face reader (the "
        "client area read back with BitBlt, each side at its middle pixel). For each change of the "
        "second shown it noted how long after that second began the read that first showed it "
        "had ended, by the local time: an upper bound, since the face turned between that read "
        "and the one before. A read that showed a new second was checked pixel by pixel, and "
        "one taken while the face was being repainted did not count."), ""] + table(
        ["start", "turns", "mean ms", "95th percentile ms", "max ms", "reads",
         "ms between reads", "reads during a repaint"], rows)


def tick_section(f):
    raw, t = f.raw, f.tick
    start, end = raw.tick["start_time"], raw.tick["final_time"]
    turns = ""
    if start[:5] != end[:5]:
        turns = " (so the minute turns, and the hour)" if start[:2] != end[:2] else \
            " (so the minute turns)"
    moving_total, moving_each, first, last = f.instructions["moving"]
    still_total, still_each, _, _ = f.instructions["still"]
    moving_changes = int(raw.tick_long["changed_sides"]) - t["changed_sides"]
    still_changes = int(raw.tick_still["changed_sides"])
    still_start = arguments(raw.callgrind["still-short"])["start"]
    return ["", "## Per tick (host build, fake platform)", "", (
        "`morv_tick_bench` (bench/tick_bench.cpp) shows the clock over the fake platform, ticks "
        f"once for the first face, then runs the {raw.tick['timer_ms']} ms timer for "
        f"{t['ticks']} ticks with the simulated clock advancing {raw.tick['timer_ms']} ms a "
        f"tick, from {start} to {end}{turns}. Before and after every tick it reads all "
        f"{t['lines']} lines' visibility and repaint counts; the fake counts one repaint request "
        "per line whose visibility changed."), ""] + table(["", ""], [
        ["ticks", f"{t['ticks']} ({float(raw.tick['simulated_seconds']):g} s of simulated time)"],
        ["ticks that changed at least one side", t["ticks_with_changes"]],
        ["ticks that changed none", t["ticks_without_changes"]],
        ["sides changed", t["changed_sides"]],
        ["repaint requests", t["repaint_requests"]],
        ["repaint requests on ticks that changed no side", t["requests_on_ticks_without_changes"]],
        ["ticks whose requests differ from their changed sides",
         t["ticks_where_requests_differ_from_changed_sides"]],
        ["lines asked to repaint more than once in a tick",
         t["lines_with_more_than_one_request_in_a_tick"]],
        ["largest rectangle asked for, at 120 DPI",
         f"{t['largest_repaint_px_at_120dpi']} px (the client area is "
         f"{t['client_px_at_120dpi']} px)"],
    ]) + ["", (
        f"Instructions (callgrind, `--toggle-collect='{raw.run['callgrind_toggle']}'`: "
        "everything executed inside Timer1_Timer, the fake platform's Now and SetVisible "
        f"included), as the difference between a {last}-tick and a {first - 1}-tick run, so that "
        "set-up and the first face drop out:"), ""] + table(["run", "instructions", "per tick"], [
        [f"clock advancing {raw.tick['timer_ms']} ms a tick, ticks {first}–{last} "
         f"({moving_changes} sides changed)", moving_total, moving_each],
        [f"clock standing still at {still_start} ("
         + ("no side changes" if still_changes == 0 else f"{still_changes} sides changed")
         + ")", still_total, still_each],
    ])


def size_section(f):
    link = f.raw.build["morvtime_link"].split()
    used = [o for o in SIZE_LINK_OPTIONS if o in link]
    driver = " ".join(o for o in used if not o.startswith("-Wl,"))
    linker = " ".join(o[len("-Wl,"):] for o in used if o.startswith("-Wl,"))
    how = "linked " + " with ".join(f"`{part}`" for part in (driver, linker) if part) \
        if used else "linked without " + ", ".join(f"`{o}`" for o in SIZE_LINK_OPTIONS)
    foreign = f" (not a system DLL: {' '.join(f.foreign_dlls)})" if f.foreign_dlls else ""
    return ["", "## Size", "", (
        f"`morvtime.exe` ({f.raw.size['path']}): {f.size_bytes} bytes "
        f"({f.size_bytes / 1024:.1f} KiB), {how}; it imports {' '.join(f.raw.imports)}{foreign}.")]


def commands_section(f):
    run, build = f.raw.run, f.raw.build
    root = run["root"]
    moving = f.raw.callgrind["moving-short"]["arguments"]
    still = f.raw.callgrind["still-short"]["arguments"]
    longer = arguments(f.raw.callgrind["moving-long"])["ticks"]
    callgrind = ("valgrind --tool=callgrind "
                 f"--toggle-collect='{run['callgrind_toggle']}' morv_tick_bench")
    return ["", "## Commands", "", "```sh",
            "./scripts/setup",
            f"cmake --preset windows -B {root}/windows -DMORV_BUILD_TESTS=OFF",
            f"cmake --build {root}/windows --target morvtime morv_floor morv_startup_bench",
            f"cmake --preset host -B {root}/host -DCMAKE_BUILD_TYPE={build['host_build_type']} "
            "-DMORV_BUILD_TESTS=OFF -DMORV_SANITIZE=OFF",
            f"cmake --build {root}/host --target morv_tick_bench",
            "",
            "# size",
            "stat -c %s morvtime.exe",
            "x86_64-w64-mingw32-objdump -p morvtime.exe | grep 'DLL Name'",
            "",
            "# per tick",
            f"morv_tick_bench {moving}",
            f"{callgrind} {moving}   # and --ticks {longer}",
            f"{callgrind} {still}   # and --ticks {longer}",
            "",
            f"# Wine environment (scripts/wine-env.sh): private prefix, {run['display']}, "
            f"{run['dpi']} DPI",
            "source scripts/wine-env.sh",
            f"morv_wine_env {root}/wine; morv_start_display; morv_prepare_prefix {run['dpi']}",
            "",
            f"# how late the face turns, {f.raw.run['turn_starts']} starts of the clock",
            f"wine morv_turn_bench.exe '{run['clock_caption']}' {run['dpi']} {f.seconds}",
            "",
            "# start-up",
            f"wine morv_startup_bench.exe {run['runs']} clock 'Z:\\...\\morvtime.exe' "
            f"'{run['clock_caption']}' floor 'Z:\\...\\morv_floor.exe' '{run['floor_caption']}'",
            "",
            f"# running cost and memory, one program at a time, {f.seconds} s each, starting "
            f"{run['settle_seconds']} s after its window is shown",
            "(cd build-folder && wine morvtime.exe) &       # likewise: wine morv_floor.exe "
            f"[repaint]; {run['xclock_command']}",
            "cat /proc/PID/task/*/schedstat                 # before and after, for the program "
            "and for wineserver",
            "cat /proc/PID/stat                             # fields 14 (utime) and 15 (stime)",
            "grep -E 'VmRSS|VmHWM' /proc/PID/status         # at the end",
            "```"]


def wrap(lines, width=100):
    """Prose wrapped at the width of the sources; tables, headings and code kept as they are."""
    out, code = [], False
    for line in lines:
        code ^= line.startswith("```")
        if code or line.startswith(("|", "#", "```")) or len(line) <= width:
            out.append(line)
        else:
            indent = "  " if line.startswith("- ") else ""
            out += textwrap.wrap(line, width, subsequent_indent=indent, break_long_words=False,
                                 break_on_hyphens=False)
    return out


def render(f):
    sections = (introduction, machine_section, summary_section, running_section,
                startup_section, turn_section, tick_section, size_section, commands_section)
    return "\n".join(wrap([line for section in sections for line in section(f)])) + "\n"


def summary(f):
    t = f.tick
    elapsed = int(f.raw.run["ended"]) - int(f.raw.run["began"])
    return "\n".join([
        f"  the run took {elapsed // 60} min {elapsed % 60} s",
        f"  running cost {times(f.running)} x floor (goal <= {RUNNING_COST_GOAL:g}), memory "
        f"{f.memory_kib:+d} KiB (goal <= {MEMORY_GOAL_KIB}), start-up {times(f.startup)} x "
        f"(goal <= {STARTUP_GOAL:g})",
        "  the face turns " + ("(not measured)" if f.turn.mean is None else
                               f"{f.turn.mean:.1f} ms after the second on average, "
                               f"{f.turn.p95:.1f} ms at the 95th percentile, "
                               f"{f.turn.max:.1f} ms at most"),
        f"  ticks: {t['repaint_requests']} requests for {t['changed_sides']} changed sides, "
        f"{t['requests_on_ticks_without_changes']} on unchanged ticks; "
        f"{f.instructions['moving'][1]} instructions a moving tick",
        f"  size {f.size_bytes} bytes, imports: {' '.join(f.raw.imports)}"]) + "\n"


def main():
    parser = argparse.ArgumentParser(description="Renders bench/results.md from raw figures.")
    parser.add_argument("raw", help="the raw folder scripts/bench wrote, e.g. build/bench/raw")
    parser.add_argument("--output", "-o", help="the file to write (default: standard output)")
    parser.add_argument("--summary", action="store_true",
                        help="also print the main figures against their goals")
    options = parser.parse_args()
    figures = Figures(Raw(options.raw))
    report = render(figures)
    if options.output:
        with open(options.output, "w", encoding="utf-8") as out:
            out.write(report)
    else:
        sys.stdout.write(report)
    if options.summary:
        (sys.stderr if options.output is None else sys.stdout).write(summary(figures))


if __name__ == "__main__":
    main()
