#!/usr/bin/env python3
"""Drowsel's benchmark: measures the real program and its parts under Wine and
prints a Markdown table of figures. It only prints; nothing here passes or
fails on a figure.

    python3 tools/benchmark.py [--no-build] [--pauses 50] [--reference-pauses 10]
                               [--lines 1000] [--starts 5]

Builds what it needs first (the windows preset), then runs everything in one
Wine session with its own Xvfb display and a fresh prefix (tests/e2e/harness.py):

- CPU per pause: drowsel-bench-pause times Pause against a live hidden window;
  drowsel-bench-pause --spin runs the same Pause over a pump whose wait returns
  at once, the busy loop of a naive pause. As a floor, drowsel-bench-pause
  --bare waits the same seconds in the platform's wait for input alone, with
  nothing of Pause around it. The CPU figures are the process's run time over
  exactly the timed pauses, read by this script from Linux
  (/proc/PID/task/*/schedstat, in nanoseconds): Wine counts a process's own CPU (GetProcessTimes,
  GetThreadTimes) in 10 ms ticks, too coarse for a pause that sleeps. Those
  tick counts are shown as well, and so is the wineserver's CPU over the same
  stretch (it serves every program in the prefix, so it is shown beside ten
  seconds of it with nothing of ours running), which a spinning pause keeps
  busy too.
- Pause accuracy: how late each of Drowsel's pauses returned past its deadline,
  on the clock Pause reads.
- Line delivery: drowsel-bench-send times SendChat into a fresh standin-aol.exe,
  line by line.
- Start-up: drowsel-bench-launch starts drowsel.exe beside a fresh stand-in
  client and notes, polling each millisecond, when the greeting's two lines
  reach the client and when the window shows. Start-up is launch to visible
  less the greeting's pause (0.5 to 1.5 s by the clock): from the first line
  reaching the client to the last whole second of the clock before the second
  line did, as the pause ends on a whole second. The first launch warms Wine's
  caches and is left out.
- Memory: the same probe reads drowsel.exe's peak working set
  (GetProcessMemoryInfo from outside) two seconds after its window showed, and
  the same for drowsel-bench-minimal-window, one empty window built with the
  same toolchain and options.
- Size of both programs in bytes.
"""

import argparse
import math
import os
import sys
import threading
import time
from statistics import median

from build_tree import BENCH, DROWSEL, STANDIN, build, machine, machine_line
from figures import fmt_seconds, markdown_table

import harness
from drowsel_e2e.chat import ChatClient
from harness import Failure, check

PAUSE = os.path.join(BENCH, "drowsel-bench-pause.exe")
SEND = os.path.join(BENCH, "drowsel-bench-send.exe")
LAUNCH = os.path.join(BENCH, "drowsel-bench-launch.exe")
MINIMAL = os.path.join(BENCH, "drowsel-bench-minimal-window.exe")
TARGETS = ["drowsel", "standin-aol", "drowsel-bench-pause", "drowsel-bench-send",
           "drowsel-bench-launch", "drowsel-bench-minimal-window"]

COMMAND = "python3 tools/benchmark.py"
SEND_WARMUP = 20
SETTLE_MS = 2000
IDLE_SECONDS = 10

# The targets the figures are held against.
CPU_RATIO_TARGET = 200.0
LATE_MEDIAN_TARGET = 0.016
MEMORY_RATIO_TARGET = 1.5
# The least share of a pause's wall time that the busy-loop reference must
# spend on the CPU for its measurement to count.
REFERENCE_BUSY_SHARE = 0.1


# -- reading the programs' output ------------------------------------------------

def number(text):
    try:
        return float(text)
    except ValueError:
        return text


def records(text, kind):
    """The lines whose first word is `kind` (alone or as kind=...), as dicts
    of their key=value words, the values numbers (one that is not stays text)."""
    return [{k: number(v) for k, eq, v in (w.partition("=") for w in words) if eq}
            for words in map(str.split, text.splitlines())
            if words and words[0].partition("=")[0] == kind]


def one_record(text, kind, program):
    found = records(text, kind)
    check(len(found) == 1, f"{program} printed {len(found)} '{kind}' lines, expected one")
    return found[0]


# -- statistics --------------------------------------------------------------------

def percentile(values, p):
    """The nearest-rank percentile: the smallest value that at least p % of
    the values are at or below."""
    ordered = sorted(values)
    if not ordered:
        raise ValueError("percentile of nothing")
    rank = max(1, math.ceil(p / 100 * len(ordered)))
    return ordered[rank - 1]


