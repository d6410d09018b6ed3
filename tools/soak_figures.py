"""The soak run's figures: the samples of what drowsel.exe held, as a
Markdown table by ten-minute stretch with each figure's growth per hour,
and the timing of its minute ticks. Arithmetic and text only; the figures
fail nothing.

A sample is a dict: "minute" (since the first sample, by the clock),
"cycle" (the minutes of ticks done when it was taken: samples follow the
ticks, which Stop and Start put back a little) and a value for each key of
FIGURES, None where the system did not report it.
"""

import math
from statistics import linear_regression, median

from figures import fmt_seconds, markdown_table

STRETCH_MINUTES = 10

# (key, heading, kind): bytes are shown in MiB, counts as they are.
FIGURES = [
    ("working_set", "Working set", "bytes"),
    ("private", "Private memory", "bytes"),
    ("handles", "Handles", "count"),
    ("gdi", "GDI objects", "count"),
    ("user", "USER objects", "count"),
    ("threads", "Threads", "count"),
    ("temp_files", "Files left in temp", "count"),
]


def stretch_ends(samples, length=STRETCH_MINUTES):
    """[(label, sample)]: the first sample, then the last sample of each
    stretch of `length` minutes of ticks that has one."""
    if not samples:
        return []
    rows = [("start", samples[0])]
    by_stretch = {}
    for sample in samples[1:]:
        index = max(0, math.ceil(sample["cycle"] / length) - 1)
        by_stretch[index] = sample  # samples come in time order: the last one stays
    for index in sorted(by_stretch):
        sample = by_stretch[index]
        end = min((index + 1) * length, sample["cycle"])
        shown = f"{end:g}" if end else f"{sample['minute']:.1f}"  # no tick yet: the clock
        rows.append((f"{index * length:g}–{shown} min", sample))
    return rows


def growth_per_hour(samples, key, settle=STRETCH_MINUTES):
    """The least-squares slope of a figure, per hour. The first `settle`
    minutes warm caches and are left out where at least three samples come
    after them. None with fewer than two values."""
    points = [(s["minute"], s[key]) for s in samples if s.get(key) is not None]
    settled = [(m, v) for m, v in points if m >= settle]
    if len(settled) >= 3:
        points = settled
    if len({m for m, _ in points}) < 2:
        return None
    return linear_regression(*zip(*points)).slope * 60


def show(value, kind, signed=False):
    if value is None:
        return "not reported"
    if kind == "bytes":
        mib = value / 2 ** 20
        return f"{mib:+.2f} MiB" if signed else f"{mib:.2f} MiB"
    if signed:
        return f"{value:+.1f}"
    return f"{value:,}"


def table(samples, tick_cycles=()):
    """The table of the figures by stretch, with a last row of each figure's
    growth per hour. `tick_cycles` has the minute of ticks of each tick
    checked (1 for the first)."""
    rows, previous_end = [], None
    for label, sample in stretch_ends(samples):
        ticks = ("—" if previous_end is None else
                 str(sum(1 for c in tick_cycles if previous_end < c <= sample["cycle"])))
        previous_end = sample["cycle"]
        rows.append([label] + [show(sample.get(k), kind) for k, _, kind in FIGURES] + [ticks])
    span = samples[-1]["minute"] if samples else 0
    if span < STRETCH_MINUTES:  # a few minutes' change says nothing per hour
        growth = [f"Growth per hour (not fitted: under {STRETCH_MINUTES} min)"]
        growth += ["—"] * len(FIGURES)
    else:
        settled = sum(1 for s in samples if s["minute"] >= STRETCH_MINUTES) >= 3
        fit = f"from minute {STRETCH_MINUTES}" if settled else "over the whole run"
        growth = [f"Growth per hour (fit {fit})"]
        growth += [show(growth_per_hour(samples, k), kind, signed=True) for k, _, kind in FIGURES]
    headings = ["Minutes"] + [h for _, h, _ in FIGURES] + ["Ticks checked"]
    return markdown_table(headings, rows + [growth + [f"{len(tick_cycles)} in all"]])


def tick_timing(lateness):
    """One line on how late the ticks came against one minute after the tick
    before (or after Start)."""
    if not lateness:
        return "Tick timing: no tick was timed."
    return (f"Tick lateness against one minute after the tick before, {len(lateness)} ticks: "
            f"median {fmt_seconds(median(lateness))}, worst {fmt_seconds(max(lateness))}, "
            f"earliest {fmt_seconds(min(lateness))}.")
