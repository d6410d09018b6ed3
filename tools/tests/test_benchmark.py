"""Tests of tools/benchmark.py: how it reads the bench programs' output, its
statistics and the table it prints. No Wine needed; nothing is timed."""

import os
import time

import benchmark as b
import pytest
from harness import Failure


def pause_output(lates, process_cpu=0.01, build="sleeping", total_pauses=None,
                 timed=(100.0, 104.0)):
    lines = [f"pause={i + 1} wall=1.000000 thread_cpu=0.000000 process_cpu=0.000000 "
             f"late={late:.6f} sleeps=1 pumps=1" for i, late in enumerate(lates)]
    count = len(lates) if total_pauses is None else total_pauses
    lines.append(f"total pauses={count} wall={len(lates):.6f} thread_cpu={process_cpu:.6f} "
                 f"process_cpu={process_cpu:.6f} build={build}")
    lines.append(f"timed_from={timed[0]:.6f} timed_to={timed[1]:.6f}")
    return "\n".join(lines) + "\n"


def launch_output(posted=(), visible=1500.0, peak=25 * 2 ** 20, launched_at=1000.0):
    lines = [f"launched_at={launched_at:.6f}"]
    lines += [f"posted_ms={t:.3f}" for t in posted]
    lines.append(f"visible_ms={visible:.3f}")
    lines.append(f"peak_working_set={peak} working_set={peak} private_bytes=0")
    return "\n".join(lines) + "\n"


# -- reading the output ----------------------------------------------------------

def test_records_take_numbers_and_keep_words():
    text = "total pauses=3 wall=2.5 build=sleeping\npause=1 late=-0.001\n"
    assert b.records(text, "total") == [{"pauses": 3.0, "wall": 2.5, "build": "sleeping"}]
    assert b.records(text, "pause") == [{"pause": 1.0, "late": -0.001}]


def test_a_kind_matches_the_whole_first_word_only():
    text = "pauses=3\npause=1 late=0\nline=1 ms=2\nlines=5\n  \n"
    assert len(b.records(text, "pause")) == 1
    assert len(b.records(text, "line")) == 1
    assert b.records(text, "total") == []


@pytest.mark.parametrize("text", ["visible_ms=1\nvisible_ms=2\n", ""])
def test_one_record_insists_on_exactly_one(text):
    with pytest.raises(Failure):
        b.one_record(text, "visible_ms", "probe")


# -- statistics --------------------------------------------------------------------

@pytest.mark.parametrize("values, middle", [([3, 1, 2], 2), ([4, 1, 3, 2], 2.5), ([7], 7)])
def test_median(values, middle):
    assert b.median(values) == middle


DOWN = list(range(1000, 0, -1))  # 1..1000, unsorted


@pytest.mark.parametrize("values, p, value", [(DOWN, 99, 990), (DOWN, 50, 500), (DOWN, 100, 1000),
                                              (list(range(1, 101)), 99, 99), ([5, 1], 99, 5),
                                              ([4], 1, 4)])
def test_percentile_is_nearest_rank(values, p, value):
    assert b.percentile(values, p) == value


def test_statistics_of_nothing_are_refused():
    with pytest.raises(ValueError):
        b.median([])
    with pytest.raises(ValueError):
        b.percentile([], 99)


CURVE = [(10.0, 1.0), (12.0, 2.0), (13.0, 5.0)]


@pytest.mark.parametrize("samples, t, value", [(CURVE, 11.0, 1.5), (CURVE, 12.0, 2.0),
                                               (CURVE, 12.5, 3.5), (CURVE, 13.0, 5.0),
                                               ([(4.0, 9.0)], 4.0, 9.0)])
def test_value_at_interpolates_between_samples(samples, t, value):
    assert b.value_at(samples, t) == pytest.approx(value)


@pytest.mark.parametrize("samples, t", [(CURVE[:2], 9.99), (CURVE[:2], 12.01), ([], 1.0)])
def test_value_at_refuses_a_time_the_samples_do_not_cover(samples, t):
    with pytest.raises(ValueError):
        b.value_at(samples, t)


def test_rate_is_the_average_over_all_the_samples():
    assert b.rate([(10.0, 1.0), (11.0, 1.5), (14.0, 3.0)]) == pytest.approx(0.5)


@pytest.mark.parametrize("samples", [[], [(10.0, 1.0)], [(10.0, 1.0), (10.0, 2.0)]])
def test_rate_needs_two_samples_apart_in_time(samples):
    with pytest.raises(Failure):
        b.rate(samples)


# -- the pause figures ---------------------------------------------------------------