def value_at(samples, t):
    """A cumulative count at time t, interpolated between [(time, value)]
    samples in time order. t must lie within the samples."""
    if not samples or t < samples[0][0] or t > samples[-1][0]:
        raise ValueError(f"no samples around {t}")
    for (t0, v0), (t1, v1) in zip(samples, samples[1:]):
        if t0 <= t <= t1:
            return v0 if t1 == t0 else v0 + (v1 - v0) * (t - t0) / (t1 - t0)
    return samples[-1][1]  # a single sample, taken exactly at t


# -- CPU from Linux ------------------------------------------------------------------

def process_cpu(pid):
    """Seconds on the CPU of all the live threads of a Linux process, in
    nanoseconds' precision; None once it has gone."""
    total = 0
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except FileNotFoundError:
        return None
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError, IndexError, ValueError):
            continue  # the thread ended meanwhile
    return total / 1e9


class CpuWatch:
    """Samples process_cpu of some processes every `interval` seconds, with
    the wall clock (Unix seconds) of each sample, until stopped."""

    def __init__(self, pids, interval=0.01):
        self.pids = list(pids)
        self.interval = interval
        self.samples = {pid: [] for pid in self.pids}
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *_):
        self._stop.set()
        self._thread.join()

    def _run(self):
        while not self._stop.is_set():
            for pid in self.pids:
                cpu = process_cpu(pid)
                if cpu is not None:
                    self.samples[pid].append((time.time(), cpu))
            time.sleep(self.interval)


# -- the figures -----------------------------------------------------------------

def pause_figures(output, samples, server_samples):
    """Figures of one drowsel-bench-pause run from its output and the CPU
    samples of its process and of the wineserver."""
    program = "drowsel-bench-pause"
    pauses = records(output, "pause")
    total = one_record(output, "total", program)
    stretch = one_record(output, "timed_from", program)
    count = len(pauses)
    check(count > 0 and count == total["pauses"],
          f"{program} printed {count} pauses of {total.get('pauses')}")
    start, end = stretch["timed_from"], stretch["timed_to"]

    def used(series):
        return value_at(series, end) - value_at(series, start)

    # A process that used no CPU at all over the timed pauses is not the
    # program (Wine may have handed it to another process): no figure at all.
    cpu = used(samples) / count
    check(cpu > 0, f"{program} ({total['build']}) showed no CPU over its timed pauses: "
                   "the process watched is not the program")
    late = [p["late"] for p in pauses]
    return {
        "build": total["build"],
        "pauses": count,
        "cpu": cpu,
        "server_cpu": used(server_samples) / (end - start),  # per second
        "reported_cpu": total["process_cpu"] / count,
        "wall": total["wall"] / count,
        "late_median": median(late),
        "late_worst": max(late),
        "early": [x for x in late if x < 0],
    }


def send_figures(output):
    lines = records(output, "line")
    check(lines, "drowsel-bench-send timed no line")
    ms = [r["ms"] for r in lines]
    return {
        "lines": len(lines),
        "median": median(ms),
        "p99": percentile(ms, 99),
        "worst": max(ms),
        "return_median": median(r["return_ms"] for r in lines),
    }


def greeting_pause(first_posted, second_posted):
    """The greeting's pause, in seconds, from the wall clock (Unix seconds) at
    which its two lines reached the client. The pause starts as the first line
    has gone and ends on a whole second of the clock (the local clock differs
    from Unix time by whole minutes); the second line follows within a moment
    of that second, so the pause ended at the last whole second before it.
    By the clock's rounding it lasts from 0.5 to 1.5 s."""
    pause = math.floor(second_posted) - first_posted
    check(0.5 - 0.01 <= pause <= 1.5,
          f"the greeting's lines came at {first_posted:.3f} and {second_posted:.3f}: "
          "no pause of 0.5 to 1.5 s ending on a whole second fits between them")
    return pause


def launch_figures(output, greeting):
    """One drowsel-bench-launch run. With `greeting`, the program posts two
    lines before it shows its window, with a pause between them; start-up is
    the time to visible less that pause."""
    program = "drowsel-bench-launch"
    launched_at = one_record(output, "launched_at", program)["launched_at"]
    posted = [r["posted_ms"] for r in records(output, "posted_ms")]
    visible = one_record(output, "visible_ms", program)["visible_ms"]
    memory = one_record(output, "peak_working_set", program)
    out = {"visible_ms": visible, "peak_working_set": memory["peak_working_set"],
           "working_set": memory["working_set"]}
    if greeting:
        check(len(posted) >= 2, f"the greeting posted {len(posted)} lines before the window "
                                "showed, expected two")
        out["lines_gap_ms"] = posted[1] - posted[0]
        pause = greeting_pause(launched_at + posted[0] / 1000, launched_at + posted[1] / 1000)
        out["greeting_pause_ms"] = pause * 1000
        out["startup_ms"] = visible - out["greeting_pause_ms"]
    else:
        out["startup_ms"] = visible
    return out


# -- formatting ----------------------------------------------------------------------

