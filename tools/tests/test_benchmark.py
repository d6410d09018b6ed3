#!/usr/bin/env python3
"""Tests of tools/benchmark.py: how it reads the bench programs' output, its
statistics and the table it prints. No Wine needed; nothing is timed."""

import os
import sys
import time
import unittest

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, TOOLS)
sys.path.insert(0, os.path.join(os.path.dirname(TOOLS), "tests", "e2e"))

import benchmark as b  # noqa: E402
from harness import Failure  # noqa: E402


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


class ReadingOutput(unittest.TestCase):
    def test_records_take_numbers_and_keep_words(self):
        text = "total pauses=3 wall=2.5 build=sleeping\npause=1 late=-0.001\n"
        self.assertEqual(b.records(text, "total"),
                         [{"pauses": 3.0, "wall": 2.5, "build": "sleeping"}])
        self.assertEqual(b.records(text, "pause"), [{"pause": 1.0, "late": -0.001}])

    def test_a_kind_matches_the_whole_first_word_only(self):
        text = "pauses=3\npause=1 late=0\nline=1 ms=2\nlines=5\n  \n"
        self.assertEqual(len(b.records(text, "pause")), 1)
        self.assertEqual(len(b.records(text, "line")), 1)
        self.assertEqual(b.records(text, "total"), [])

    def test_one_record_insists_on_exactly_one(self):
        with self.assertRaises(Failure):
            b.one_record("visible_ms=1\nvisible_ms=2\n", "visible_ms", "probe")
        with self.assertRaises(Failure):
            b.one_record("", "visible_ms", "probe")


class Statistics(unittest.TestCase):
    def test_median(self):
        self.assertEqual(b.median([3, 1, 2]), 2)
        self.assertEqual(b.median([4, 1, 3, 2]), 2.5)
        self.assertEqual(b.median([7]), 7)
        with self.assertRaises(ValueError):
            b.median([])

    def test_percentile_is_nearest_rank(self):
        values = list(range(1000, 0, -1))  # 1..1000, unsorted
        self.assertEqual(b.percentile(values, 99), 990)
        self.assertEqual(b.percentile(values, 50), 500)
        self.assertEqual(b.percentile(values, 100), 1000)
        self.assertEqual(b.percentile(list(range(1, 101)), 99), 99)
        self.assertEqual(b.percentile([5, 1], 99), 5)
        self.assertEqual(b.percentile([4], 1), 4)
        with self.assertRaises(ValueError):
            b.percentile([], 99)

    def test_value_at_interpolates_between_samples(self):
        samples = [(10.0, 1.0), (12.0, 2.0), (13.0, 5.0)]
        self.assertAlmostEqual(b.value_at(samples, 11.0), 1.5)
        self.assertAlmostEqual(b.value_at(samples, 12.0), 2.0)
        self.assertAlmostEqual(b.value_at(samples, 12.5), 3.5)
        self.assertAlmostEqual(b.value_at(samples, 13.0), 5.0)
        self.assertAlmostEqual(b.value_at([(4.0, 9.0)], 4.0), 9.0)

    def test_rate_is_the_average_over_all_the_samples(self):
        self.assertAlmostEqual(b.rate([(10.0, 1.0), (11.0, 1.5), (14.0, 3.0)]), 0.5)
        for samples in ([], [(10.0, 1.0)], [(10.0, 1.0), (10.0, 2.0)]):
            with self.assertRaises(Failure):
                b.rate(samples)

    def test_value_at_refuses_a_time_the_samples_do_not_cover(self):
        samples = [(10.0, 1.0), (12.0, 2.0)]
        for t in (9.99, 12.01):
            with self.assertRaises(ValueError):
                b.value_at(samples, t)
        with self.assertRaises(ValueError):
            b.value_at([], 1.0)