# The process used 1 s before the timed stretch (start-up) and 1 s after it;
# 4 ms in the 4 s between. The wineserver used 8 ms.
SAMPLES = [(99.0, 0.5), (100.0, 1.0), (102.0, 1.002), (104.0, 1.004), (105.0, 2.0)]
SERVER = [(99.0, 3.0), (100.0, 3.0), (104.0, 3.008), (105.0, 3.1)]


def pause_figures(lates, **kw):
    return b.pause_figures(pause_output(lates, **kw), SAMPLES, SERVER)


def test_cpu_comes_from_the_samples_over_the_timed_stretch_only():
    f = pause_figures([0.001, 0.002, 0.003, 0.004], process_cpu=0.01)
    assert f["pauses"] == 4
    assert f["cpu"] == pytest.approx(0.001)
    assert f["server_cpu"] == pytest.approx(0.002)
    assert f["reported_cpu"] == pytest.approx(0.0025)  # the program's own ticks
    assert f["wall"] == pytest.approx(1.0)
    assert f["build"] == "sleeping"


def test_lateness_median_worst_and_early_ones():
    f = pause_figures([0.004, -0.0005, 0.001, 0.002])
    assert f["late_median"] == pytest.approx(0.0015)
    assert f["late_worst"] == pytest.approx(0.004)
    assert f["early"] == [-0.0005]
    assert pause_figures([0.0, 0.001])["early"] == []


@pytest.mark.parametrize("output", [pause_output([0.001, 0.002], total_pauses=3),
                                    pause_output([0.001]).replace("timed_from", "x")])
def test_a_short_or_missing_output_is_a_failure(output):
    with pytest.raises(Failure):
        b.pause_figures(output, SAMPLES, SERVER)


def test_a_process_that_used_no_cpu_is_not_the_program():
    with pytest.raises(Failure):
        b.pause_figures(pause_output([0.001]), [(99.0, 0.5), (105.0, 0.5)], SERVER)


def test_a_stretch_the_watch_did_not_cover_is_refused():
    with pytest.raises(ValueError):
        pause_figures([0.001], timed=(98.0, 104.0))


# -- the send and launch figures -------------------------------------------------------

def test_send_figures():
    text = "".join(f"line={i} ms={i:.4f} return_ms={i / 2:.4f}\n" for i in range(1, 201))
    f = b.send_figures(text + "total lines=200 warmup=20\n")
    assert f == pytest.approx({"lines": 200, "median": 100.5, "p99": 198, "worst": 200,
                               "return_median": 50.25})
    with pytest.raises(Failure):
        b.send_figures("total lines=0 warmup=20\n")


def test_start_up_takes_the_greetings_pause_off():
    # Launched at 1000.000 s; lines at 1000.300 and 1001.320: the pause ran
    # from 1000.300 to the whole second 1001, 700 ms.
    f = b.launch_figures(launch_output(posted=(300.0, 1320.0), visible=1322.5), greeting=True)
    assert f["greeting_pause_ms"] == pytest.approx(700.0, abs=5e-4)
    assert f["lines_gap_ms"] == pytest.approx(1020.0)
    assert f["startup_ms"] == pytest.approx(622.5, abs=5e-4)
    assert f["peak_working_set"] == 25 * 2 ** 20


@pytest.mark.parametrize("first, second, pause", [
    (1000.6, 1002.01, 1.4), (1000.4, 1001.02, 0.6),
    (1000.001, 1001.5, 0.999),  # a slow second line
])
def test_the_greetings_pause_ends_on_the_whole_second_before_the_second_line(first, second, pause):
    assert b.greeting_pause(first, second) == pytest.approx(pause)


@pytest.mark.parametrize("first, second", [(1000.45, 1002.02), (1000.7, 1001.05)])
def test_no_pause_the_clock_allows_is_a_failure(first, second):
    with pytest.raises(Failure):
        b.greeting_pause(first, second)


@pytest.mark.parametrize("output", [
    launch_output(posted=(300.0,)),  # one greeting line
    "launched_at=1000\nposted_ms=1\nposted_ms=1002\nvisible_ms=1003\n",  # no memory counters
])
def test_a_launch_with_a_line_or_a_figure_missing_is_a_failure(output):
    with pytest.raises(Failure):
        b.launch_figures(output, greeting=True)


def test_a_program_without_a_greeting_counts_up_to_its_window():
    f = b.launch_figures(launch_output(visible=210.0), greeting=False)
    assert f["startup_ms"] == pytest.approx(210.0)
    assert "greeting_ms" not in f


# -- the table -------------------------------------------------------------------------

