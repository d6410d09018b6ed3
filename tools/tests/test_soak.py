#!/usr/bin/env python3
"""Tests of the soak run's checking and arithmetic (tools/soak_chat.py,
tools/soak_figures.py) on logs and samples made up here. No Wine needed."""

import os
import sys
import tempfile
import unittest

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, TOOLS)
sys.path.insert(0, os.path.join(os.path.dirname(TOOLS), "tests", "e2e"))

import soak_figures as figures  # noqa: E402
from drowsel_e2e.chat import ClientLog  # noqa: E402
from soak_chat import ChatLog, LineCheck, TickCount  # noqa: E402

BANNER, REASON = "aa", "bb"


def idle(n):
    return f"cc{n:02x}"


class Checking(unittest.TestCase):
    def setUp(self):
        folder = tempfile.mkdtemp()
        self.path = os.path.join(folder, "chat.log")
        self.log = ChatLog()
        self.log.follow(ClientLog(self.path))
        self.check = LineCheck(self.log, poll=0.001)
        self.addCleanup(lambda: (os.remove(self.path), os.rmdir(folder)))
        self.write("READY\n")

    def write(self, text):
        with open(self.path, "a", encoding="latin-1") as f:
            f.write(text)

    def post(self, *lines, room="Lobby"):
        self.write("".join(f"{room} WM_CHAR 13\n{room} POSTED {h}\n" for h in lines))

    def tick(self, n, room="Lobby"):
        return self.check.expect([(room, BANNER), (room, REASON), (room, idle(n))], 0.01,
                                 f"tick {n}")

    def test_ticks_in_order_pass_and_give_their_times(self):
        self.post(BANNER, REASON, idle(1), BANNER, REASON, idle(2))
        self.assertEqual(len(self.tick(1)), 3)
        self.assertIsNotNone(self.tick(2))
        self.check.expect_none(0, "after")
        self.assertEqual(self.check.violations, [])

    def test_a_doubled_tick_is_caught_by_whatever_comes_next(self):
        self.post(BANNER, REASON, idle(1), BANNER, REASON, idle(1))
        self.tick(1)
        self.check.expect_none(0, "between ticks")
        self.assertEqual(len(self.check.violations), 1)
        self.assertIn("unexpected", self.check.violations[0])

    def test_a_wrong_number_a_wrong_room_and_a_missing_line_are_violations(self):
        self.post(BANNER, REASON, idle(3))
        self.assertIsNone(self.tick(2))
        self.post(BANNER, REASON, idle(4), room="Side")
        self.assertIsNone(self.tick(4))
        self.post(BANNER, REASON)
        self.assertIsNone(self.tick(5))
        self.assertEqual(len(self.check.violations), 3)
        self.assertIn("2 of 3 lines", self.check.violations[2])

    def test_a_line_still_being_written_waits_and_events_are_counted(self):
        self.write("Lobby POSTED aa")
        self.assertIsNone(self.check.expect([("Lobby", "aa")], 0.01, "half a line"))
        self.check.violations.clear()
        self.write("bb\nSTALL 3000\n")
        self.assertIsNotNone(self.check.expect([("Lobby", "aabb")], 0.01, "the whole line"))
        self.assertTrue(self.log.stalled())
        self.write("ANSWERING\nEXIT\nREADY\n")
        self.assertFalse(self.log.stalled())
        self.assertEqual((self.log.count("READY"), self.log.count("EXIT")), (2, 1))


class Counting(unittest.TestCase):
    def test_missed_ticks_and_a_new_start(self):
        ticks = TickCount()
        ticks.started(100.0)
        self.assertEqual((ticks.due(), ticks.label()), (160.0, "  0"))
        self.assertAlmostEqual(ticks.seen(160.25), 0.25)
        ticks.missed()
        self.assertEqual((ticks.count, ticks.due()), (2, 280.0))
        # Against the last tick seen, two minutes on.
        self.assertAlmostEqual(ticks.seen(280.0), -0.25)
        self.assertEqual(ticks.label(), "3")
        ticks.started(300.0)
        self.assertEqual((ticks.count, ticks.due()), (0, 360.0))
        self.assertAlmostEqual(ticks.seen(360.5), 0.5)


def sample(minute, working_set, gdi=None, cycle=None):
    return {"minute": minute, "cycle": round(minute) if cycle is None else cycle,
            "working_set": working_set, "private": 1 << 20, "handles": 40, "gdi": gdi,
            "user": None, "threads": 1, "temp_files": 0}


class Figures(unittest.TestCase):
    def test_growth_leaves_out_the_first_stretch_and_unreported_figures(self):
        # A jump while warming up, then 1 MiB every ten minutes.
        samples = [sample(0, 0), sample(5, 50 << 20)]
        samples += [sample(m, (50 << 20) + (m - 10) * (1 << 20) // 10) for m in range(10, 61, 10)]
        self.assertAlmostEqual(figures.growth_per_hour(samples, "working_set"), 6 << 20, delta=1)
        self.assertEqual(figures.growth_per_hour(samples, "handles"), 0)
        self.assertIsNone(figures.growth_per_hour(samples, "gdi"))

    def test_table_rows_end_each_stretch_of_ticks(self):
        # Samples follow their ticks, later and later by the clock.
        samples = [sample(0, 0, cycle=0)] + [sample(c * 1.01 + 0.1, c << 20, cycle=c)
                                             for c in (4, 10, 12, 20, 21)]
        rows = figures.stretch_ends(samples)
        self.assertEqual([(label, s["cycle"]) for label, s in rows],
                         [("start", 0), ("0–10 min", 10), ("10–20 min", 20), ("20–21 min", 21)])
        text = figures.table(samples, tick_cycles=[1, 2, 15, 21])
        self.assertIn("| 10–20 min | 20.00 MiB | 1.00 MiB | 40 | not reported |",
                      text)
        self.assertIn("| Growth per hour (fit from minute 10) |", text.splitlines()[-1])
        self.assertEqual([row.split(" | ")[-1] for row in text.splitlines()[2:]],
                         ["— |", "2 |", "1 |", "1 |", "4 in all |"])

    def test_a_run_without_ticks_shows_the_clock_and_no_growth(self):
        text = figures.table([sample(0, 0, cycle=0), sample(0.44, 1 << 20, cycle=0)])
        self.assertIn("| 0–0.4 min |", text)
        self.assertIn("not fitted", text.splitlines()[-1])


if __name__ == "__main__":
    unittest.main()