class PauseFigures(unittest.TestCase):
    # The process used 1 s before the timed stretch (start-up) and 1 s after
    # it; 4 ms in the 4 s between. The wineserver used 8 ms.
    SAMPLES = [(99.0, 0.5), (100.0, 1.0), (102.0, 1.002), (104.0, 1.004), (105.0, 2.0)]
    SERVER = [(99.0, 3.0), (100.0, 3.0), (104.0, 3.008), (105.0, 3.1)]

    def figures(self, lates, **kw):
        return b.pause_figures(pause_output(lates, **kw), self.SAMPLES, self.SERVER)

    def test_cpu_comes_from_the_samples_over_the_timed_stretch_only(self):
        f = self.figures([0.001, 0.002, 0.003, 0.004], process_cpu=0.01)
        self.assertEqual(f["pauses"], 4)
        self.assertAlmostEqual(f["cpu"], 0.001)
        self.assertAlmostEqual(f["server_cpu"], 0.002)
        self.assertAlmostEqual(f["reported_cpu"], 0.0025)  # the program's own ticks
        self.assertAlmostEqual(f["wall"], 1.0)
        self.assertEqual(f["build"], "sleeping")

    def test_lateness_median_worst_and_early_ones(self):
        f = self.figures([0.004, -0.0005, 0.001, 0.002])
        self.assertAlmostEqual(f["late_median"], 0.0015)
        self.assertAlmostEqual(f["late_worst"], 0.004)
        self.assertEqual(f["early"], [-0.0005])
        self.assertEqual(self.figures([0.0, 0.001])["early"], [])

    def test_a_short_or_missing_output_is_a_failure(self):
        with self.assertRaises(Failure):
            self.figures([0.001, 0.002], total_pauses=3)
        with self.assertRaises(Failure):
            b.pause_figures(pause_output([0.001]).replace("timed_from", "x"), self.SAMPLES,
                            self.SERVER)

    def test_a_process_that_used_no_cpu_is_not_the_program(self):
        idle = [(99.0, 0.5), (105.0, 0.5)]
        with self.assertRaises(Failure):
            b.pause_figures(pause_output([0.001]), idle, self.SERVER)

    def test_a_stretch_the_watch_did_not_cover_is_refused(self):
        with self.assertRaises(ValueError):
            self.figures([0.001], timed=(98.0, 104.0))


class SendAndLaunchFigures(unittest.TestCase):
    def test_send_figures(self):
        text = "".join(f"line={i} ms={i:.4f} return_ms={i / 2:.4f}\n" for i in range(1, 201))
        f = b.send_figures(text + "total lines=200 warmup=20\n")
        self.assertEqual(f["lines"], 200)
        self.assertAlmostEqual(f["median"], 100.5)
        self.assertAlmostEqual(f["p99"], 198)
        self.assertAlmostEqual(f["worst"], 200)
        self.assertAlmostEqual(f["return_median"], 50.25)
        with self.assertRaises(Failure):
            b.send_figures("total lines=0 warmup=20\n")

    def test_start_up_takes_the_greetings_pause_off(self):
        # Launched at 1000.000 s; lines at 1000.300 and 1001.320: the pause ran
        # from 1000.300 to the whole second 1001, 700 ms.
        f = b.launch_figures(launch_output(posted=(300.0, 1320.0), visible=1322.5), greeting=True)
        self.assertAlmostEqual(f["greeting_pause_ms"], 700.0, places=3)
        self.assertAlmostEqual(f["lines_gap_ms"], 1020.0)
        self.assertAlmostEqual(f["startup_ms"], 622.5, places=3)
        self.assertEqual(f["peak_working_set"], 25 * 2 ** 20)

    def test_the_greetings_pause_ends_on_the_whole_second_before_the_second_line(self):
        self.assertAlmostEqual(b.greeting_pause(1000.6, 1002.01), 1.4)
        self.assertAlmostEqual(b.greeting_pause(1000.4, 1001.02), 0.6)
        self.assertAlmostEqual(b.greeting_pause(1000.001, 1001.5), 0.999)  # a slow second line

    def test_no_pause_the_clock_allows_is_a_failure(self):
        for first, second in ((1000.45, 1002.02), (1000.7, 1001.05)):
            with self.assertRaises(Failure):
                b.greeting_pause(first, second)

    def test_start_up_needs_both_greeting_lines(self):
        with self.assertRaises(Failure):
            b.launch_figures(launch_output(posted=(300.0,)), greeting=True)

    def test_a_program_without_a_greeting_counts_up_to_its_window(self):
        f = b.launch_figures(launch_output(visible=210.0), greeting=False)
        self.assertAlmostEqual(f["startup_ms"], 210.0)
        self.assertNotIn("greeting_ms", f)

    def test_a_launch_without_memory_counters_is_a_failure(self):
        with self.assertRaises(Failure):
            b.launch_figures("launched_at=1000\nposted_ms=1\nposted_ms=1002\nvisible_ms=1003\n",
                             greeting=True)


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