def fmt_ms(ms):
    return fmt_seconds(ms / 1000.0)


def fmt_ratio(r):
    return f"{r:,.0f}×" if r >= 100 else f"{r:.2f}×"


def fmt_mib(n):
    return f"{n / 2 ** 20:.1f} MiB"


def yes_no(met):
    return "yes" if met else "**no**"


def ratio(a, b):
    """a / b; a divisor of nothing means a figure that was not measured."""
    check(b > 0, f"cannot compare {a} with an unmeasured {b}")
    return a / b


def table(f):
    """The Markdown table of all the figures in `f` (see measure())."""
    ours, floor, ref = f["ours"], f["floor"], f["reference"]
    cpu_ratio = ratio(ref["cpu"], ours["cpu"])
    early = ("early: " + ", ".join(fmt_seconds(x) for x in ours["early"]) if ours["early"]
             else "never early")
    late_met = ours["late_median"] < LATE_MEDIAN_TARGET and not ours["early"]
    send = f["send"]
    starts = [r["startup_ms"] for r in f["drowsel"]]
    minimal_starts = [r["startup_ms"] for r in f["minimal"]]
    peak = median(r["peak_working_set"] for r in f["drowsel"])
    minimal_peak = median(r["peak_working_set"] for r in f["minimal"])
    memory_ratio = ratio(peak, minimal_peak)
    n_ours, n_ref = ours["pauses"], ref["pauses"]
    rows = [
        ("CPU per 1 s pause, Drowsel", f"{fmt_seconds(ours['cpu'])} ({n_ours} pauses)", "", ""),
        ("CPU per 1 s wait, same window, the platform's bare wait for input (floor)",
         f"{fmt_seconds(floor['cpu'])} ({floor['pauses']} waits)", "", ""),
        ("CPU per 1 s pause, busy-loop reference",
         f"{fmt_seconds(ref['cpu'])} ({n_ref} pauses)", "", ""),
        ("CPU per pause, reference ÷ Drowsel", fmt_ratio(cpu_ratio),
         f"≥ {CPU_RATIO_TARGET:.0f}×", yes_no(cpu_ratio >= CPU_RATIO_TARGET)),
        ("Wineserver CPU per second (it serves every program in the prefix): idle / "
         "Drowsel's pauses / bare waits / reference's pauses",
         f"{fmt_seconds(f['idle_server'])} / {fmt_seconds(ours['server_cpu'])} / "
         f"{fmt_seconds(floor['server_cpu'])} / {fmt_seconds(ref['server_cpu'])}", "", ""),
        ("CPU per pause as GetProcessTimes counts it (10 ms ticks), Drowsel / reference",
         f"{fmt_seconds(ours['reported_cpu'])} / {fmt_seconds(ref['reported_cpu'])}", "", ""),
        (f"Pause lateness past its deadline, median / worst of {n_ours}",
         f"{fmt_seconds(ours['late_median'])} / {fmt_seconds(ours['late_worst'])}; {early}",
         f"median < {LATE_MEDIAN_TARGET * 1000:.0f} ms, never early", yes_no(late_met)),
        (f"SendChat to the stand-in client, median / 99th percentile of {send['lines']}",
         f"{fmt_ms(send['median'])} / {fmt_ms(send['p99'])} (worst {fmt_ms(send['worst'])})",
         "", ""),
        ("… of which the client taking the line (the return), median",
         fmt_ms(send["return_median"]), "", ""),
        (f"Start-up: launch to visible window less the greeting's pause, median of {len(starts)}",
         f"{fmt_ms(median(starts))} ({fmt_ms(min(starts))} to {fmt_ms(max(starts))})", "", ""),
        (f"Launch to visible window, minimal window program, median of {len(minimal_starts)}",
         fmt_ms(median(minimal_starts)), "", ""),
        ("Peak working set, drowsel.exe / minimal window program",
         f"{fmt_mib(peak)} / {fmt_mib(minimal_peak)} = {fmt_ratio(memory_ratio)}",
         f"< {MEMORY_RATIO_TARGET}×", yes_no(memory_ratio < MEMORY_RATIO_TARGET)),
        ("Size, drowsel.exe / minimal window program",
         f"{f['size']:,} / {f['minimal_size']:,} bytes", "", ""),
    ]
    return markdown_table(["Measure", "Figure", "Target", "Met"],
                          [(a, b, c or "—", d or "—") for a, b, c, d in rows])


def output_of(s, proc, exe):
    """What a bench program that must have ended with 0 printed."""
    check(proc.returncode == 0,
          f"{os.path.basename(exe)} exited with {proc.returncode}: {s.output(proc, 'err')}")
    return s.output(proc)


def run(s, exe, *args, timeout):
    return output_of(s, s.run_to_end(exe, *args, timeout=timeout), exe)