def all_figures(ours_cpu=0.0005, ref_cpu=0.5, early=(), peak=24, minimal_peak=18):
    pause = {"pauses": 50, "cpu": ours_cpu, "server_cpu": 0.001, "reported_cpu": 0.0,
             "wall": 1.0, "late_median": 0.002, "late_worst": 0.004, "early": list(early),
             "build": "sleeping"}
    return {
        "idle_server": 0.004,
        "ours": pause,
        "floor": dict(pause, pauses=10, build="bare"),
        "reference": dict(pause, pauses=10, cpu=ref_cpu, build="spinning"),
        "send": {"lines": 1000, "median": 18.0, "p99": 40.0, "worst": 90.0,
                 "return_median": 15.0},
        "drowsel": [{"startup_ms": t, "peak_working_set": peak * 2 ** 20}
                    for t in (300.0, 350.0, 500.0)],
        "minimal": [{"startup_ms": 200.0, "peak_working_set": minimal_peak * 2 ** 20}],
        "size": 839048,
        "minimal_size": 121681,
    }


def row(table, start):
    rows = [line for line in table.splitlines() if line.startswith("| " + start)]
    assert len(rows) == 1, start
    return [cell.strip() for cell in rows[0].strip("|").split("|")]


def test_every_row_has_four_cells():
    for line in b.table(all_figures()).splitlines():
        assert line.count("|") == 5, line


def test_targets_met():
    t = b.table(all_figures())
    assert row(t, "CPU per pause, reference ÷ Drowsel")[1:] == ["1,000×", "≥ 200×", "yes"]
    late = row(t, "Pause lateness")
    assert "never early" in late[1]
    assert late[3] == "yes"
    memory = row(t, "Peak working set")
    assert "24.0 MiB / 18.0 MiB = 1.33×" in memory[1]
    assert memory[3] == "yes"
    assert "839,048 / 121,681 bytes" in row(t, "Size")[1]
    assert row(t, "Wineserver CPU per second")[1] == "4.00 ms / 1.00 ms / 1.00 ms / 1.00 ms"
    assert "350 ms (300 ms to 500 ms)" in row(t, "Start-up")[1]


def test_targets_missed_are_marked():
    t = b.table(all_figures(ours_cpu=0.005, ref_cpu=0.5, early=[-0.002], peak=27))
    assert row(t, "CPU per pause, reference ÷ Drowsel")[3] == "**no**"
    late = row(t, "Pause lateness")
    assert "early: -2.00 ms" in late[1]
    assert late[3] == "**no**"
    assert row(t, "Peak working set")[3] == "**no**"


def test_a_pause_that_costs_nothing_measurable_is_no_figure():
    with pytest.raises(Failure):
        b.table(all_figures(ours_cpu=0.0))


# -- formatting ------------------------------------------------------------------------

@pytest.mark.parametrize("format_, value, text", [
    (b.fmt_seconds, 0.000705, "705 µs"), (b.fmt_seconds, 0.0000123, "12.3 µs"),
    (b.fmt_seconds, 0.00000042, "0.42 µs"), (b.fmt_seconds, 0.472, "472 ms"),
    (b.fmt_seconds, 0.0025, "2.50 ms"), (b.fmt_seconds, 1.5, "1.50 s"),
    (b.fmt_seconds, -0.002, "-2.00 ms"), (b.fmt_ms, 18.25, "18.2 ms"),
    (b.fmt_ratio, 1234.4, "1,234×"), (b.fmt_ratio, 1.375, "1.38×"),
    (b.fmt_mib, 25 * 2 ** 20, "25.0 MiB"),
])
def test_figures_in_the_unit_that_suits(format_, value, text):
    assert format_(value) == text


def test_a_ratio_to_nothing_is_refused():
    with pytest.raises(Failure):
        b.ratio(1.0, 0.0)


def test_machine_line():
    line = b.machine_line({"cpu": "AMD EPYC", "cores": 2, "wine": "wine-8.0",
                           "kernel": "6.1", "date": "2025-01-02 03:04 UTC", "load": 1.234})
    assert line == ("Machine: AMD EPYC, 2 cores, wine-8.0, Linux 6.1; "
                    "2025-01-02 03:04 UTC; load average 1.23 at the start")


# -- CPU from Linux --------------------------------------------------------------------

def test_a_live_process_has_cpu_time_and_a_gone_one_none():
    spent = b.process_cpu(os.getpid())
    assert isinstance(spent, float)
    assert spent > 0
    assert b.process_cpu(2 ** 22 + 1) is None  # above any pid Linux hands out


def test_the_watch_samples_in_time_order_and_counts_up():
    with b.CpuWatch([os.getpid()], interval=0.005) as watch:
        deadline = time.monotonic() + 10
        while len(watch.samples[os.getpid()]) < 3 and time.monotonic() < deadline:
            sum(range(10000))  # some CPU for it to see
    samples = watch.samples[os.getpid()]
    assert len(samples) >= 3
    times = [t for t, _ in samples]
    spent = [cpu for _, cpu in samples]
    assert times == sorted(times)
    assert spent == sorted(spent)