class Table(unittest.TestCase):
    def row(self, table, start):
        rows = [line for line in table.splitlines() if line.startswith("| " + start)]
        self.assertEqual(len(rows), 1, start)
        return [cell.strip() for cell in rows[0].strip("|").split("|")]

    def test_every_row_has_four_cells(self):
        for line in b.table(all_figures()).splitlines():
            self.assertEqual(line.count("|"), 5, line)

    def test_targets_met(self):
        t = b.table(all_figures())
        self.assertEqual(self.row(t, "CPU per pause, reference ÷ Drowsel")[1:], ["1,000×",
                                                                                  "≥ 200×", "yes"])
        late = self.row(t, "Pause lateness")
        self.assertIn("never early", late[1])
        self.assertEqual(late[3], "yes")
        memory = self.row(t, "Peak working set")
        self.assertIn("24.0 MiB / 18.0 MiB = 1.33×", memory[1])
        self.assertEqual(memory[3], "yes")
        self.assertIn("839,048 / 121,681 bytes", self.row(t, "Size")[1])
        self.assertEqual(self.row(t, "Wineserver CPU per second")[1],
                         "4.00 ms / 1.00 ms / 1.00 ms / 1.00 ms")
        self.assertIn("350 ms (300 ms to 500 ms)", self.row(t, "Start-up")[1])

    def test_targets_missed_are_marked(self):
        t = b.table(all_figures(ours_cpu=0.005, ref_cpu=0.5, early=[-0.002], peak=27))
        self.assertEqual(self.row(t, "CPU per pause, reference ÷ Drowsel")[3], "**no**")
        late = self.row(t, "Pause lateness")
        self.assertIn("early: -2.00 ms", late[1])
        self.assertEqual(late[3], "**no**")
        self.assertEqual(self.row(t, "Peak working set")[3], "**no**")

    def test_a_pause_that_costs_nothing_measurable_is_no_figure(self):
        with self.assertRaises(Failure):
            b.table(all_figures(ours_cpu=0.0))


class Formatting(unittest.TestCase):
    def test_seconds_in_the_unit_that_suits(self):
        self.assertEqual(b.fmt_seconds(0.000705), "705 µs")
        self.assertEqual(b.fmt_seconds(0.0000123), "12.3 µs")
        self.assertEqual(b.fmt_seconds(0.00000042), "0.42 µs")
        self.assertEqual(b.fmt_seconds(0.472), "472 ms")
        self.assertEqual(b.fmt_seconds(0.0025), "2.50 ms")
        self.assertEqual(b.fmt_seconds(1.5), "1.50 s")
        self.assertEqual(b.fmt_seconds(-0.002), "-2.00 ms")
        self.assertEqual(b.fmt_ms(18.25), "18.2 ms")

    def test_ratios_and_sizes(self):
        self.assertEqual(b.fmt_ratio(1234.4), "1,234×")
        self.assertEqual(b.fmt_ratio(1.375), "1.38×")
        with self.assertRaises(Failure):
            b.ratio(1.0, 0.0)
        self.assertEqual(b.fmt_mib(25 * 2 ** 20), "25.0 MiB")

    def test_machine_line(self):
        line = b.machine_line({"cpu": "AMD EPYC", "cores": 2, "wine": "wine-8.0",
                               "kernel": "6.1", "date": "2025-01-02 03:04 UTC", "load": 1.234})
        self.assertEqual(line, "Machine: AMD EPYC, 2 cores, wine-8.0, Linux 6.1; "
                               "2025-01-02 03:04 UTC; load average 1.23 at the start")


class LinuxCpu(unittest.TestCase):
    def test_a_live_process_has_cpu_time_and_a_gone_one_none(self):
        spent = b.process_cpu(os.getpid())
        self.assertIsInstance(spent, float)
        self.assertGreater(spent, 0)
        self.assertIsNone(b.process_cpu(2 ** 22 + 1))  # above any pid Linux hands out

    def test_the_watch_samples_in_time_order_and_counts_up(self):
        with b.CpuWatch([os.getpid()], interval=0.005) as watch:
            deadline = time.monotonic() + 10
            while len(watch.samples[os.getpid()]) < 3 and time.monotonic() < deadline:
                sum(range(10000))  # some CPU for it to see
        samples = watch.samples[os.getpid()]
        self.assertGreaterEqual(len(samples), 3)
        times = [t for t, _ in samples]
        spent = [cpu for _, cpu in samples]
        self.assertEqual(times, sorted(times))
        self.assertEqual(spent, sorted(spent))


if __name__ == "__main__":
    unittest.main()