def rate(samples):
    """Average increase per second over [(time, value)] samples."""
    check(len(samples) >= 2 and samples[-1][0] > samples[0][0], "too few samples for a rate")
    return (samples[-1][1] - samples[0][1]) / (samples[-1][0] - samples[0][0])


def measure_idle_server(s, seconds):
    s.note(f"{seconds} s of the wineserver with nothing of ours running")
    with CpuWatch([s.wineserver.pid], interval=0.1) as watch:
        time.sleep(seconds)
    return rate(watch.samples[s.wineserver.pid])


def measure_pauses(s, exe, count, *options):
    s.note(f"{count} pauses with {' '.join([os.path.basename(exe), *options])}")
    proc = s.start(exe, count, *options)
    with CpuWatch([proc.pid, s.wineserver.pid]) as watch:
        s.wait_exit(proc, 3 * count + 60)
    return pause_figures(output_of(s, proc, exe), watch.samples[proc.pid],
                         watch.samples[s.wineserver.pid])


def measure_launches(s, exe, window_class, count, chat_log=None):
    """count + 1 launches; the first only warms up. No window_class: the probe
    waits for Drowsel's own."""
    runs = []
    for i in range(count + 1):
        args = [s.winpath(exe), *([window_class] if window_class else []), "--settle", SETTLE_MS]
        if chat_log:
            args += ["--chat-log", s.winpath(chat_log)]
        out = run(s, LAUNCH, *args, timeout=60)
        figures = launch_figures(out, greeting=chat_log is not None)
        s.note(f"{os.path.basename(exe)} launch {i}{' (warm-up)' if i == 0 else ''}: "
               + ", ".join(f"{k} {v:.1f}" for k, v in figures.items()))
        if i > 0:
            runs.append(figures)
    return runs


def measure(s, args):
    f = {
        "idle_server": measure_idle_server(s, IDLE_SECONDS),
        "ours": measure_pauses(s, PAUSE, args.pauses),
        "floor": measure_pauses(s, PAUSE, args.reference_pauses, "--bare"),
        "reference": measure_pauses(s, PAUSE, args.reference_pauses, "--spin"),
    }
    builds = [f[k]["build"] for k in ("ours", "floor", "reference")]
    check(builds == ["sleeping", "bare", "spinning"],
          f"the pause programs ran as {builds}, not as sleeping, bare and spinning")
    # The busy loop runs flat out for the whole pause; far less means its CPU
    # was not seen, and comparing with it would prove nothing.
    ref = f["reference"]
    check(ref["cpu"] >= REFERENCE_BUSY_SHARE * ref["wall"],
          f"the busy-loop reference used {ref['cpu']:.4f} s of CPU per {ref['wall']:.2f} s "
          "pause: its CPU was not measured")

    s.note(f"{args.lines} lines with drowsel-bench-send")
    chat = ChatClient(s, STANDIN, "send")
    out = run(s, SEND, args.lines, SEND_WARMUP, timeout=args.lines * 0.5 + 60)
    posted = len(chat.posted())
    check(posted == args.lines + SEND_WARMUP,
          f"the client got {posted} lines of {args.lines + SEND_WARMUP}")
    f["send"] = send_figures(out)
    s.stop(chat.proc)

    chat = ChatClient(s, STANDIN, "launch")
    f["drowsel"] = measure_launches(s, DROWSEL, None, args.starts, chat_log=chat.log)
    s.stop(chat.proc)
    f["minimal"] = measure_launches(s, MINIMAL, "DrowselBenchMinimal", args.starts)
    f["size"] = os.path.getsize(DROWSEL)
    f["minimal_size"] = os.path.getsize(MINIMAL)
    return f


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--no-build", action="store_true", help="use the programs as built")
    parser.add_argument("--pauses", type=int, default=50, help="Drowsel's pauses (default 50)")
    parser.add_argument("--reference-pauses", type=int, default=10,
                        help="the busy-loop reference's pauses, and the bare waits (default 10)")
    parser.add_argument("--lines", type=int, default=1000, help="lines sent (default 1000)")
    parser.add_argument("--starts", type=int, default=5,
                        help="launches of each program after a warm-up one (default 5)")
    args = parser.parse_args()
    if min(args.pauses, args.reference_pauses, args.lines, args.starts) < 1:
        parser.error("every count must be at least 1")

    if not args.no_build:
        build(TARGETS)
    info = machine()
    try:
        with harness.Session("benchmark", time_limit=1200) as s:
            figures = measure(s, args)
    except (Failure, harness.Aborted) as e:
        print(f"benchmark: {e}", file=sys.stderr)
        return 1
    print(f"\n{machine_line(info)}\n\n{table(figures)}\n\nCommand: `{COMMAND}`")
    return 0


if __name__ == "__main__":
    sys.exit(main())
